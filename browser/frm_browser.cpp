#include "browser/frm_browser.h"

#include "about/publisher.h"
#include "browser/window_title.h"
#include "commands/mod_gen.h"
#include "platform/paths.h"

#include <exception>

namespace driftway::browser {

namespace {

// Runs one step of a handler whose failures are skipped.
template <typename F> void skip_errors(F&& step)
{
    try {
        step();
    } catch (const std::exception&) {
    }
}

std::string publisher_host()
{
    std::string host = about::kPublisherBase;
    if (const auto scheme = host.find("://"); scheme != std::string::npos)
        host.erase(0, scheme + 3);
    if (const auto slash = host.find('/'); slash != std::string::npos)
        host.erase(slash);
    return host;
}

} // namespace

std::string initial_title()
{
    return kTitlePrefix + publisher_host();
}

FrmBrowser::FrmBrowser(std::unique_ptr<Engine> engine, BrowserView& view, WindowFactory& factory)
    : m_engine(std::move(engine)), m_view(view), m_factory(factory)
{
    auto& h = m_engine->hooks;
    h.before_navigate = [this](const std::string& url) { WebBrowser_BeforeNavigate2(url); };
    h.navigate_complete = [this] { WebBrowser_NavigateComplete2(); };
    h.download_complete = [this] { WebBrowser_DownloadComplete(); };
    h.command_state_change = [this](int command, bool enable) {
        WebBrowser_CommandStateChange(command, enable);
    };
    h.status_text_change = [this](const std::string& text) { WebBrowser_StatusTextChange(text); };
    h.new_window = [this] { return WebBrowser_NewWindow2(); };
}

FrmBrowser::~FrmBrowser()
{
    // The engine may outlive this object for a moment inside the toolkit;
    // make sure it can no longer call back.
    if (m_engine)
        m_engine->hooks = {};
}

void FrmBrowser::Form_Load(const std::string& command_line)
{
    m_view.set_title(initial_title());
    m_view.set_status_text(kDefaultStatus);
    skip_errors([&] { m_engine->Navigate2("about:blank", NavFlags::NoHistory); });
    // The page on the command line is asked for before the favourites are
    // read: its engine process then starts on it while a large Favorites
    // folder is being scanned, rather than after. Once both are done the
    // window is the same either way.
    if (!command_line.empty())
        skip_errors([&] { NavNow(command_line); });
    skip_errors([&] {
        if (on_load_favorites)
            on_load_favorites();
    });
}

void FrmBrowser::set_client_size(float width, float height)
{
    m_layout.client_width = width;
    m_layout.client_height = height;
}

void FrmBrowser::Form_Resize()
{
    if (form_resize(m_layout, m_view.window_state(), m_full_screen))
        set_menu_checked("mnuVItem", 12, false);
    pane_resize(m_layout);
    m_view.apply_layout(m_layout);
}

void FrmBrowser::Form_Resize_after_own_state_change()
{
    const bool was_full_screen = m_full_screen;
    Form_Resize();
    if (was_full_screen) {
        m_full_screen = true;
        commands::LayOutFullScreen(*this);
        set_menu_checked("mnuVItem", 12, true);
    }
}

std::string FrmBrowser::program_path() const
{
    if (!m_program_path.empty())
        return m_program_path;
    const std::string folder = platform::program_folder();
    return folder + (folder.ends_with('/') ? "" : "/") + "Driftway";
}

bool FrmBrowser::menu_checked(const std::string& set, int index) const
{
    const auto it = m_checked.find({set, index});
    return it != m_checked.end() && it->second;
}

void FrmBrowser::set_menu_checked(const std::string& set, int index, bool checked)
{
    m_checked[{set, index}] = checked;
    m_view.set_menu_checked(set, index, checked);
}

void FrmBrowser::set_menu_enabled(const std::string& set, int index, bool enabled)
{
    m_view.set_menu_enabled(set, index, enabled);
}

void FrmBrowser::set_favourites_pane_visible(bool visible)
{
    m_layout.left_visible = visible;
    m_view.apply_layout(m_layout);
}

void FrmBrowser::set_window_state(commands::WindowState state)
{
    m_view.set_window_state(static_cast<WindowState>(static_cast<int>(state)));
}

void FrmBrowser::set_toolbar_height(float twips)
{
    m_layout.toolbar_height = twips;
    m_view.apply_layout(m_layout);
}

void FrmBrowser::set_status_height(float twips)
{
    m_layout.status_height = twips;
    m_view.apply_layout(m_layout);
}

void FrmBrowser::set_engine_top(float twips)
{
    m_layout.browser.top = twips;
    m_view.apply_layout(m_layout);
}

void FrmBrowser::set_engine_height(float twips)
{
    if (twips >= 0)
        m_layout.browser.height = twips;
    m_view.apply_layout(m_layout);
}

void FrmBrowser::import_bookmarks(const std::string& path)
{
    if (on_import_bookmarks)
        on_import_bookmarks(path);
}

void FrmBrowser::export_favorites(const std::string& path)
{
    if (on_export_favorites)
        on_export_favorites(path);
}

void FrmBrowser::menu_activated(const std::string& set, int index, bool opening)
{
    if (opening)
        commands::DoMenuOpening(set, index, *this);
    else
        commands::DoMenuCommand(set, index, *this);
}

void FrmBrowser::PicLeft_Resize()
{
    pane_resize(m_layout);
    m_view.apply_layout(m_layout);
}

void FrmBrowser::PicLeft_MouseDown()
{
    bSplitDrag = true;
}

void FrmBrowser::PicLeft_MouseMove(float x)
{
    if (!bSplitDrag)
        return;
    splitter_move(m_layout, x);
    m_view.apply_layout(m_layout);
}

void FrmBrowser::PicLeft_MouseUp()
{
    bSplitDrag = false;
}

void FrmBrowser::NavNow(const std::string& completeAddress)
{
    m_view.set_address_text(completeAddress);
    cboAddress_Click();
}

void FrmBrowser::NavSite(const std::string& sitePage)
{
    m_view.set_address_text(std::string(about::kPublisherBase) + sitePage);
    cboAddress_Click();
}

void FrmBrowser::cboAddress_Click()
{
    if (bHistUpdate)
        return;
    start_timer();
    m_engine->Navigate2(m_view.address_text());
    m_engine->SetFocus();
}

void FrmBrowser::cboAddress_KeyPress(int key_ascii)
{
    if (key_ascii == 13)
        skip_errors([&] { cboAddress_Click(); });
}

void FrmBrowser::cboAddress_KeyUp(int key_code, int shift)
{
    constexpr int kKeyV = 86;
    constexpr int kCtrlMask = 2;
    if (key_code == kKeyV && shift == kCtrlMask)
        skip_errors([&] { m_view.set_address_text(m_view.clipboard_text().value_or("")); });
}

void FrmBrowser::start_timer()
{
    m_timer_running = true;
    m_view.start_timer();
}

void FrmBrowser::stop_timer()
{
    m_timer_running = false;
    m_view.stop_timer();
}

void FrmBrowser::timTimer_Timer()
{
    if (m_engine->Busy()) {
        m_view.set_title(kWorkingTitle);
        return;
    }
    stop_timer();
    set_title_from_location();
}

void FrmBrowser::set_title_from_location()
{
    m_view.set_title(kTitlePrefix + safe_title(m_engine->LocationName()));
}

void FrmBrowser::WebBrowser_BeforeNavigate2(const std::string& url)
{
    skip_errors([&] { m_view.set_title(kTitlePrefix + safe_title(url)); });
    bHistUpdate = true;
    skip_errors([&] {
        const HistoryChange change = m_history.visit(url);
        m_view.address_list_visited(m_history.entries(), change);
        // Selecting an entry raises the box's Click, which does nothing while
        // the list is being rewritten.
        cboAddress_Click();
    });
    bHistUpdate = false;
}

void FrmBrowser::WebBrowser_NavigateComplete2()
{
    set_title_from_location();
}

void FrmBrowser::WebBrowser_DownloadComplete()
{
    skip_errors([&] { set_title_from_location(); });
}

void FrmBrowser::WebBrowser_CommandStateChange(int command, bool enable)
{
    skip_errors([&] {
        if (command == platform::kCscForward)
            m_view.set_menu_enabled("mnuVItem", 5, enable);
        else if (command == platform::kCscBack)
            m_view.set_menu_enabled("mnuVItem", 4, enable);
    });
}

void FrmBrowser::WebBrowser_StatusTextChange(const std::string& text)
{
    m_view.set_status_text(text.empty() ? kDefaultStatus : text);
}

Engine* FrmBrowser::WebBrowser_NewWindow2()
{
    FrmBrowser* other = m_factory.create_main_window(m_engine.get());
    if (!other)
        return nullptr;
    const auto [left, top] = m_view.position();
    other->m_view.move_to(left + twips::kNewWindowOffset, top + twips::kNewWindowOffset);
    other->m_view.show();
    return &other->engine();
}

} // namespace driftway::browser
