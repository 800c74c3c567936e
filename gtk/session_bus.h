#pragma once

#include <gio/gio.h>

namespace driftway::gtk {

// The user's session bus when one is running: named by
// DBUS_SESSION_BUS_ADDRESS or found at $XDG_RUNTIME_DIR/bus. nullptr
// otherwise: a bus is never started just for Driftway (no X11 autolaunch).
// The connection is the process's shared one, kept for its lifetime.
GDBusConnection* session_bus(GCancellable* cancellable = nullptr);

// What DBUS_SESSION_BUS_ADDRESS is set to when no session bus runs.
inline constexpr const char* kNoBusAddress = "unix:path=/dev/null";

// Run before the toolkit starts: without a session bus, points
// DBUS_SESSION_BUS_ADDRESS at kNoBusAddress so that nothing in the process,
// nor the engine's own processes, starts one through the X server.
void never_autolaunch_a_bus();

// Whether the accessibility bus reports assistive technology at work
// (org.a11y.Status IsEnabled or ScreenReaderEnabled, as screen readers set
// them). Asked only when something already owns org.a11y.Bus, so that the
// question never starts the accessibility bus; false without an answer
// within timeout_ms.
bool accessibility_bus_enabled(GDBusConnection* bus, int timeout_ms);

} // namespace driftway::gtk
