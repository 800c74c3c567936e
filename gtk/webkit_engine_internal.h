#pragma once

// Helpers shared by the files that define WebKitEngine, one concern each:
// webkit_engine.cpp (construction, operations, navigation signals),
// engine_pages.cpp, engine_saving.cpp, engine_properties.cpp,
// engine_printing.cpp, engine_downloads.cpp, engine_find.cpp and
// engine_page_requests.cpp. Not for use outside the engine.

#include "gtk/webkit_engine.h"

#include "platform/runtime_error.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace driftway::gtk {

inline constexpr int kFileAccessError = 75; // path/file access error
inline constexpr int kWaitMs = 30000;

// Hooks run inside GTK signal handlers, where no C++ exception may pass: a
// hook that fails ends there, the way the window's own handlers end, and the
// engine goes on with a neutral answer (no window, no path, no permission).
template <typename R, typename... Params, typename... Args>
R call_hook(const std::function<R(Params...)>& hook, Args&&... args)
{
    if (!hook)
        return R();
    try {
        return hook(std::forward<Args>(args)...);
    } catch (const std::exception& e) {
        g_warning("A window handler failed: %s", e.what());
    } catch (...) {
        g_warning("A window handler failed");
    }
    return R();
}

inline platform::RuntimeError not_supported()
{
    return platform::RuntimeError(platform::error::kNotSupported, "Object doesn't support this action");
}

inline platform::RuntimeError cancelled()
{
    return platform::RuntimeError(platform::error::kDialogCancelled, "Cancel was selected.");
}

// Runs the main loop until done() holds or the time is up, the way a modal
// dialog keeps the program alive while it waits. Returns whether done() holds.
inline bool run_until(const std::function<bool()>& done, int timeout_ms)
{
    bool timed_out = false;
    const guint timer = g_timeout_add(
        static_cast<guint>(timeout_ms),
        [](gpointer flag) -> gboolean {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &timed_out);
    while (!done() && !timed_out)
        g_main_context_iteration(nullptr, TRUE);
    if (!timed_out)
        g_source_remove(timer);
    return done();
}

// Shared state of one asynchronous engine call that we wait for. The
// callback owns a reference, so it stays valid even if the waiter is gone.
struct Pending {
    bool done = false;
    GBytesPtr bytes;
    GObjectPtr<GInputStream> stream;
    std::string error;
};
using PendingPtr = std::shared_ptr<Pending>;

inline gpointer hold(const PendingPtr& pending)
{
    return new PendingPtr(pending);
}

inline PendingPtr release(gpointer data)
{
    std::unique_ptr<PendingPtr> holder(static_cast<PendingPtr*>(data));
    return *holder;
}

inline void free_pending(gpointer data, GClosure*)
{
    release(data);
}

inline void resource_data_ready(GObject* resource, GAsyncResult* result, gpointer data)
{
    const PendingPtr pending = release(data);
    GError* error = nullptr;
    gsize length = 0;
    guchar* bytes =
        webkit_web_resource_get_data_finish(WEBKIT_WEB_RESOURCE(resource), result, &length, &error);
    if (bytes)
        pending->bytes.reset(g_bytes_new_take(bytes, length));
    else
        pending->error = error ? error->message : "no data";
    g_clear_error(&error);
    pending->done = true;
}

// The engine's own pages (engine_pages.cpp): shown under the address they
// stand in for.
std::string offline_page(const std::string& uri);
std::string error_page(const std::string& uri, const std::string& reason);

struct WebKitEngine::Download {
    WebKitEngine* engine;
    GObjectPtr<WebKitDownload> download;
    std::string name;
    std::string final_path;
    std::string part_path; // where the engine writes until the file is whole
    int shown_percent = -1;
    bool failed = false;
    SignalConnections signals;
};

} // namespace driftway::gtk
