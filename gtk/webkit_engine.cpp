#include "gtk/webkit_engine_internal.h"

#include "browser/address_fixup.h"
#include "browser/folder_listing.h"
#include "gtk/gtk_prompts.h"
#include "gtk/web_context.h"

#include <glib/gstdio.h>

#include <memory>
#include <string>

namespace driftway::gtk {

namespace {

using platform::OleCmd;

// Why the engine refused an address without trying it.
std::string refused_reason(const std::string& uri)
{
    std::string reason = "The engine refused to open this address.";
    if (GUri* parsed = g_uri_parse(uri.c_str(), G_URI_FLAGS_NONE, nullptr)) {
        if (const int port = g_uri_get_port(parsed); port > 0)
            reason = "Driftway does not connect to port " + std::to_string(port) +
                     ", which belongs to another kind of service.";
        g_uri_unref(parsed);
    }
    return reason;
}

bool is_network_uri(const std::string& uri)
{
    const std::string scheme = browser::uri_scheme(uri);
    return scheme == "http" || scheme == "https" || scheme == "ws" || scheme == "wss" || scheme == "ftp";
}

} // namespace

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
    m_signals.connect(view, "decide-policy", on_navigation_decision, this);
    m_signals.connect(view, "button-press-event", on_user_input, this);
    m_signals.connect(view, "key-press-event", on_user_input, this);
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

void WebKitEngine::Navigate2(const std::string& address, platform::NavFlags flags)
{
    const auto fixed = browser::fixup_address(address, browser::real_local_files());
    if (!fixed)
        throw platform::RuntimeError(platform::error::kInvalidCall,
                                     "Script addresses are not opened from the address box, a favourite "
                                     "or the command line.");
    if (fixed->empty())
        return;
    if (flags == platform::NavFlags::NoHistory && *fixed == "about:blank" && !m_load_requested &&
        !webkit_web_view_get_uri(m_view.get())) {
        show_start_page();
        return;
    }
    // The engine keeps no other "no history" load: the only one is the
    // first page of a window, which has nothing before it.
    m_load_requested = true;
    webkit_web_view_load_uri(m_view.get(), fixed->c_str());
}

void WebKitEngine::show_start_page()
{
    // A new view is blank already. Loading "about:blank" would leave an
    // entry that Previous goes back to and, in a window a page opened,
    // replace the page the opener asked for; the window hears of the blank
    // page all the same.
    m_committed = true;
    m_committed_uri = "about:blank";
    report_navigation(m_committed_uri);
    call_hook(hooks.command_state_change, platform::kCscBack, false);
    call_hook(hooks.command_state_change, platform::kCscForward, false);
    call_hook(hooks.navigate_complete);
    call_hook(hooks.download_complete);
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
    // A view that has loaded nothing shows the blank start page.
    const char* uri = webkit_web_view_get_uri(m_view.get());
    return uri ? uri : "about:blank";
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
    run_until([] { return offline_filter_ready() || offline_filter_failed(); }, kWaitMs);
    if (alive.expired())
        return;
    if (!offline_filter_ready()) {
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

void WebKitEngine::run_javascript(const std::string& script)
{
    webkit_web_view_evaluate_javascript(m_view.get(), script.c_str(), static_cast<gssize>(script.size()),
                                        nullptr, nullptr, nullptr, nullptr, nullptr);
}

// ---- Telling the window

GtkWindow* WebKitEngine::toplevel() const
{
    GtkWidget* top = gtk_widget_get_toplevel(widget());
    return (top && gtk_widget_is_toplevel(top) && GTK_IS_WINDOW(top)) ? GTK_WINDOW(top) : nullptr;
}

void WebKitEngine::set_status(const std::string& text)
{
    call_hook(hooks.status_text_change, text);
}

void WebKitEngine::tell_status()
{
    call_hook(hooks.status_text_change, m_status.text());
}

void WebKitEngine::tell_error(const std::string& message)
{
    if (report_error) {
        call_hook(report_error, message);
        return;
    }
    GtkWidget* box = gtk_message_dialog_new(toplevel(), GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_ERROR,
                                            GTK_BUTTONS_OK, "%s", message.c_str());
    show_message_icon(GTK_MESSAGE_DIALOG(box), "dialog-error");
    gtk_window_set_title(GTK_WINDOW(box), "Driftway");
    g_signal_connect(box, "response", G_CALLBACK(gtk_widget_destroy), nullptr);
    gtk_widget_show(box);
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
    switch (event) {
    case WEBKIT_LOAD_STARTED: {
        self->m_committed = false;
        self->m_failed = false;
        // When the page, not the user, starts a load (a link, a form, a
        // script) the view still names the old page at this point; the
        // navigation decision named the new one.
        std::string target = address;
        if (!self->m_decided_uri.empty() && (address.empty() || address == self->m_committed_uri))
            target = self->m_decided_uri;
        self->m_decided_uri.clear();
        // A load the window asked for replaces a page of ours not yet shown.
        if (self->m_load_requested)
            self->m_own_page_loading = false;
        self->m_load_requested = false;
        self->m_started_uri = target;
        // A page of ours stands in for an address the window already has.
        if (!target.empty() && !self->m_own_page_loading)
            self->report_navigation(target);
        if (self->m_status.load_started(target))
            self->tell_status();
        break;
    }
    case WEBKIT_LOAD_REDIRECTED:
        self->m_started_uri = address;
        if (!address.empty() && address != self->m_reported_uri)
            self->report_navigation(address);
        break;
    case WEBKIT_LOAD_COMMITTED:
        // The engine refuses some addresses (ports kept for other services)
        // without a failure: it shows a blank page instead.
        if (address == "about:blank" && !self->m_own_page_loading && !self->m_failed &&
            !self->m_started_uri.empty() && self->m_started_uri != address) {
            const std::string refused = self->m_started_uri;
            self->m_started_uri.clear();
            self->show_own_page(error_page(refused, refused_reason(refused)), refused);
            return;
        }
        self->m_committed = true;
        self->m_own_page_loading = false;
        if (!address.empty() && address != self->m_reported_uri)
            self->report_navigation(address);
        self->m_committed_uri = address;
        if (self->m_status.load_committed(address))
            self->tell_status();
        call_hook(self->hooks.navigate_complete);
        break;
    case WEBKIT_LOAD_FINISHED:
        if (!self->m_failed && browser::uri_scheme(address) == "file") {
            const auto path = browser::path_from_file_uri(address);
            if (path && browser::real_local_files().kind(*path) == browser::PathKind::Folder)
                self->replace_with_folder_listing(address);
        }
        if (self->m_status.load_ended())
            self->tell_status();
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
        self->m_own_page_loading = true;
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
    std::string link;
    if (webkit_hit_test_result_context_is_link(hit)) {
        const char* uri = webkit_hit_test_result_get_link_uri(hit);
        link = uri ? uri : "";
    }
    if (self->m_status.hover(link))
        self->tell_status();
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

gboolean WebKitEngine::on_navigation_decision(WebKitWebView*, WebKitPolicyDecision* decision,
                                              WebKitPolicyDecisionType type, gpointer data)
{
    // The decision comes before the load starts and names the address the
    // page is going to. Frames decide too; a frame's load never starts the
    // view's, so its address is not taken for the page's.
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION)
        return FALSE;
    auto* self = static_cast<WebKitEngine*>(data);
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    WebKitURIRequest* request = action ? webkit_navigation_action_get_request(action) : nullptr;
    const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
    self->m_decided_uri = uri ? uri : "";
    return FALSE;
}

gboolean WebKitEngine::on_user_input(GtkWidget*, GdkEvent*, gpointer data)
{
    static_cast<WebKitEngine*>(data)->m_popup_allowance = 1;
    return FALSE;
}

GtkWidget* WebKitEngine::on_create(WebKitWebView*, WebKitNavigationAction* action, gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    // The engine opens no window without a click or key press (its own
    // pop-up blocking); of the windows one gesture asks for, the first is
    // opened and the rest refused without a word, as other browsers do.
    if (self->m_popup_allowance <= 0)
        return nullptr;
    --self->m_popup_allowance;
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

} // namespace driftway::gtk
