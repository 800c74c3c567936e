#pragma once

#include "browser/address_history.h"
#include "browser/browser_view.h"
#include "browser/engine.h"
#include "browser/layout.h"

#include <functional>
#include <memory>
#include <string>

namespace driftway::browser {

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

// The program's command line with at most its first two double quotes removed.
std::string strip_command_line_quotes(std::string text);

// The title the window shows before its first navigation.
std::string initial_title();

// The logic of one main window: start-up, layout, splitter, address box and
// navigation, the engine's events. Toolkit work goes through BrowserView.
class FrmBrowser {
public:
    FrmBrowser(std::unique_ptr<Engine> engine, BrowserView& view, WindowFactory& factory);
    virtual ~FrmBrowser();
    FrmBrowser(const FrmBrowser&) = delete;
    FrmBrowser& operator=(const FrmBrowser&) = delete;

    // Runs the load steps; command_line is the program's arguments joined by
    // single blanks.
    void Form_Load(const std::string& command_line);

    // Layout.
    void Form_Resize();
    void set_client_size(float width, float height);
    void PicLeft_Resize();
    void PicLeft_MouseDown();
    void PicLeft_MouseMove(float x);
    void PicLeft_MouseUp();

    // Address box and navigation.
    void NavNow(const std::string& completeAddress);
    void NavSite(const std::string& sitePage);
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

    Engine& engine() { return *m_engine; }
    const Engine& engine() const { return *m_engine; }
    BrowserView& view() { return m_view; }
    Layout& layout() { return m_layout; }
    const AddressHistory& history() const { return m_history; }

    bool bFullSc = false;
    bool bHistUpdate = false;
    bool bSplitDrag = false;

    bool timer_running() const { return m_timer_running; }
    void start_timer();
    void stop_timer();

protected:
    void set_title_from_location();

    std::unique_ptr<Engine> m_engine;
    BrowserView& m_view;
    WindowFactory& m_factory;
    Layout m_layout;
    AddressHistory m_history;
    bool m_timer_running = false;
};

}  // namespace driftway::browser
