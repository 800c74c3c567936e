#pragma once

#include "browser/frm_browser.h"
#include "favourites/mod_faves.h"
#include "gtk/about_dialog.h"
#include "gtk/favourites_monitor.h"
#include "platform/engine.h"

#include <gtk/gtk.h>

#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include <sigc++/connection.h>

namespace driftway::gtk {

class MainWindow;

// Makes an engine and its widget; related is the engine whose page asked for
// a new window, or nullptr.
struct EngineAndWidget {
    std::unique_ptr<platform::Engine> engine;
    GtkWidget* widget = nullptr;
    // Lets the window learn when its page asks to close it.
    std::function<void(std::function<void()>)> on_close_request;
};
using EngineMaker = std::function<EngineAndWidget(platform::Engine* related)>;

// The process's main windows. The first one is kept as the program's first
// window for as long as it is open.
class App : public browser::WindowFactory {
public:
    // command_line: the one address every window started from the program's
    // own start opens (empty for none).
    App(EngineMaker make_engine, std::string command_line);
    ~App() override;
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Creates, loads and shows the first window.
    MainWindow& start();
    // Opens one shown window per address, in order (one empty window when
    // there is none): the program's further arguments, and what later starts
    // hand over. startup_id is the desktop's start-up notification id of the
    // start that asked, so the desktop lets the first new window take focus.
    void open(const std::vector<std::string>& addresses, const std::string& startup_id = {});

    browser::FrmBrowser* create_main_window(platform::Engine* related) override;
    // Creates and loads a main window without showing it.
    MainWindow& new_window(platform::Engine* related, const std::string& command_line);

    // A window closed; it is destroyed once its handlers have returned and
    // no operation runs the toolkit's events any more (see Operation). The
    // last one to close ends the main loop when quit_on_last is set.
    void window_closed(MainWindow& window);

    // Held for as long as an operation runs the toolkit's events from inside
    // itself: a scan's yields, an import's progress. Meanwhile no closed
    // window is destroyed (code of it may be on the stack), and changes on
    // disk are followed only afterwards.
    class Operation {
    public:
        explicit Operation(App& app) : m_app(app) { ++m_app.m_operations; }
        ~Operation() { --m_app.m_operations; }
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;

    private:
        App& m_app;
    };
    bool operation_running() const { return m_operations > 0; }

    const std::list<std::unique_ptr<MainWindow>>& windows() const { return m_windows; }
    favourites::ModFaves& faves() { return m_faves; }
    // The program's first main window as the About box's adverts reach it:
    // made again when it has closed.
    MainWindow& about_first();
    about::FirstMainWindow& about_first_window() { return m_about_first; }
    const std::string& command_line() const { return m_command_line; }
    MainWindow* first_window() const { return m_first; }
    void set_quit_on_last(bool quit) { m_quit_on_last = quit; }

private:
    bool reap_closed_windows();

    EngineMaker m_make_engine;
    std::string m_command_line;
    favourites::ModFaves m_faves;
    FavouritesMonitor m_fav_monitor{m_faves};
    std::list<std::unique_ptr<MainWindow>> m_windows;
    MainWindow* m_first = nullptr;
    bool m_quit_on_last = true;
    int m_operations = 0;
    std::vector<MainWindow*> m_closed;
    sigc::connection m_reap;
    FirstMainWindowFunctions m_about_first;
};

} // namespace driftway::gtk
