// Main windows with the real engine under Xvfb: start-up on a page, typing an
// address, the history, a page over HTTP, new windows and the status line.
#include "platform/gtk/app.h"
#include "platform/gtk/engine_factory.h"
#include "platform/gtk/main_window.h"
#include "tests/gtk/common/http_server.h"
#include "tests/gtk/common/wait.h"
#include "tests/gtk/common/x_input.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <gdkmm/seat.h>
#include <gtkmm/entry.h>
#include <gtkmm/treemodel.h>

using namespace driftway;
using namespace driftway::platform::gtk;
using driftway::testing::HttpServer;
using driftway::testing::TempDir;
using driftway::testing::wait_until;

namespace {

const std::string kPrefix = "Driftway\u2122 - ";

std::string file_url(const std::filesystem::path& p)
{
    return "file://" + p.string();
}

std::vector<std::string> history_of(MainWindow& w)
{
    std::vector<std::string> out;
    auto model = w.address_box().get_model();
    for (const auto& row : model->children()) {
        Glib::ustring text;
        row.get_value(0, text);
        out.push_back(text);
    }
    return out;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_home_env = std::make_unique<driftway::testing::ScopedEnv>("XDG_DATA_HOME", (m_dir.path() / "data").string());
        m_cache_env = std::make_unique<driftway::testing::ScopedEnv>("XDG_CACHE_HOME", (m_dir.path() / "cache").string());
        m_config_env = std::make_unique<driftway::testing::ScopedEnv>("XDG_CONFIG_HOME", (m_dir.path() / "config").string());
        m_fav_env = std::make_unique<driftway::testing::ScopedEnv>("DRIFTWAY_FAVORITES", (m_dir.path() / "fav").string());
    }

    App& start(const std::string& command_line)
    {
        m_app = std::make_unique<App>(make_webkit_engine, command_line);
        m_app->set_quit_on_last(false);
        m_app->start();
        return *m_app;
    }

    MainWindow& first() { return *m_app->windows().front(); }

    bool wait_title(MainWindow& w, const std::string& title, int ms = 20000)
    {
        return wait_until([&] { return w.get_title() == title; }, ms);
    }

    TempDir m_dir;
    std::unique_ptr<driftway::testing::ScopedEnv> m_home_env, m_cache_env, m_config_env, m_fav_env;
    std::unique_ptr<App> m_app;
};

TEST_F(MainWindowTest, StartsOnACommandLinePageAndShowsItsTitle)
{
    const auto page = m_dir.write("start page.html", "<html><head><title>Start Here</title></head><body>hi</body></html>");
    auto& app = start("\"" + page.string() + "\"");
    auto& w = first();
    EXPECT_TRUE(wait_title(w, kPrefix + "Start Here")) << w.get_title();
    EXPECT_EQ(app.windows().size(), 1u);
    EXPECT_EQ(w.status_label().get_text(), browser::kDefaultStatus);
    EXPECT_FALSE(w.favourites_pane().get_visible());
}

TEST_F(MainWindowTest, TypedAddressWithEnterShowsWorkingThenTitleAndKeepsHistory)
{
    const auto a = m_dir.write("a.html", "<title>Page A</title>A");
    const auto b = m_dir.write("b.html", "<title>Page B</title>B");
    start("");
    auto& w = first();
    ASSERT_TRUE(wait_until([&] { return w.get_mapped(); }));

    std::vector<std::string> titles;
    w.property_title().signal_changed().connect([&] { titles.push_back(w.get_title()); });

    // Real key events into the address box: Ctrl+L selects it, typing
    // replaces the text, Enter navigates.
    auto* entry = w.address_box().get_entry();
    int ox = 0, oy = 0;
    entry->get_window()->get_origin(ox, oy);
    const auto ea = entry->get_allocation();
    ASSERT_TRUE(driftway::testing::focus_by_pointer(ox + ea.get_x() + 5, oy + ea.get_y() + 5));
    ASSERT_TRUE(wait_until([&] { return w.has_toplevel_focus(); }, 5000));
    ASSERT_TRUE(driftway::testing::press_key("ctrl+l"));
    ASSERT_TRUE(wait_until([&] { return entry->has_focus(); }, 5000));
    const std::string typed = file_url(a);
    ASSERT_TRUE(driftway::testing::type_text(typed));
    ASSERT_TRUE(wait_until([&] { return entry->get_text() == typed; }, 5000)) << entry->get_text();
    ASSERT_TRUE(driftway::testing::press_key("Return"));

    ASSERT_TRUE(wait_title(w, kPrefix + "Page A")) << w.get_title();
    EXPECT_NE(std::find(titles.begin(), titles.end(), kPrefix + "Working..."), titles.end());
    EXPECT_TRUE(wait_until([&] { return !w.frm().timer_running(); }, 5000));

    w.frm().NavNow(file_url(b));
    ASSERT_TRUE(wait_title(w, kPrefix + "Page B"));
    w.frm().NavNow(file_url(a));
    ASSERT_TRUE(wait_title(w, kPrefix + "Page A"));
    const auto h = history_of(w);
    ASSERT_GE(h.size(), 3u);
    EXPECT_EQ(h[0], file_url(a));
    EXPECT_EQ(h[1], file_url(b));
    EXPECT_EQ(std::count(h.begin(), h.end(), file_url(a)), 1);
    EXPECT_EQ(h.back(), "about:blank") << ::testing::PrintToString(h);
}

TEST_F(MainWindowTest, LoadsAPageFromALoopbackServer)
{
    HttpServer server;
    server.page("/hello", "<html><head><title>Over HTTP</title></head><body>served</body></html>");
    start("");
    auto& w = first();
    w.frm().NavNow(server.url("/hello"));
    EXPECT_TRUE(wait_title(w, kPrefix + "Over HTTP")) << w.get_title();
    EXPECT_GE(server.request_count("/hello"), 1);
}

TEST_F(MainWindowTest, BadAddressesShowAnErrorPageWithoutCrashing)
{
    start("");
    auto& w = first();
    w.frm().NavNow("no such place at all \x01\xff");
    EXPECT_TRUE(wait_until([&] { return !w.frm().timer_running(); }, 20000));
    w.frm().NavNow(std::string(100 * 1024, 'x'));
    EXPECT_TRUE(wait_until([&] { return !w.frm().timer_running(); }, 20000));
    EXPECT_EQ(m_app->windows().size(), 1u);
}

TEST_F(MainWindowTest, BlankTargetLinkOpensAnOffsetWindowShowingThePage)
{
    const auto target = m_dir.write("target.html", "<title>Target Page</title>T");
    const auto opener = m_dir.write(
        "opener.html", "<html><head><title>Opener</title></head><body style='margin:0'>"
                       "<a id='l' target='_blank' href='target.html' style='display:block;width:400px;"
                       "height:200px;background:#ccc'>open</a></body></html>");
    start(file_url(opener));
    auto& w = first();
    ASSERT_TRUE(wait_title(w, kPrefix + "Opener"));
    ASSERT_TRUE(wait_until([&] { return w.get_mapped(); }));
    w.move(100, 100);
    driftway::testing::pump_for(200);

    // A real click on the link, through the X server.
    auto gdk_window = w.engine_widget().get_window();
    int ox = 0, oy = 0;
    gdk_window->get_origin(ox, oy);
    const auto alloc = w.engine_widget().get_allocation();
    ASSERT_TRUE(driftway::testing::mouse_click(ox + alloc.get_x() + 50, oy + alloc.get_y() + 50));

    ASSERT_TRUE(wait_until([&] { return m_app->windows().size() == 2; }, 20000));
    auto& second = *m_app->windows().back();
    EXPECT_TRUE(wait_title(second, kPrefix + "Target Page")) << second.get_title();
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    w.get_position(x1, y1);
    second.get_position(x2, y2);
    const int offset = static_cast<int>(std::lround(300 / w.tpp()));
    EXPECT_EQ(x2 - x1, offset);
    EXPECT_EQ(y2 - y1, offset);
    const auto h = history_of(second);
    ASSERT_FALSE(h.empty());
    EXPECT_EQ(h.back(), "about:blank");
    EXPECT_EQ(h.front(), file_url(target));
}

TEST_F(MainWindowTest, HoveredLinkShowsInTheStatusLineAndTheNoticeComesBack)
{
    const auto page = m_dir.write(
        "hover.html", "<html><head><title>Hover</title></head><body style='margin:0'>"
                      "<a href='http://127.0.0.1:9/hovered' style='display:block;width:300px;height:100px'>x</a>"
                      "<div style='height:400px'></div></body></html>");
    start(file_url(page));
    auto& w = first();
    ASSERT_TRUE(wait_title(w, kPrefix + "Hover"));
    ASSERT_TRUE(wait_until([&] { return w.get_mapped(); }));
    driftway::testing::pump_for(300);

    auto gdk_window = w.engine_widget().get_window();
    int ox = 0, oy = 0;
    gdk_window->get_origin(ox, oy);
    const auto alloc = w.engine_widget().get_allocation();
    auto pointer = w.get_display()->get_default_seat()->get_pointer();
    pointer->warp(w.get_screen(), ox + alloc.get_x() + 40, oy + alloc.get_y() + 40);
    EXPECT_TRUE(wait_until([&] { return w.status_label().get_text() == "http://127.0.0.1:9/hovered"; }, 10000))
        << w.status_label().get_text();
    pointer->warp(w.get_screen(), ox + alloc.get_x() + 40, oy + alloc.get_y() + 300);
    EXPECT_TRUE(wait_until([&] { return w.status_label().get_text() == browser::kDefaultStatus; }, 10000))
        << w.status_label().get_text();
}

}  // namespace
