#pragma once

#include <glib.h>

#include <chrono>
#include <functional>

namespace driftway::testing {

// Runs the GLib main loop until pred() holds or the time runs out; returns
// whether it holds. Every wait in the GTK tests is bounded this way.
inline bool wait_until(const std::function<bool()>& pred, int timeout_ms = 15000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        // Never block for long: a timer or the engine's IPC wakes us.
        if (!g_main_context_iteration(nullptr, FALSE))
            g_usleep(2000);
    }
    return true;
}

// Lets the main loop run for a while, for things that must not happen.
inline void pump_for(int ms)
{
    wait_until([] { return false; }, ms);
}

}  // namespace driftway::testing
