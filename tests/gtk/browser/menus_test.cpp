// The menu commands in a real main window: New Window starts a second
// process with the address as one argument, clipboard keys go to a focused
// text field, and full-screen mode survives its own maximize but not a later
// resize (with a window manager running).
#include "platform/gtk/app.h"
#include "platform/gtk/engine_factory.h"
#include "platform/gtk/main_window.h"
#include "tests/gtk/common/wait.h"
#include "tests/gtk/common/x_input.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <gtkmm/clipboard.h>
#include <gtkmm/entry.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

using namespace driftway;
using namespace driftway::platform::gtk;
using driftway::testing::TempDir;
using driftway::testing::wait_until;

namespace {

// Processes whose command line has exactly these arguments after argv[0].
std::vector<int> find_processes(const std::string& program, const std::vector<std::string>& args)
{
    std::vector<int> pids;
    for (const auto& e : std::filesystem::directory_iterator("/proc")) {
        const std::string name = e.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream in(e.path() / "cmdline", std::ios::binary);
        std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::string> argv;
        std::string::size_type start = 0;
        while (start < all.size()) {
            const auto end = all.find('\0', start);
            argv.push_back(all.substr(start, end - start));
            start = end == std::string::npos ? all.size() : end + 1;
        }
        if (argv.empty() || argv[0] != program)
            continue;
        if (std::vector<std::string>(argv.begin() + 1, argv.end()) == args)
            pids.push_back(std::stoi(name));
    }
    return pids;
}

class MenusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* v : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "DRIFTWAY_FAVORITES"})
            m_env.push_back(std::make_unique<driftway::testing::ScopedEnv>(v, (m_dir.path() / v).string()));
        m_app = std::make_unique<App>(make_webkit_engine, "");
        m_app->set_quit_on_last(false);
        m_app->start();
        ASSERT_TRUE(wait_until([&] { return window().get_mapped(); }));
    }

    MainWindow& window() { return *m_app->windows().front(); }

    TempDir m_dir;
    std::vector<std::unique_ptr<driftway::testing::ScopedEnv>> m_env;
    std::unique_ptr<App> m_app;
};

TEST_F(MenusTest, NewWindowStartsAProcessWithTheAddressAsOneArgument)
{
    // A page whose address holds blanks, quotes, ";" and "$(...)".
    const auto page = m_dir.write("odd name; $(touch HACKED) 'q'.html", "<title>Odd</title>odd");
    const std::string url = "file://" + page.string();
    window().frm().set_program_path(DRIFTWAY_BINARY);
    window().frm().engine().Navigate2(url);
    ASSERT_TRUE(wait_until([&] { return window().frm().engine().LocationName() == "Odd"; }));
    const std::string address = window().frm().engine().LocationURL();

    window().frm().menu_activated("mnuFItem", 0, false);
    std::vector<int> pids;
    EXPECT_TRUE(wait_until(
        [&] {
            pids = find_processes(DRIFTWAY_BINARY, {address});
            return !pids.empty();
        },
        10000));
    for (int pid : pids) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    EXPECT_FALSE(std::filesystem::exists("HACKED"));
    EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "HACKED"));
}

TEST_F(MenusTest, ClipboardKeysActOnTheFocusedAddressBox)
{
    auto& w = window();
    auto* entry = w.address_box().get_entry();
    int ox = 0, oy = 0;
    entry->get_window()->get_origin(ox, oy);
    const auto ea = entry->get_allocation();
    ASSERT_TRUE(driftway::testing::focus_by_pointer(ox + ea.get_x() + 5, oy + ea.get_y() + 5));
    ASSERT_TRUE(wait_until([&] { return w.has_toplevel_focus(); }, 5000));
    w.focus_address_box();
    entry->set_text("copy me from the box");
    ASSERT_TRUE(driftway::testing::press_key("ctrl+a"));
    int start = 0, end = 0;
    EXPECT_TRUE(wait_until([&] { return entry->get_selection_bounds(start, end) && end - start == 20; }, 5000));
    ASSERT_TRUE(driftway::testing::press_key("ctrl+c"));
    auto clipboard = Gtk::Clipboard::get();
    std::string text;
    EXPECT_TRUE(wait_until(
        [&] {
            text = clipboard->wait_for_text();
            return text == "copy me from the box";
        },
        5000))
        << text;
}

// Starts a small window manager for the window-state test, when one is there.
class WindowManager {
public:
    WindowManager()
    {
        if (!g_find_program_in_path("openbox"))
            return;
        gchar* argv[] = {const_cast<gchar*>("openbox"), const_cast<gchar*>("--sm-disable"), nullptr};
        g_spawn_async(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &m_pid, nullptr);
        driftway::testing::pump_for(1000);
    }
    ~WindowManager()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool running() const { return m_pid > 0; }

private:
    GPid m_pid = 0;
};

TEST_F(MenusTest, FullScreenSurvivesItsOwnMaximizeButNotALaterResize)
{
    WindowManager wm;
    if (!wm.running())
        GTEST_SKIP() << "no window manager (openbox) on this machine";
    auto& w = window();
    w.frm().menu_activated("mnuVItem", 12, false);
    ASSERT_TRUE(wait_until([&] { return w.window_state() == browser::WindowState::Maximized; }, 10000));
    driftway::testing::pump_for(500);
    EXPECT_TRUE(w.frm().bFullSc());
    EXPECT_FLOAT_EQ(w.frm().layout().toolbar_height, 15);
    EXPECT_FLOAT_EQ(w.frm().layout().browser.top, 0);

    // The user restores the window: that resize ends full-screen mode.
    w.unmaximize();
    EXPECT_TRUE(wait_until([&] { return !w.frm().bFullSc(); }, 10000));
    EXPECT_FLOAT_EQ(w.frm().layout().toolbar_height, 495);
    EXPECT_FALSE(w.menus().checked("mnuVItem", 12));
}

}  // namespace

namespace {

TEST_F(MenusTest, CtrlFOpensTheFindBarWhichSaysWhenNothingIsFound)
{
    auto& w = window();
    const auto page = m_dir.write("find.html", "<title>Find</title><p>alpha beta alpha</p>");
    w.frm().NavNow("file://" + page.string());
    ASSERT_TRUE(wait_until([&] { return w.frm().engine().LocationName() == "Find"; }, 20000));
    auto* entry = w.address_box().get_entry();
    int ox = 0, oy = 0;
    entry->get_window()->get_origin(ox, oy);
    const auto ea = entry->get_allocation();
    ASSERT_TRUE(driftway::testing::focus_by_pointer(ox + ea.get_x() + 5, oy + ea.get_y() + 5));
    ASSERT_TRUE(wait_until([&] { return w.has_toplevel_focus(); }, 5000));

    ASSERT_TRUE(driftway::testing::press_key("ctrl+f"));
    ASSERT_TRUE(wait_until([&] { return w.find_bar_open() && w.find_entry().has_focus(); }, 5000));
    EXPECT_FALSE(w.status_label().get_visible());
    ASSERT_TRUE(driftway::testing::type_text("alpha"));
    ASSERT_TRUE(wait_until([&] { return w.find_entry().get_text() == "alpha"; }, 5000));
    driftway::testing::pump_for(500);
    EXPECT_EQ(w.find_result().get_text(), "");
    ASSERT_TRUE(driftway::testing::press_key("F3"));  // wraps round without complaint
    driftway::testing::pump_for(300);
    EXPECT_EQ(w.find_result().get_text(), "");

    ASSERT_TRUE(driftway::testing::type_text("zzz"));
    EXPECT_TRUE(wait_until([&] { return w.find_result().get_text() == "Phrase not found"; }, 5000));

    ASSERT_TRUE(driftway::testing::press_key("Escape"));
    EXPECT_TRUE(wait_until([&] { return !w.find_bar_open(); }, 5000));
    EXPECT_TRUE(w.status_label().get_visible());
}

}  // namespace
