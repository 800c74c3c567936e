#include "gtk/app.h"

#include "gtk/main_window.h"
#include "gtk/resources.h"

#include <glibmm/main.h>

#include <algorithm>

namespace driftway::gtk {

App::App(EngineMaker make_engine, std::string command_line)
    : m_make_engine(std::move(make_engine)), m_command_line(std::move(command_line)),
      // The advert's page opens in the first window, which comes to the front.
      m_about_first([this] { about_first().present(); },
                    [this](const std::string& address) { about_first().frm().NavNow(address); })
{
}

MainWindow& App::about_first()
{
    if (!m_first)
        m_first = &new_window(nullptr, "");
    return *m_first;
}

App::~App()
{
    m_reap.disconnect();
}

MainWindow& App::start()
{
    // The first page is asked for before anything else: the icon theme
    // takes a while to read, and the window only needs it when it is shown.
    MainWindow& w = new_window(nullptr, m_command_line);
    add_icons_to_theme();
    // Changes other programs make in the Favorites folder reach every
    // window; none lands while the user is typing a new name.
    m_fav_monitor.hold_while([this] {
        return operation_running() || std::ranges::any_of(m_windows, [](const auto& mw) {
                   return mw->favourites_pane().tree().editing();
               });
    });
    m_fav_monitor.start();
    m_first = &w;
    w.show();
    return w;
}

MainWindow& App::new_window(platform::Engine* related, const std::string& command_line)
{
    auto made = m_make_engine(related);
    auto window = std::make_unique<MainWindow>(*this, std::move(made.engine), made.widget);
    MainWindow& w = *window;
    m_windows.push_back(std::move(window));
    // A page may close (window.close()) only a window that a page opened.
    if (related && made.on_close_request)
        made.on_close_request([&w] { w.close(); });
    w.frm().Form_Load(command_line);
    return w;
}

browser::FrmBrowser* App::create_main_window(platform::Engine* related)
{
    // A window opened for a page's request shows that page; the command line
    // would only race with it.
    return &new_window(related, related ? std::string() : m_command_line).frm();
}

void App::window_closed(MainWindow& window)
{
    if (m_first == &window)
        m_first = nullptr;
    if (std::ranges::find(m_closed, &window) == m_closed.end())
        m_closed.push_back(&window);
    if (!m_reap.connected())
        m_reap = Glib::signal_idle().connect(sigc::mem_fun(*this, &App::reap_closed_windows));
}

bool App::reap_closed_windows()
{
    // Only the main loop itself may destroy a window. Inside a nested loop
    // (a modal dialog, a print dialog) or an operation that runs the
    // toolkit's events, the closed window's own code may still be on the
    // stack and use it when the loop returns: try again a little later.
    if (g_main_depth() > 1 || operation_running()) {
        m_reap = Glib::signal_timeout().connect(sigc::mem_fun(*this, &App::reap_closed_windows), 50);
        return false;
    }
    const std::vector<MainWindow*> closed = std::move(m_closed);
    m_closed.clear();
    m_windows.remove_if(
        [&closed](const auto& w) { return std::ranges::find(closed, w.get()) != closed.end(); });
    if (m_windows.empty() && m_quit_on_last)
        gtk_main_quit();
    return false;
}

void App::open(const std::vector<std::string>& addresses, const std::string& startup_id)
{
    const std::vector<std::string> each = addresses.empty() ? std::vector<std::string>{""} : addresses;
    // The new windows share a page process with a window already open, as a
    // page's own new windows do: no process to start, and little memory.
    platform::Engine* related = m_windows.empty() ? nullptr : &m_windows.front()->frm().engine();
    bool first = true;
    for (const auto& address : each) {
        MainWindow& w = new_window(related, address);
        if (first && !startup_id.empty())
            gtk_window_set_startup_id(w.gobj(), startup_id.c_str());
        first = false;
        w.present();
    }
}

} // namespace driftway::gtk
