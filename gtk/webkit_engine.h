#pragma once

#include "browser/status_text.h"
#include "gtk/gobject_ptr.h"
#include "gtk/page_dialogs.h"
#include "gtk/web_context.h"
#include "platform/engine.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace driftway::gtk {

// Settings shared by every engine of the process.
struct EngineOptions {
    Acceleration acceleration = Acceleration::Auto;
    // The home and search pages, read each time they are needed; empty or an
    // empty answer means "about:blank".
    std::function<std::string()> home_page;
    std::function<std::string()> search_page;
};

// The engine of one main window: a WebKitWebView driven through the
// operations of platform::Engine, its signals turned into the engine hooks.
class WebKitEngine : public platform::Engine {
public:
    // A view of its own (related == nullptr), or one related to the engine
    // whose page asked for a new window: only such a view can be handed back
    // from that request, and it starts with its opener's offline state.
    explicit WebKitEngine(EngineOptions options = {}, WebKitEngine* related = nullptr);
    ~WebKitEngine() override;
    WebKitEngine(const WebKitEngine&) = delete;
    WebKitEngine& operator=(const WebKitEngine&) = delete;

    // The engine's widget, to be packed into the window (owned by the engine;
    // the container holds a reference of its own).
    GtkWidget* widget() const { return GTK_WIDGET(m_view.get()); }
    WebKitWebView* view() const { return m_view.get(); }

    // Further events of the view beyond the engine hooks: a page-opened view
    // is ready to be shown; a page asked to close its window.
    std::function<void()> on_ready_to_show;
    std::function<void()> on_close_request;

    // Downloads of what the engine cannot show: where to save a file
    // (nullopt cancels; when empty, a save dialog asks), and where failures
    // are told (when empty, a message box). Progress goes to the status text.
    std::function<std::optional<std::string>(const std::string& suggested_name)> choose_download_path;
    std::function<void(const std::string& message)> report_error;

    // Questions a page's requests put to the user. When empty, a message box
    // asks for permissions (location, notifications, camera and microphone;
    // everything else is refused) and the engine's own dialog asks for a
    // sign-in.
    std::function<bool(const std::string& question)> ask_permission;
    struct Credentials {
        std::string user;
        std::string password;
    };
    std::function<std::optional<Credentials>(const std::string& host, const std::string& realm)>
        ask_credentials;

    // Finds text in the page without regard to case, wrapping at either
    // end; the number of matches (0: none) arrives through on_find_result.
    void find(const std::string& text, FindDirection direction);
    void end_find();
    std::function<void(unsigned matches)> on_find_result;

    // platform::Engine
    void Navigate2(const std::string& address, platform::NavFlags flags = platform::NavFlags::None) override;
    void GoBack() override;
    void GoForward() override;
    void GoHome() override;
    void GoSearch() override;
    void Stop() override;
    void Refresh() override;
    void ExecWB(platform::OleCmd cmd, platform::OleExecOpt opt, std::optional<int> in = std::nullopt,
                std::optional<int>* out = nullptr) override;
    int QueryStatusWB(platform::OleCmd cmd) override;
    std::string LocationName() const override;
    std::string LocationURL() const override;
    bool Busy() const override;
    bool Offline() const override { return m_offline; }
    void SetOffline(bool offline) override;
    void SetFocus() override;

    // The steps behind the dialogs, callable without them. Each waits for the
    // engine and throws platform::RuntimeError when it fails.
    void save_page(const std::string& path, SaveKind kind);
    void print_to_file(const std::string& pdf_path);
    PageProperties page_properties();
    void show_print_preview();
    PrintPreviewWindow* print_preview() const { return m_preview.get(); }
    PropertiesWindow* properties_window() const { return m_properties.get(); }
    GtkPageSetup* page_setup() const { return m_page_setup.get(); }
    void set_page_setup(GtkPageSetup* setup);

    // The text zoom levels of ExecWB 19; level 2 is 100 %.
    static constexpr double kZoomLevels[5] = {0.75, 0.9, 1.0, 1.2, 1.5};

private:
    // Navigation and the view's other signals (webkit_engine.cpp).
    static void on_load_changed(WebKitWebView*, WebKitLoadEvent event, gpointer self);
    static gboolean on_load_failed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, gpointer self);
    static void on_title_changed(GObject*, GParamSpec*, gpointer self);
    static void on_mouse_target_changed(WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer self);
    static void on_back_forward_changed(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer,
                                        gpointer self);
    static gboolean on_navigation_decision(WebKitWebView*, WebKitPolicyDecision* decision,
                                           WebKitPolicyDecisionType type, gpointer self);
    static gboolean on_user_input(GtkWidget*, GdkEvent*, gpointer self);
    static GtkWidget* on_create(WebKitWebView*, WebKitNavigationAction* action, gpointer self);
    static void on_ready_to_show_signal(WebKitWebView*, gpointer self);
    static void on_close_signal(WebKitWebView*, gpointer self);
    void report_navigation(const std::string& address);
    void show_start_page();
    void tell_status();
    void run_javascript(const std::string& script);
    GtkWindow* toplevel() const;
    void tell_error(const std::string& message);
    void set_status(const std::string& text);

    // The engine's own pages (engine_pages.cpp).
    void show_own_page(const std::string& html, const std::string& uri);
    void replace_with_folder_listing(const std::string& uri);

    // Page commands (engine_saving.cpp, engine_properties.cpp, engine_printing.cpp).
    void run_save_as();
    void show_properties();
    void print_with_dialog();
    void print_now(GtkPrintSettings* settings, int timeout_ms);
    void run_page_setup();

    // Downloads (engine_downloads.cpp).
    struct Download;
    static gboolean on_decide_policy(WebKitWebView*, WebKitPolicyDecision* decision,
                                     WebKitPolicyDecisionType type, gpointer self);
    static void on_download_started(WebKitWebContext*, WebKitDownload* download, gpointer self);
    static gboolean on_decide_destination(WebKitDownload*, gchar* suggested, gpointer download);
    static void on_download_progress(GObject*, GParamSpec*, gpointer download);
    static void on_download_failed(WebKitDownload*, GError* error, gpointer download);
    static void on_download_finished(WebKitDownload*, gpointer download);
    void forget_download(Download* download);
    void download_failed(Download& download, const std::string& reason);

    // Find in page (engine_find.cpp).
    static void on_found_text(WebKitFindController*, guint matches, gpointer self);
    static void on_failed_to_find(WebKitFindController*, gpointer self);

    // Requests of the page (engine_page_requests.cpp).
    static void on_web_process_terminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                          gpointer self);
    static gboolean on_permission_request(WebKitWebView*, WebKitPermissionRequest* request, gpointer self);
    static gboolean on_authenticate(WebKitWebView*, WebKitAuthenticationRequest* request, gpointer self);

    EngineOptions m_options;
    const WebKitEngine* m_opener;
    // Expires with the engine: a wait that runs the main loop checks it
    // before touching the engine again.
    std::shared_ptr<int> m_life = std::make_shared<int>(0);
    GObjectPtr<WebKitWebView> m_view;
    GObjectPtr<WebKitUserContentManager> m_content_manager;
    GObjectPtr<GtkPageSetup> m_page_setup;
    GObjectPtr<GtkPrintSettings> m_print_settings;
    std::unique_ptr<PrintPreviewWindow> m_preview;
    std::unique_ptr<PropertiesWindow> m_properties;
    std::vector<std::unique_ptr<Download>> m_downloads;
    SignalConnections m_signals;
    browser::StatusText m_status;
    std::string m_find_text;
    std::string m_reported_uri;  // the address before_navigate named last
    std::string m_committed_uri; // the address of the page shown
    std::string m_decided_uri;   // the address of the last navigation the engine let go ahead
    std::string m_started_uri;   // the address of the load in progress
    bool m_load_requested = false;
    bool m_offline = false;
    bool m_committed = false;
    bool m_failed = false;
    bool m_own_page_loading = false; // an offline, error or folder page of ours
    int m_zoom_level = 2;
    // Windows the page may still open: one per click or key press.
    int m_popup_allowance = 0;
};

} // namespace driftway::gtk
