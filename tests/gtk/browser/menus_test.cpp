// Menu commands and real keys in a main window: typed addresses, the address
// list, the clipboard and find bar, New Window's second process, and
// full-screen mode against a window manager's resize.
#include "tests/gtk/browser/window_fixture.h"

#include <gtkmm/clipboard.h>
#include <gtkmm/entry.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

using namespace driftway;
using namespace driftway::testing;

namespace {

// Processes whose command line has exactly these arguments after argv[0].
std::vector<int> find_processes(const std::string& program, const std::vector<std::string>& args)
{
    std::vector<std::string> wanted{program};
    wanted.insert(wanted.end(), args.begin(), args.end());
    std::vector<int> pids;
    for (const auto& e : std::filesystem::directory_iterator("/proc")) {
        const std::string name = e.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream in(e.path() / "cmdline", std::ios::binary);
        std::vector<std::string> argv;
        for (std::string arg; std::getline(in, arg, '\0');)
            argv.push_back(arg);
        if (argv == wanted)
            pids.push_back(std::stoi(name));
    }
    return pids;
}

class MenusTest : public WindowTest {
protected:
    void SetUp() override { start(); }
};

TEST_F(MenusTest, TypedAddressesTheClipboardAndFindUseTheRealKeys)
{
    const auto a = m_dir.write("a.html", "<title>Page A</title><p>Alpha beta ALPHA</p>");
    const auto b = m_dir.write("b.html", "<title>Page B</title>B");
    auto& w = window();
    std::vector<std::string> titles;
    w.property_title().signal_changed().connect([&] { titles.push_back(w.get_title()); });

    // Real keys into the address box: Ctrl+L selects it, typing replaces the
    // text, Enter navigates.
    auto* entry = w.address_box().get_entry();
    ASSERT_TRUE(take_keyboard(on_screen(*entry, 5, 5)));
    ASSERT_TRUE(press_key("ctrl+l"));
    ASSERT_TRUE(wait_until([&] { return entry->has_focus(); }, 5000));
    ASSERT_TRUE(type_text(file_url(a)));
    ASSERT_TRUE(wait_until([&] { return entry->get_text() == file_url(a); }, 5000)) << entry->get_text();
    ASSERT_TRUE(press_key("Return"));
    ASSERT_TRUE(wait_title(w, "Page A")) << w.get_title();
    EXPECT_NE(std::find(titles.begin(), titles.end(), "Driftway\u2122 - Working..."), titles.end());
    EXPECT_TRUE(wait_until([&] { return !w.frm().timer_running(); }, 5000));

    w.frm().NavNow(file_url(b));
    ASSERT_TRUE(wait_title(w, "Page B"));
    w.frm().NavNow(file_url(a));
    ASSERT_TRUE(wait_title(w, "Page A"));
    const auto h = address_list(w);
    ASSERT_GE(h.size(), 3u);
    EXPECT_EQ(h[0], file_url(a));
    EXPECT_EQ(h[1], file_url(b));
    EXPECT_EQ(std::count(h.begin(), h.end(), file_url(a)), 1);
    EXPECT_EQ(h.back(), "about:blank") << ::testing::PrintToString(h);

    // Clipboard keys act on the focused address box.
    w.focus_address_box();
    entry->set_text("copy me from the box");
    ASSERT_TRUE(press_key("ctrl+a"));
    int start = 0, end = 0;
    EXPECT_TRUE(
        wait_until([&] { return entry->get_selection_bounds(start, end) && end - start == 20; }, 5000));
    ASSERT_TRUE(press_key("ctrl+c"));
    std::string text;
    EXPECT_TRUE(wait_until(
        [&] { return (text = Gtk::Clipboard::get()->wait_for_text()) == "copy me from the box"; }, 5000))
        << text;

    // The find bar takes the status line's place and says when nothing is found.
    ASSERT_TRUE(press_key("ctrl+f"));
    ASSERT_TRUE(wait_until([&] { return w.find_bar_open() && w.find_entry().has_focus(); }, 5000));
    EXPECT_FALSE(w.status_label().get_visible());
    ASSERT_TRUE(type_text("alpha")); // case does not count
    ASSERT_TRUE(wait_until([&] { return w.find_entry().get_text() == "alpha"; }, 5000));
    pump_for(500);
    EXPECT_EQ(w.find_result().get_text(), "");
    ASSERT_TRUE(press_key("F3")); // wraps round without complaint
    pump_for(300);
    EXPECT_EQ(w.find_result().get_text(), "");
    ASSERT_TRUE(type_text("zzz"));
    EXPECT_TRUE(wait_until([&] { return w.find_result().get_text() == "Phrase not found"; }, 5000));
    ASSERT_TRUE(press_key("Escape"));
    EXPECT_TRUE(wait_until([&] { return !w.find_bar_open(); }, 5000));
    EXPECT_TRUE(w.status_label().get_visible());

    // The list follows every visit: one entry moved to the top, the oldest
    // dropped past the cap.
    auto& frm = w.frm();
    for (int i = 0; i < 1003; ++i)
        frm.WebBrowser_BeforeNavigate2("http://site.example/" + std::to_string(i));
    for (const char* again : {"http://site.example/500", "http://site.example/1002", "http://site.example/3"})
        frm.WebBrowser_BeforeNavigate2(again);
    EXPECT_EQ(frm.history().entries().size(), 1000u);
    EXPECT_EQ(address_list(w), frm.history().entries());
    EXPECT_EQ(w.address_box().get_active_row_number(), 0);
    EXPECT_EQ(w.address_box().get_entry_text(), "http://site.example/3");
}

TEST_F(MenusTest, NewWindowStartsAProcessWithTheAddressAsOneArgument)
{
    // A page whose address holds blanks, quotes, ";" and "$(...)".
    const auto page = m_dir.write("odd name; $(touch HACKED) 'q'.html", "<title>Odd</title>odd");
    window().frm().set_program_path(DRIFTWAY_BINARY);
    window().frm().engine().Navigate2("file://" + page.string());
    ASSERT_TRUE(wait_until([&] { return window().frm().engine().LocationName() == "Odd"; }));
    const std::string address = window().frm().engine().LocationURL();

    window().frm().menu_activated("mnuFItem", 0, false);
    std::vector<int> pids;
    EXPECT_TRUE(
        wait_until([&] { return !(pids = find_processes(DRIFTWAY_BINARY, {address})).empty(); }, 10000));
    for (int pid : pids) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    EXPECT_FALSE(std::filesystem::exists("HACKED"));
    EXPECT_FALSE(std::filesystem::exists(m_dir.path() / "HACKED"));
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
        pump_for(1000);
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
    pump_for(500);
    EXPECT_TRUE(w.frm().bFullSc());
    EXPECT_FLOAT_EQ(w.frm().layout().toolbar_height, 15);
    EXPECT_FLOAT_EQ(w.frm().layout().browser.top, 0);

    // The user restores the window: that resize ends full-screen mode.
    w.unmaximize();
    EXPECT_TRUE(wait_until([&] { return !w.frm().bFullSc(); }, 10000));
    EXPECT_FLOAT_EQ(w.frm().layout().toolbar_height, 495);
    EXPECT_FALSE(w.menus().checked("mnuVItem", 12));
}

} // namespace
