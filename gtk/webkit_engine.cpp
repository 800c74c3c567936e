#include "gtk/webkit_engine.h"

#include "browser/address_fixup.h"
#include "browser/folder_listing.h"
#include "platform/atomic_file.h"
#include "platform/runtime_error.h"

#include <glib/gstdio.h>
#include <gtk/gtkunixprint.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>

namespace driftway::gtk {

namespace {

using platform::OleCmd;

constexpr int kFileAccessError = 75; // path/file access error
constexpr const char* kOfflineFilterId = "driftway-offline";
constexpr int kWaitMs = 30000;

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

platform::RuntimeError not_supported()
{
    return platform::RuntimeError(platform::error::kNotSupported, "Object doesn't support this action");
}

platform::RuntimeError cancelled()
{
    return platform::RuntimeError(platform::error::kDialogCancelled, "Cancel was selected.");
}

// Runs the main loop until done() holds or the time is up, the way a modal
// dialog keeps the program alive while it waits. Returns whether done() holds.
bool run_until(const std::function<bool()>& done, int timeout_ms)
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

std::string env_dir(const char* variable, const char* fallback_under_home)
{
    if (const char* value = std::getenv(variable); value && *value == '/')
        return value;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : g_get_home_dir()) + "/" + fallback_under_home;
}

std::string data_dir()
{
    return env_dir("XDG_DATA_HOME", ".local/share") + "/Driftway";
}

std::string cache_dir()
{
    return env_dir("XDG_CACHE_HOME", ".cache") + "/Driftway";
}

bool is_network_uri(const std::string& uri)
{
    const std::string scheme = browser::uri_scheme(uri);
    return scheme == "http" || scheme == "https" || scheme == "ws" || scheme == "wss" || scheme == "ftp";
}

bool has_gpu()
{
    GDir* dir = g_dir_open("/dev/dri", 0, nullptr);
    if (!dir)
        return false;
    bool found = false;
    while (const char* name = g_dir_read_name(dir))
        if (g_str_has_prefix(name, "renderD"))
            found = true;
    g_dir_close(dir);
    return found;
}

WebKitSettings* shared_settings(Acceleration acceleration)
{
    // One settings object for every view of the process: the options are the
    // program's, not a window's.
    static WebKitSettings* const settings = [acceleration] {
        WebKitSettings* s = webkit_settings_new();
        WebKitHardwareAccelerationPolicy policy = WEBKIT_HARDWARE_ACCELERATION_POLICY_ON_DEMAND;
        if (acceleration == Acceleration::Never || (acceleration == Acceleration::Auto && !has_gpu()))
            policy = WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER;
        webkit_settings_set_hardware_acceleration_policy(s, policy);
        webkit_settings_set_zoom_text_only(s, TRUE);
        webkit_settings_set_enable_developer_extras(s, FALSE);
        return s;
    }();
    return settings;
}

// The process-wide compiled content rule that blocks every network request
// of the views whose content manager carries it. Views of one opener group
// share a content manager (the engine hands a page-opened view its opener's),
// so the rule is installed while any engine of the group is offline.
struct OfflineFilter {
    WebKitUserContentFilterStore* store = nullptr;
    WebKitUserContentFilter* filter = nullptr;
    bool compiling = false;
    bool failed = false;
    std::map<WebKitUserContentManager*, int> offline_members;
};

OfflineFilter& offline_filter()
{
    static OfflineFilter state;
    return state;
}

void offline_filter_compiled(GObject* store, GAsyncResult* result, gpointer)
{
    auto& state = offline_filter();
    GError* error = nullptr;
    state.filter =
        webkit_user_content_filter_store_save_finish(WEBKIT_USER_CONTENT_FILTER_STORE(store), result, &error);
    state.compiling = false;
    if (!state.filter) {
        state.failed = true;
        g_warning("The offline content rule could not be compiled: %s",
                  error ? error->message : "unknown error");
        g_clear_error(&error);
        return;
    }
    for (const auto& [manager, count] : state.offline_members)
        if (count > 0)
            webkit_user_content_manager_add_filter(manager, state.filter);
}

void ensure_offline_filter()
{
    auto& state = offline_filter();
    if (state.filter || state.compiling)
        return;
    // Content rules take no alternation, so each scheme gets its own rule.
    static const char rules[] = R"([
        {"trigger": {"url-filter": "^https?:"}, "action": {"type": "block"}},
        {"trigger": {"url-filter": "^wss?:"}, "action": {"type": "block"}},
        {"trigger": {"url-filter": "^ftp:"}, "action": {"type": "block"}}
    ])";
    if (!state.store) {
        const std::string path = cache_dir() + "/content-rules";
        state.store = webkit_user_content_filter_store_new(path.c_str());
    }
    state.compiling = true;
    state.failed = false;
    GBytesPtr bytes(g_bytes_new_static(rules, sizeof rules - 1));
    webkit_user_content_filter_store_save(state.store, kOfflineFilterId, bytes.get(), nullptr,
                                          offline_filter_compiled, nullptr);
}

void offline_member_joined(WebKitUserContentManager* manager)
{
    auto& state = offline_filter();
    if (++state.offline_members[manager] > 1)
        return;
    if (state.filter)
        webkit_user_content_manager_add_filter(manager, state.filter);
    else
        ensure_offline_filter();
}

void offline_member_left(WebKitUserContentManager* manager)
{
    auto& state = offline_filter();
    const auto it = state.offline_members.find(manager);
    if (it == state.offline_members.end())
        return;
    if (--it->second > 0)
        return;
    state.offline_members.erase(it);
    webkit_user_content_manager_remove_filter_by_id(manager, kOfflineFilterId);
}

std::string offline_page(const std::string& uri)
{
    const std::string shown = browser::html_escape(browser::readable_name(uri));
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Working offline</title>"
           "<style>body{font-family:sans-serif;margin:3em;max-width:40em}</style></head><body>"
           "<h1>This page is not available offline</h1>"
           "<p>Driftway is working offline, so it does not connect to the network. To load <b>" +
           shown +
           "</b>, turn off Work Offline in the File menu and refresh the page.</p>"
           "</body></html>";
}

std::string error_page(const std::string& uri, const std::string& reason)
{
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Cannot show this page</title>"
           "<style>body{font-family:sans-serif;margin:3em;max-width:40em}code{word-break:break-all}</style>"
           "</head><body><h1>Cannot show this page</h1><p><code>" +
           browser::html_escape(browser::readable_name(uri)) + "</code></p><p>" +
           browser::html_escape(browser::readable_name(reason)) +
           "</p><p>Check the address, or try again later with Refresh.</p></body></html>";
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

gpointer hold(const PendingPtr& pending)
{
    return new PendingPtr(pending);
}

PendingPtr release(gpointer data)
{
    std::unique_ptr<PendingPtr> holder(static_cast<PendingPtr*>(data));
    return *holder;
}

void free_pending(gpointer data, GClosure*)
{
    release(data);
}

void resource_data_ready(GObject* resource, GAsyncResult* result, gpointer data)
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

void page_archive_ready(GObject* view, GAsyncResult* result, gpointer data)
{
    const PendingPtr pending = release(data);
    GError* error = nullptr;
    pending->stream.reset(webkit_web_view_save_finish(WEBKIT_WEB_VIEW(view), result, &error));
    if (!pending->stream)
        pending->error = error ? error->message : "no data";
    g_clear_error(&error);
    pending->done = true;
}

void print_failed(WebKitPrintOperation*, GError* error, gpointer data)
{
    auto& pending = *static_cast<PendingPtr*>(data);
    pending->error = error ? error->message : "unknown error";
}

void print_finished(WebKitPrintOperation*, gpointer data)
{
    (*static_cast<PendingPtr*>(data))->done = true;
}

PendingPtr watch_print(WebKitPrintOperation* operation)
{
    auto pending = std::make_shared<Pending>();
    g_signal_connect_data(operation, "failed", G_CALLBACK(print_failed), hold(pending), free_pending,
                          GConnectFlags(0));
    g_signal_connect_data(operation, "finished", G_CALLBACK(print_finished), hold(pending), free_pending,
                          GConnectFlags(0));
    return pending;
}

std::string read_stream(GInputStream* stream, std::string& error)
{
    GObjectPtr<GOutputStream> memory(g_memory_output_stream_new_resizable());
    GError* gerror = nullptr;
    const gssize copied = g_output_stream_splice(
        memory.get(), stream,
        GOutputStreamSpliceFlags(G_OUTPUT_STREAM_SPLICE_CLOSE_SOURCE | G_OUTPUT_STREAM_SPLICE_CLOSE_TARGET),
        nullptr, &gerror);
    if (copied < 0) {
        error = gerror ? gerror->message : "read error";
        g_clear_error(&gerror);
        return {};
    }
    auto* out = G_MEMORY_OUTPUT_STREAM(memory.get());
    return std::string(static_cast<const char*>(g_memory_output_stream_get_data(out)),
                       g_memory_output_stream_get_data_size(out));
}

std::string certificate_text(GTlsCertificate* certificate, GTlsCertificateFlags errors)
{
    char* subject_name = nullptr;
    char* issuer_name = nullptr;
    GDateTime* not_after = nullptr;
    g_object_get(certificate, "subject-name", &subject_name, "issuer-name", &issuer_name, "not-valid-after",
                 &not_after, nullptr);
    const GCharPtr subject(subject_name);
    const GCharPtr issuer(issuer_name);
    std::string text = "Encrypted (TLS)";
    if (subject)
        text += "; certificate for " + std::string(subject.get());
    if (issuer)
        text += ", issued by " + std::string(issuer.get());
    if (not_after) {
        GCharPtr date(g_date_time_format(not_after, "%Y-%m-%d"));
        text += ", valid until " + std::string(date.get());
        g_date_time_unref(not_after);
    }
    text += ".";
    if (errors != 0)
        text += " The certificate was not accepted as valid.";
    return text;
}

} // namespace

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

WebKitWebContext* shared_web_context()
{
    // Lives as long as the process: every view of every window shares it, so
    // they share one network process, one cache and one cookie store.
    static WebKitWebContext* const context = [] {
        const std::string data = data_dir();
        const std::string cache = cache_dir();
        GObjectPtr<WebKitWebsiteDataManager> manager(webkit_website_data_manager_new(
            "base-data-directory", data.c_str(), "base-cache-directory", cache.c_str(), nullptr));
        WebKitWebContext* c = webkit_web_context_new_with_website_data_manager(manager.get());
        // A document browser keeps smaller memory caches and no page cache:
        // going back reloads from the disk cache instead of keeping whole
        // pages alive in memory.
        webkit_web_context_set_cache_model(c, WEBKIT_CACHE_MODEL_DOCUMENT_BROWSER);
        WebKitCookieManager* cookies = webkit_website_data_manager_get_cookie_manager(manager.get());
        const std::string cookie_file = data + "/cookies.sqlite";
        g_mkdir_with_parents(data.c_str(), 0700);
        webkit_cookie_manager_set_persistent_storage(cookies, cookie_file.c_str(),
                                                     WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
        webkit_cookie_manager_set_accept_policy(cookies, WEBKIT_COOKIE_POLICY_ACCEPT_NO_THIRD_PARTY);
        return c;
    }();
    return context;
}

WebKitEngine::WebKitEngine(EngineOptions options, WebKitEngine* related)
    : m_options(std::move(options)), m_opener(related)
{
    WebKitSettings* settings = shared_settings(m_options.acceleration);
    GtkWidget* widget;
    if (related) {
        // A related view must share its opener's content manager: WebKit
        // gives a page-opened view its opener's content rules in any case.
        m_content_manager = ref_gobject(related->m_content_manager.get());
        widget = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", related->view(), "settings",
                                         settings, "user-content-manager", m_content_manager.get(), nullptr));
    } else {
        m_content_manager.reset(webkit_user_content_manager_new());
        widget =
            GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", shared_web_context(), "settings",
                                    settings, "user-content-manager", m_content_manager.get(), nullptr));
    }
    m_view.reset(WEBKIT_WEB_VIEW(g_object_ref_sink(widget)));
    m_page_setup.reset(gtk_page_setup_new());
    m_print_settings.reset(gtk_print_settings_new());

    WebKitWebView* view = m_view.get();
    m_signals.connect(view, "load-changed", on_load_changed, this);
    m_signals.connect(view, "load-failed", on_load_failed, this);
    m_signals.connect(view, "notify::title", on_title_changed, this);
    m_signals.connect(view, "mouse-target-changed", on_mouse_target_changed, this);
    m_signals.connect(webkit_web_view_get_back_forward_list(view), "changed", on_back_forward_changed, this);
    m_signals.connect(view, "create", on_create, this);
    m_signals.connect(view, "ready-to-show", on_ready_to_show_signal, this);
    m_signals.connect(view, "close", on_close_signal, this);
    m_signals.connect(view, "decide-policy", on_decide_policy, this);
    m_signals.connect(webkit_web_view_get_context(view), "download-started", on_download_started, this);
    m_signals.connect(view, "web-process-terminated", on_web_process_terminated, this);
    m_signals.connect(view, "permission-request", on_permission_request, this);
    m_signals.connect(view, "authenticate", on_authenticate, this);
    WebKitFindController* finder = webkit_web_view_get_find_controller(view);
    m_signals.connect(finder, "found-text", on_found_text, this);
    m_signals.connect(finder, "failed-to-find-text", on_failed_to_find, this);

    // A window a page opened starts offline when its opener is. Should the
    // content rule be missing, main-frame loads are still held back.
    if (related && related->m_offline) {
        try {
            SetOffline(true);
        } catch (const platform::RuntimeError&) {
        }
    }
}

WebKitEngine::~WebKitEngine()
{
    m_signals.disconnect_all();
    // A download belongs to its window: closing the window ends it, and the
    // engine removes its partial file.
    for (auto& download : m_downloads) {
        download->signals.disconnect_all();
        webkit_download_cancel(download->download.get());
        if (!download->part_path.empty())
            g_remove(download->part_path.c_str());
    }
    if (m_offline)
        offline_member_left(m_content_manager.get());
    m_preview.reset();
    m_properties.reset();
}

// ---- Operations

void WebKitEngine::Navigate2(const std::string& address, platform::NavFlags)
{
    // The engine keeps no "no history" load; the only such loads are a
    // window's first, which has no entry before it anyway.
    const auto fixed = browser::fixup_address(address, browser::real_local_files());
    if (!fixed)
        throw platform::RuntimeError(platform::error::kInvalidCall,
                                     "Script addresses are not opened from the address box, a favourite "
                                     "or the command line.");
    if (fixed->empty())
        return;
    m_load_requested = true;
    webkit_web_view_load_uri(m_view.get(), fixed->c_str());
}

void WebKitEngine::GoBack()
{
    if (webkit_web_view_can_go_back(m_view.get()))
        webkit_web_view_go_back(m_view.get());
}

void WebKitEngine::GoForward()
{
    if (webkit_web_view_can_go_forward(m_view.get()))
        webkit_web_view_go_forward(m_view.get());
}

void WebKitEngine::GoHome()
{
    std::string page = m_options.home_page ? m_options.home_page() : std::string();
    Navigate2(page.empty() ? "about:blank" : page);
}

void WebKitEngine::GoSearch()
{
    std::string page = m_options.search_page ? m_options.search_page() : std::string();
    Navigate2(page.empty() ? "about:blank" : page);
}

void WebKitEngine::Stop()
{
    webkit_web_view_stop_loading(m_view.get());
}

void WebKitEngine::Refresh()
{
    webkit_web_view_reload(m_view.get());
}

void WebKitEngine::ExecWB(OleCmd cmd, platform::OleExecOpt, std::optional<int> in, std::optional<int>* out)
{
    WebKitWebView* view = m_view.get();
    switch (cmd) {
    case OleCmd::SaveAs:
        run_save_as();
        return;
    case OleCmd::Print:
        print_with_dialog();
        return;
    case OleCmd::PrintPreview:
        show_print_preview();
        return;
    case OleCmd::PageSetup:
        run_page_setup();
        return;
    case OleCmd::Properties:
        show_properties();
        return;
    case OleCmd::Cut:
        webkit_web_view_execute_editing_command(view, WEBKIT_EDITING_COMMAND_CUT);
        return;
    case OleCmd::Copy:
        webkit_web_view_execute_editing_command(view, WEBKIT_EDITING_COMMAND_COPY);
        return;
    case OleCmd::Paste:
        webkit_web_view_execute_editing_command(view, WEBKIT_EDITING_COMMAND_PASTE);
        return;
    case OleCmd::SelectAll:
        webkit_web_view_execute_editing_command(view, WEBKIT_EDITING_COMMAND_SELECT_ALL);
        return;
    case OleCmd::ClearSelection:
        run_javascript("window.getSelection().removeAllRanges();");
        return;
    case OleCmd::Zoom:
        if (in) {
            if (*in < 0 || *in > 4)
                throw platform::RuntimeError(platform::error::kInvalidCall,
                                             "Invalid procedure call or argument");
            m_zoom_level = *in;
            webkit_web_view_set_zoom_level(view, kZoomLevels[m_zoom_level]);
        } else if (out) {
            *out = m_zoom_level;
        }
        return;
    case OleCmd::Stop:
        webkit_web_view_stop_loading(view);
        return;
    }
    throw not_supported();
}

int WebKitEngine::QueryStatusWB(OleCmd cmd)
{
    switch (cmd) {
    case OleCmd::Print:
    case OleCmd::PrintPreview: {
        const char* uri = webkit_web_view_get_uri(m_view.get());
        const bool loaded = uri && *uri;
        return platform::kOleCmdFSupported | (loaded ? platform::kOleCmdFEnabled : 0);
    }
    case OleCmd::SaveAs:
    case OleCmd::PageSetup:
    case OleCmd::Properties:
    case OleCmd::Cut:
    case OleCmd::Copy:
    case OleCmd::Paste:
    case OleCmd::SelectAll:
    case OleCmd::ClearSelection:
    case OleCmd::Zoom:
    case OleCmd::Stop:
        return platform::kOleCmdFSupported | platform::kOleCmdFEnabled;
    }
    throw not_supported();
}

std::string WebKitEngine::LocationName() const
{
    const char* title = webkit_web_view_get_title(m_view.get());
    if (title && *title)
        return title;
    return LocationURL();
}

std::string WebKitEngine::LocationURL() const
{
    const char* uri = webkit_web_view_get_uri(m_view.get());
    return uri ? uri : "";
}

bool WebKitEngine::Busy() const
{
    return webkit_web_view_is_loading(m_view.get());
}

void WebKitEngine::SetOffline(bool offline)
{
    if (offline == m_offline)
        return;
    m_offline = offline;
    if (!offline) {
        offline_member_left(m_content_manager.get());
        return;
    }
    offline_member_joined(m_content_manager.get());
    // The promise is "no network request from now on": wait for the rule.
    const std::weak_ptr<int> alive = m_life;
    run_until([] { return offline_filter().filter || offline_filter().failed; }, kWaitMs);
    if (alive.expired())
        return;
    if (!offline_filter().filter) {
        m_offline = false;
        offline_member_left(m_content_manager.get());
        throw platform::RuntimeError(platform::error::kEngineFailure,
                                     "The engine could not block network access.");
    }
}

void WebKitEngine::SetFocus()
{
    gtk_widget_grab_focus(widget());
}

// ---- Page commands

GtkWindow* WebKitEngine::toplevel() const
{
    GtkWidget* top = gtk_widget_get_toplevel(widget());
    return (top && gtk_widget_is_toplevel(top) && GTK_IS_WINDOW(top)) ? GTK_WINDOW(top) : nullptr;
}

void WebKitEngine::run_javascript(const std::string& script)
{
    webkit_web_view_evaluate_javascript(m_view.get(), script.c_str(), static_cast<gssize>(script.size()),
                                        nullptr, nullptr, nullptr, nullptr, nullptr);
}

void WebKitEngine::run_save_as()
{
    const auto target = choose_save_target(
        toplevel(),
        suggested_file_name(LocationName() == LocationURL() ? "" : LocationName(), LocationURL()));
    if (!target)
        throw cancelled();
    save_page(target->path, target->kind);
}

void WebKitEngine::save_page(const std::string& path, SaveKind kind)
{
    auto pending = std::make_shared<Pending>();
    const std::weak_ptr<int> alive = m_life;
    if (kind == SaveKind::Complete) {
        webkit_web_view_save(m_view.get(), WEBKIT_SAVE_MODE_MHTML, nullptr, page_archive_ready,
                             hold(pending));
    } else {
        WebKitWebResource* resource = webkit_web_view_get_main_resource(m_view.get());
        if (!resource)
            throw platform::RuntimeError(kFileAccessError, "There is no page to save.");
        webkit_web_resource_get_data(resource, nullptr, resource_data_ready, hold(pending));
    }
    if (!run_until([&] { return pending->done; }, kWaitMs))
        throw platform::RuntimeError(platform::error::kEngineFailure,
                                     "The engine did not hand over the page in time.");
    if (alive.expired())
        throw platform::RuntimeError(platform::error::kEngineFailure,
                                     "The window was closed while the page was being saved.");
    std::string content;
    if (pending->error.empty()) {
        if (pending->stream) {
            content = read_stream(pending->stream.get(), pending->error);
        } else if (pending->bytes) {
            gsize size = 0;
            const auto* data = static_cast<const char*>(g_bytes_get_data(pending->bytes.get(), &size));
            content.assign(data ? data : "", size);
        }
    }
    if (!pending->error.empty())
        throw platform::RuntimeError(platform::error::kEngineFailure,
                                     "The page could not be read for saving: " + pending->error);
    if (const auto failure = platform::write_file_atomic(path, content))
        throw platform::RuntimeError(kFileAccessError,
                                     "The page could not be saved as " + path + ": " + *failure);
}

void WebKitEngine::set_page_setup(GtkPageSetup* setup)
{
    if (setup)
        m_page_setup = ref_gobject(setup);
}

void WebKitEngine::print_with_dialog()
{
    // The print dialog is run here and the page then printed as print_to_file
    // prints it: the engine's own dialog path printed landscape pages empty.
    GtkWidget* dialog = gtk_print_unix_dialog_new(nullptr, toplevel());
    auto* chooser = GTK_PRINT_UNIX_DIALOG(dialog);
    gtk_print_unix_dialog_set_embed_page_setup(chooser, TRUE);
    gtk_print_unix_dialog_set_page_setup(chooser, m_page_setup.get());
    gtk_print_unix_dialog_set_settings(chooser, m_print_settings.get());
    gtk_print_unix_dialog_set_manual_capabilities(
        chooser,
        static_cast<GtkPrintCapabilities>(GTK_PRINT_CAPABILITY_PAGE_SET | GTK_PRINT_CAPABILITY_COPIES |
                                          GTK_PRINT_CAPABILITY_COLLATE | GTK_PRINT_CAPABILITY_REVERSE |
                                          GTK_PRINT_CAPABILITY_SCALE | GTK_PRINT_CAPABILITY_NUMBER_UP |
                                          GTK_PRINT_CAPABILITY_NUMBER_UP_LAYOUT));
    const std::weak_ptr<int> alive = m_life;
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    if (alive.expired() || response != GTK_RESPONSE_OK) {
        gtk_widget_destroy(dialog);
        if (alive.expired())
            return;
        throw cancelled();
    }
    // The dialog's choices are kept for the next print and preview.
    GObjectPtr<GtkPrintSettings> settings(gtk_print_unix_dialog_get_settings(chooser));
    if (GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(chooser))
        gtk_print_settings_set_printer(settings.get(), gtk_printer_get_name(printer));
    m_page_setup = ref_gobject(gtk_print_unix_dialog_get_page_setup(chooser));
    m_print_settings = std::move(settings);
    gtk_widget_destroy(dialog);
    print_now(m_print_settings.get(), 10 * kWaitMs);
}

void WebKitEngine::print_to_file(const std::string& pdf_path)
{
    GObjectPtr<GtkPrintSettings> settings(gtk_print_settings_copy(m_print_settings.get()));
    GError* error = nullptr;
    GCharPtr uri(g_filename_to_uri(pdf_path.c_str(), nullptr, &error));
    GErrorPtr owned_error(error);
    if (!uri)
        throw platform::RuntimeError(platform::error::kInvalidCall,
                                     "Not a usable file name for printing: " + pdf_path);
    gtk_print_settings_set_printer(settings.get(), "Print to File");
    gtk_print_settings_set(settings.get(), GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
    gtk_print_settings_set(settings.get(), GTK_PRINT_SETTINGS_OUTPUT_URI, uri.get());
    print_now(settings.get(), 4 * kWaitMs);
}

void WebKitEngine::print_now(GtkPrintSettings* settings, int timeout_ms)
{
    GObjectPtr<WebKitPrintOperation> operation(webkit_print_operation_new(m_view.get()));
    webkit_print_operation_set_page_setup(operation.get(), m_page_setup.get());
    webkit_print_operation_set_print_settings(operation.get(), settings);
    const PendingPtr pending = watch_print(operation.get());
    webkit_print_operation_print(operation.get());
    if (!run_until([&] { return pending->done; }, timeout_ms))
        throw platform::RuntimeError(platform::error::kEngineFailure, "Printing did not finish in time.");
    if (!pending->error.empty())
        throw platform::RuntimeError(platform::error::kEngineFailure, "Printing failed: " + pending->error);
}

void WebKitEngine::show_print_preview()
{
    GError* error = nullptr;
    char* temp_path = nullptr;
    const int fd = g_file_open_tmp("driftway-preview-XXXXXX.pdf", &temp_path, &error);
    GErrorPtr owned_error(error);
    GCharPtr owned_path(temp_path);
    if (fd < 0)
        throw platform::RuntimeError(kFileAccessError,
                                     std::string("No room for the preview: ") + error->message);
    close(fd);
    const std::weak_ptr<int> alive = m_life;
    try {
        print_to_file(temp_path);
    } catch (...) {
        g_remove(temp_path);
        throw;
    }
    if (alive.expired()) {
        g_remove(temp_path);
        return;
    }
    // The preview's Print button runs inside a GTK signal handler, where no
    // error may escape: failures are told, a cancelled dialog is not.
    m_preview = std::make_unique<PrintPreviewWindow>(toplevel(), temp_path, [this] {
        try {
            print_with_dialog();
        } catch (const platform::RuntimeError& e) {
            if (e.number() != platform::error::kDialogCancelled)
                tell_error(e.description());
        }
    });
}

void WebKitEngine::run_page_setup()
{
    GtkPageSetup* chosen =
        gtk_print_run_page_setup_dialog(toplevel(), m_page_setup.get(), m_print_settings.get());
    // The dialog hands back a new setup, or the old one unchanged on cancel.
    if (chosen)
        m_page_setup.reset(chosen);
}

PageProperties WebKitEngine::page_properties()
{
    PageProperties properties;
    const char* title = webkit_web_view_get_title(m_view.get());
    properties.title = title ? title : "";
    properties.address = LocationURL();
    if (WebKitWebResource* resource = webkit_web_view_get_main_resource(m_view.get())) {
        if (WebKitURIResponse* response = webkit_web_resource_get_response(resource)) {
            const char* mime = webkit_uri_response_get_mime_type(response);
            properties.mime_type = mime ? mime : "";
        }
        auto pending = std::make_shared<Pending>();
        const std::weak_ptr<int> alive = m_life;
        webkit_web_resource_get_data(resource, nullptr, resource_data_ready, hold(pending));
        run_until([&] { return pending->done; }, kWaitMs);
        if (alive.expired())
            throw platform::RuntimeError(platform::error::kEngineFailure, "The window was closed.");
        if (pending->bytes)
            properties.size = g_bytes_get_size(pending->bytes.get());
    }
    const std::string scheme = browser::uri_scheme(properties.address);
    if (scheme == "https") {
        GTlsCertificate* certificate = nullptr;
        GTlsCertificateFlags errors = GTlsCertificateFlags(0);
        if (webkit_web_view_get_tls_info(m_view.get(), &certificate, &errors) && certificate)
            properties.security = certificate_text(certificate, errors);
        else
            properties.security = "Encrypted (TLS); no certificate information.";
    } else if (scheme == "http") {
        properties.security = "Not encrypted: others on the network can read and change this page.";
    } else if (scheme == "file") {
        properties.security = "Local file: no network connection.";
    } else {
        properties.security = "No network connection.";
    }
    return properties;
}

void WebKitEngine::show_properties()
{
    const PageProperties properties = page_properties();
    m_properties = std::make_unique<PropertiesWindow>(toplevel(), properties);
}

void WebKitEngine::show_own_page(const std::string& html, const std::string& uri)
{
    m_own_page_loading = true;
    webkit_web_view_load_alternate_html(m_view.get(), html.c_str(), uri.c_str(), uri.c_str());
}

void WebKitEngine::replace_with_folder_listing(const std::string& uri)
{
    const auto path = browser::path_from_file_uri(uri);
    if (!path)
        return;
    const std::string html = browser::folder_listing_html(*path, browser::read_folder(*path));
    GVariantDict arguments;
    g_variant_dict_init(&arguments, nullptr);
    g_variant_dict_insert(&arguments, "html", "s", html.c_str());
    static const char body[] = "document.open(); document.write(html); document.close();";
    webkit_web_view_call_async_javascript_function(m_view.get(), body, -1, g_variant_dict_end(&arguments),
                                                   nullptr, nullptr, nullptr, nullptr, nullptr);
}

// ---- Signal handlers

void WebKitEngine::report_navigation(const std::string& address)
{
    m_reported_uri = address;
    call_hook(hooks.before_navigate, address);
}

void WebKitEngine::on_load_changed(WebKitWebView* view, WebKitLoadEvent event, gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    const char* uri = webkit_web_view_get_uri(view);
    const std::string address = uri ? uri : "";
    // The engine keeps a page's address to itself until the page commits
    // when the page, not the user, started the load: at the start of a link
    // navigation the view still names the old page. Such a load is reported
    // when it commits; loads we asked for are reported when they start.
    switch (event) {
    case WEBKIT_LOAD_STARTED:
        self->m_committed = false;
        self->m_failed = false;
        if (!address.empty() && (address != self->m_committed_uri || self->m_load_requested)) {
            self->m_load_requested = false;
            self->report_navigation(address);
        }
        break;
    case WEBKIT_LOAD_REDIRECTED:
        if (!address.empty() && address != self->m_reported_uri)
            self->report_navigation(address);
        break;
    case WEBKIT_LOAD_COMMITTED:
        self->m_committed = true;
        self->m_own_page_loading = false;
        if (!address.empty() && address != self->m_reported_uri)
            self->report_navigation(address);
        self->m_committed_uri = address;
        call_hook(self->hooks.navigate_complete);
        break;
    case WEBKIT_LOAD_FINISHED:
        if (!self->m_failed && browser::uri_scheme(address) == "file") {
            const auto path = browser::path_from_file_uri(address);
            if (path && browser::real_local_files().kind(*path) == browser::PathKind::Folder)
                self->replace_with_folder_listing(address);
        }
        call_hook(self->hooks.download_complete);
        break;
    }
}

gboolean WebKitEngine::on_load_failed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                                      gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    self->m_failed = true;
    const std::string address = uri ? uri : "";
    // A page of our own that fails is not replaced by another.
    if (self->m_own_page_loading)
        return FALSE;
    // While offline the content rule stops every network load; the page then
    // says why.
    if (self->m_offline && is_network_uri(address)) {
        self->show_own_page(offline_page(address), address);
        return TRUE;
    }
    // A stopped load or a download keeps the page that was there.
    if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
        g_error_matches(error, WEBKIT_POLICY_ERROR,
                        WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE))
        return FALSE;
    if (const auto path = browser::path_from_file_uri(address);
        path && browser::real_local_files().kind(*path) == browser::PathKind::Folder) {
        self->show_own_page(browser::folder_listing_html(*path, browser::read_folder(*path)), address);
        return TRUE;
    }
    // The engine's own error page is shown under "about:blank"; ours keeps
    // the address that failed, so the user can mend it and the window names it.
    if (address.empty())
        return FALSE;
    if (!g_uri_is_valid(address.c_str(), G_URI_FLAGS_NONE, nullptr)) {
        // Text that is no address at all gets the engine's page, which it
        // shows as "about:blank"; the window keeps naming what was typed.
        self->report_navigation(address);
        self->m_reported_uri = "about:blank";
        self->m_committed_uri = "about:blank";
        return FALSE;
    }
    self->show_own_page(error_page(address, error ? error->message : "unknown error"), address);
    return TRUE;
}

void WebKitEngine::on_title_changed(GObject*, GParamSpec*, gpointer data)
{
    // A title that arrives (or changes) after the page committed is news for
    // the window title, as a completed download would be.
    auto* self = static_cast<WebKitEngine*>(data);
    if (self->m_committed)
        call_hook(self->hooks.download_complete);
}

void WebKitEngine::on_mouse_target_changed(WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    std::string text;
    if (webkit_hit_test_result_context_is_link(hit)) {
        const char* uri = webkit_hit_test_result_get_link_uri(hit);
        text = uri ? uri : "";
    }
    if (text == self->m_status_text)
        return;
    self->m_status_text = text;
    call_hook(self->hooks.status_text_change, text);
}

void WebKitEngine::on_back_forward_changed(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer,
                                           gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    WebKitWebView* view = self->m_view.get();
    call_hook(self->hooks.command_state_change, platform::kCscBack,
              webkit_web_view_can_go_back(view) != FALSE);
    call_hook(self->hooks.command_state_change, platform::kCscForward,
              webkit_web_view_can_go_forward(view) != FALSE);
}

GtkWidget* WebKitEngine::on_create(WebKitWebView*, WebKitNavigationAction* action, gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    auto* other = dynamic_cast<WebKitEngine*>(call_hook(self->hooks.new_window));
    if (!other)
        return nullptr;
    if (other->m_opener != self) {
        // A window whose view is not related to ours cannot take the page
        // over; it gets the address instead.
        WebKitURIRequest* request = webkit_navigation_action_get_request(action);
        const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
        if (uri && *uri)
            webkit_web_view_load_uri(other->view(), uri);
        call_hook(other->on_ready_to_show);
        return nullptr;
    }
    return other->widget();
}

void WebKitEngine::on_ready_to_show_signal(WebKitWebView*, gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    call_hook(self->on_ready_to_show);
}

void WebKitEngine::on_close_signal(WebKitWebView*, gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    call_hook(self->on_close_request);
}

gboolean WebKitEngine::on_decide_policy(WebKitWebView*, WebKitPolicyDecision* decision,
                                        WebKitPolicyDecisionType type, gpointer)
{
    // What the engine cannot show, or the server marks as an attachment, is
    // offered for download.
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        auto* response_decision = WEBKIT_RESPONSE_POLICY_DECISION(decision);
        WebKitURIResponse* response = webkit_response_policy_decision_get_response(response_decision);
        SoupMessageHeaders* headers = response ? webkit_uri_response_get_http_headers(response) : nullptr;
        const char* disposition =
            headers ? soup_message_headers_get_one(headers, "Content-Disposition") : nullptr;
        const bool attachment = disposition && g_ascii_strncasecmp(disposition, "attachment", 10) == 0;
        if (attachment || !webkit_response_policy_decision_is_mime_type_supported(response_decision)) {
            webkit_policy_decision_download(decision);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

// ---- Downloads

void WebKitEngine::on_download_started(WebKitWebContext*, WebKitDownload* download, gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    if (webkit_download_get_web_view(download) != self->m_view.get())
        return;
    auto entry = std::make_unique<Download>();
    entry->engine = self;
    entry->download = ref_gobject(download);
    Download* d = entry.get();
    d->signals.connect(download, "decide-destination", on_decide_destination, d);
    d->signals.connect(download, "notify::estimated-progress", on_download_progress, d);
    d->signals.connect(download, "failed", on_download_failed, d);
    d->signals.connect(download, "finished", on_download_finished, d);
    self->m_downloads.push_back(std::move(entry));
}

gboolean WebKitEngine::on_decide_destination(WebKitDownload* download, gchar* suggested, gpointer data)
{
    auto* d = static_cast<Download*>(data);
    WebKitEngine* self = d->engine;
    std::string name = suggested && *suggested ? suggested : "download";
    std::optional<std::string> path;
    if (self->choose_download_path) {
        path = call_hook(self->choose_download_path, name);
    } else {
        GtkWidget* dialog = gtk_file_chooser_dialog_new(
            "Save File", self->toplevel(), GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel", GTK_RESPONSE_CANCEL,
            "_Save", GTK_RESPONSE_ACCEPT, nullptr);
        gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(dialog), TRUE);
        gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), name.c_str());
        if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
            GCharPtr chosen(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog)));
            if (chosen)
                path = chosen.get();
        }
        gtk_widget_destroy(dialog);
    }
    if (!path) {
        webkit_download_cancel(download);
        return TRUE;
    }
    // The engine writes to a partial file beside the target, and only a
    // complete transfer is renamed to the name the user chose.
    std::string part = *path + ".part";
    for (int n = 2; g_file_test(part.c_str(), G_FILE_TEST_EXISTS); ++n)
        part = *path + "." + std::to_string(n) + ".part";
    GCharPtr uri(g_filename_to_uri(part.c_str(), nullptr, nullptr));
    if (!uri) {
        webkit_download_cancel(download);
        return TRUE;
    }
    GCharPtr base(g_path_get_basename(path->c_str()));
    d->name = browser::readable_name(base.get());
    d->final_path = *path;
    d->part_path = part;
    webkit_download_set_allow_overwrite(download, FALSE);
    webkit_download_set_destination(download, uri.get());
    return TRUE;
}

void WebKitEngine::on_download_progress(GObject*, GParamSpec*, gpointer data)
{
    auto* d = static_cast<Download*>(data);
    const int percent = static_cast<int>(webkit_download_get_estimated_progress(d->download.get()) * 100.0);
    if (percent == d->shown_percent || d->name.empty())
        return;
    d->shown_percent = percent;
    d->engine->set_status("Downloading " + d->name + ": " + std::to_string(percent) + "%");
}

void WebKitEngine::on_download_failed(WebKitDownload*, GError* error, gpointer data)
{
    auto* d = static_cast<Download*>(data);
    d->failed = true;
    if (g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER)) {
        d->engine->set_status("");
        return;
    }
    d->engine->download_failed(*d, error ? error->message : "unknown error");
}

void WebKitEngine::download_failed(Download& d, const std::string& reason)
{
    d.failed = true;
    if (!d.part_path.empty())
        g_remove(d.part_path.c_str());
    const std::string message =
        "The download of " + (d.name.empty() ? "a file" : d.name) + " failed: " + reason;
    set_status(message);
    tell_error(message);
}

void WebKitEngine::on_download_finished(WebKitDownload* download, gpointer data)
{
    auto* d = static_cast<Download*>(data);
    WebKitEngine* self = d->engine;
    if (!d->failed && !d->part_path.empty()) {
        // A connection that ends early is reported by the engine as a
        // finished download; the promised length tells the truth.
        WebKitURIResponse* response = webkit_download_get_response(download);
        const guint64 promised = response ? webkit_uri_response_get_content_length(response) : 0;
        const guint64 received = webkit_download_get_received_data_length(download);
        if (promised > 0 && received != promised) {
            self->download_failed(*d, "the connection ended after " + std::to_string(received) + " of " +
                                          std::to_string(promised) + " bytes");
        } else if (g_rename(d->part_path.c_str(), d->final_path.c_str()) != 0) {
            self->download_failed(*d, g_strerror(errno));
        } else {
            self->set_status("Download complete: " + d->name);
        }
    }
    self->forget_download(d);
}

void WebKitEngine::forget_download(Download* download)
{
    std::erase_if(m_downloads, [download](const auto& d) { return d.get() == download; });
}

void WebKitEngine::set_status(const std::string& text)
{
    m_status_text = text;
    call_hook(hooks.status_text_change, text);
}

void WebKitEngine::tell_error(const std::string& message)
{
    if (report_error) {
        call_hook(report_error, message);
        return;
    }
    GtkWidget* box = gtk_message_dialog_new(toplevel(), GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_ERROR,
                                            GTK_BUTTONS_OK, "%s", message.c_str());
    gtk_window_set_title(GTK_WINDOW(box), "Driftway");
    g_signal_connect(box, "response", G_CALLBACK(gtk_widget_destroy), nullptr);
    gtk_widget_show(box);
}

// ---- Find in page

void WebKitEngine::find(const std::string& text, FindDirection direction)
{
    WebKitFindController* finder = webkit_web_view_get_find_controller(m_view.get());
    if (text.empty()) {
        end_find();
        return;
    }
    if (text == m_find_text) {
        if (direction == FindDirection::Next)
            webkit_find_controller_search_next(finder);
        else
            webkit_find_controller_search_previous(finder);
        return;
    }
    m_find_text = text;
    guint32 options = WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND;
    if (direction == FindDirection::Previous)
        options |= WEBKIT_FIND_OPTIONS_BACKWARDS;
    webkit_find_controller_search(finder, text.c_str(), options, G_MAXUINT);
}

void WebKitEngine::end_find()
{
    m_find_text.clear();
    webkit_find_controller_search_finish(webkit_web_view_get_find_controller(m_view.get()));
}

void WebKitEngine::on_found_text(WebKitFindController*, guint matches, gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    call_hook(self->on_find_result, matches == 0 ? 1 : matches);
}

void WebKitEngine::on_failed_to_find(WebKitFindController*, gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    // A new search starts from the top when the text is tried again.
    self->m_find_text.clear();
    call_hook(self->on_find_result, 0);
}

void WebKitEngine::on_web_process_terminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                             gpointer data)
{
    // Without this the view would stay blank, looking like a page that
    // never finished; the page says what happened and Refresh loads it again.
    auto* self = static_cast<WebKitEngine*>(data);
    const std::string address = self->LocationURL();
    const char* why = reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT
                          ? "The page used more memory than the system allows and was stopped."
                          : "The part of the engine that showed this page stopped working.";
    if (address.empty() || !g_uri_is_valid(address.c_str(), G_URI_FLAGS_NONE, nullptr))
        return;
    self->show_own_page(error_page(address, why), address);
}

// ---- Requests of the page

gboolean WebKitEngine::on_permission_request(WebKitWebView* view, WebKitPermissionRequest* request,
                                             gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    if (WEBKIT_IS_POINTER_LOCK_PERMISSION_REQUEST(request)) {
        webkit_permission_request_allow(request);
        return TRUE;
    }
    const char* uri = webkit_web_view_get_uri(view);
    std::string site = "This page";
    if (GUri* parsed = uri ? g_uri_parse(uri, G_URI_FLAGS_NONE, nullptr) : nullptr) {
        if (const char* host = g_uri_get_host(parsed); host && *host)
            site = host;
        g_uri_unref(parsed);
    }
    std::string question;
    if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) {
        question = "Allow " + site + " to know your location?";
    } else if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) {
        question = "Allow " + site + " to show notifications?";
    } else if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) {
        auto* media = WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request);
        const bool camera = webkit_user_media_permission_is_for_video_device(media);
        const bool microphone = webkit_user_media_permission_is_for_audio_device(media);
        question = "Allow " + site + " to use your " +
                   (camera && microphone ? "camera and microphone"
                    : camera             ? "camera"
                                         : "microphone") +
                   "?";
    } else {
        webkit_permission_request_deny(request);
        return TRUE;
    }
    bool allowed;
    if (self->ask_permission) {
        allowed = call_hook(self->ask_permission, question);
    } else {
        GtkWidget* box = gtk_message_dialog_new(self->toplevel(), GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION,
                                                GTK_BUTTONS_NONE, "%s", question.c_str());
        gtk_dialog_add_buttons(GTK_DIALOG(box), "_Deny", GTK_RESPONSE_NO, "_Allow", GTK_RESPONSE_YES,
                               nullptr);
        gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_NO);
        gtk_window_set_title(GTK_WINDOW(box), "Driftway");
        const std::weak_ptr<int> alive = self->m_life;
        allowed = gtk_dialog_run(GTK_DIALOG(box)) == GTK_RESPONSE_YES;
        gtk_widget_destroy(box);
        if (alive.expired())
            return TRUE;
    }
    if (allowed)
        webkit_permission_request_allow(request);
    else
        webkit_permission_request_deny(request);
    return TRUE;
}

gboolean WebKitEngine::on_authenticate(WebKitWebView*, WebKitAuthenticationRequest* request, gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    if (!self->ask_credentials)
        return FALSE;
    const char* host = webkit_authentication_request_get_host(request);
    const char* realm = webkit_authentication_request_get_realm(request);
    const auto answer =
        call_hook(self->ask_credentials, std::string(host ? host : ""), std::string(realm ? realm : ""));
    if (!answer) {
        webkit_authentication_request_cancel(request);
        return TRUE;
    }
    WebKitCredential* credential = webkit_credential_new(answer->user.c_str(), answer->password.c_str(),
                                                         WEBKIT_CREDENTIAL_PERSISTENCE_FOR_SESSION);
    webkit_authentication_request_authenticate(request, credential);
    webkit_credential_free(credential);
    return TRUE;
}

} // namespace driftway::gtk
