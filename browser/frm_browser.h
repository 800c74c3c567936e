#pragma once

#include "browser/address_history.h"
#include "browser/browser_view.h"
#include "browser/layout.h"
#include "commands/command_context.h"
#include "platform/engine.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace driftway::browser {

// The engine interface lives with the other platform interfaces, below the
// command module that also drives it.
using platform::Engine;
using platform::NavFlags;

class FrmBrowser;

// Creates further main windows inside the process (new-window requests, Open
// Folder). The new window is loaded but not yet shown.
class WindowFactory {
public:
    virtual ~WindowFactory() = default;
    // related: the engine whose page asked for the window, or nullptr.
    virtual FrmBrowser* create_main_window(Engine* related) = 0;
};

inline constexpr const char* kTitlePrefix = "Driftway\u2122 - ";
inline constexpr const char* kWorkingTitle = "Driftway\u2122 - Working...";
inline constexpr const char* kDefaultStatus = "Driftway by Quillmere \u2014 light, fast browsing.";

// The title the window shows before its first navigation.
std::string initial_title();

// The logic of one main window: start-up, layout, splitter, address box and
// navigation, the engine's events. Toolkit work goes through BrowserView.
class FrmBrowser : public commands::CommandContext {
public:
    FrmBrowser(std::unique_ptr<Engine> engine, BrowserView& view, WindowFactory& factory);
    ~FrmBrowser() override;
    FrmBrowser(const FrmBrowser&) = delete;
    FrmBrowser& operator=(const FrmBrowser&) = delete;

    // Runs the load steps; command_line is the one address this window was
    // started with (one program argument, taken whole), or empty.
    void Form_Load(const std::string& command_line);

    // Layout.
    void Form_Resize() override;
    // The resize that the window's own maximize for full-screen mode brings:
    // it runs the layout as any resize does, then full-screen mode goes on.
    void Form_Resize_after_own_state_change();
    void set_client_size(float width, float height);
    void PicLeft_Resize();
    void PicLeft_MouseDown();
    void PicLeft_MouseMove(float x);
    void PicLeft_MouseUp();

    // Address box and navigation.
    void NavNow(const std::string& completeAddress) override;
    void NavSite(const std::string& sitePage) override;
    void cboAddress_Click();
    void cboAddress_KeyPress(int key_ascii);
    void cboAddress_KeyUp(int key_code, int shift);
    void timTimer_Timer();

    // Engine events.
    void WebBrowser_BeforeNavigate2(const std::string& url);
    void WebBrowser_NavigateComplete2();
    void WebBrowser_DownloadComplete();
    void WebBrowser_CommandStateChange(int command, bool enable);
    void WebBrowser_StatusTextChange(const std::string& text);
    Engine* WebBrowser_NewWindow2();

    Engine& engine() override { return *m_engine; }
    const Engine& engine() const { return *m_engine; }
    BrowserView& view() { return m_view; }
    Layout& layout() { return m_layout; }
    const AddressHistory& history() const { return m_history; }

    bool bHistUpdate = false;
    bool bSplitDrag = false;

    bool timer_running() const { return m_timer_running; }
    void start_timer();
    void stop_timer();

    // What the menu commands may touch of this window.
    platform::Prompts& prompts() override { return m_view.prompts(); }
    platform::Shell& shell() override { return m_view.shell(); }
    std::string program_path() const override;
    // The executable New Window starts; the running one unless set.
    void set_program_path(std::string path) { m_program_path = std::move(path); }
    void close_window() override { m_view.close(); }
    void set_title_from_location() override;
    void start_busy_timer() override { start_timer(); }
    void stop_busy_timer() override { stop_timer(); }
    bool menu_checked(const std::string& set, int index) const override;
    void set_menu_checked(const std::string& set, int index, bool checked) override;
    void set_menu_enabled(const std::string& set, int index, bool enabled) override;
    bool favourites_pane_visible() const override { return m_layout.left_visible; }
    void set_favourites_pane_visible(bool visible) override;
    bool bFullSc() const override { return m_full_screen; }
    void set_bFullSc(bool value) override { m_full_screen = value; }
    void set_window_state(commands::WindowState state) override;
    void set_toolbar_height(float twips) override;
    void set_status_height(float twips) override;
    float engine_top() const override { return m_layout.browser.top; }
    void set_engine_top(float twips) override;
    void set_engine_height(float twips) override;
    float inner_height() const override { return m_layout.client_height; }
    void import_bookmarks(const std::string& path) override;
    void export_favorites(const std::string& path) override;

    // Where the window's favourites code plugs in: the load step that fills
    // the favourites tree and menu, and the Tools menu's import and export.
    std::function<void()> on_load_favorites;
    std::function<void(const std::string&)> on_import_bookmarks;
    std::function<void(const std::string&)> on_export_favorites;

    // Runs a designed menu item's command or a menu's opening hook.
    void menu_activated(const std::string& set, int index, bool opening);

protected:
    std::unique_ptr<Engine> m_engine;
    BrowserView& m_view;
    WindowFactory& m_factory;
    Layout m_layout;
    AddressHistory m_history;
    bool m_timer_running = false;
    bool m_full_screen = false;
    std::string m_program_path;
    std::map<std::pair<std::string, int>, bool> m_checked;
};

} // namespace driftway::browser
