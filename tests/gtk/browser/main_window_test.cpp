// Main windows with the real engine: start-up on a page, typing an address,
// the history, a page over HTTP, the status line and new windows.
#include "tests/gtk/browser/window_fixture.h"
#include "tests/gtk/common/http_server.h"

#include <gtkmm/entry.h>
#include <gtkmm/treemodel.h>

#include <algorithm>
#include <cmath>

using namespace driftway;
using driftway::testing::wait_until;

namespace {

std::string file_url(const std::filesystem::path& p)
{
    return "file://" + p.string();
}

std::vector<std::string> history_of(gtk::MainWindow& w)
{
    std::vector<std::string> out;
    for (const auto& row : w.address_box().get_model()->children()) {
        Glib::ustring text;
        row.get_value(0, text);
        out.push_back(text);
    }
    return out;
}

using MainWindowTest = driftway::testing::WindowTest;

TEST_F(MainWindowTest, StartsOnACommandLinePageThenLoadsOverHttpAndSurvivesBadAddresses)
{
    const auto page = m_dir.write("start page.html", "<html><head><title>Start Here</title></head>hi</html>");
    auto& app = start(page.string()); // one whole argument, blanks and all
    auto& w = window();
    EXPECT_TRUE(wait_title(w, "Start Here")) << w.get_title();
    EXPECT_EQ(w.status_label().get_text(), browser::kDefaultStatus);
    EXPECT_FALSE(w.favourites_pane().get_visible());

    driftway::testing::HttpServer server;
    server.page("/hello", "<html><head><title>Over HTTP</title></head><body>served</body></html>");
    w.frm().NavNow(server.url("/hello"));
    EXPECT_TRUE(wait_title(w, "Over HTTP")) << w.get_title();
    EXPECT_GE(server.request_count("/hello"), 1);

    for (const std::string& bad :
         {std::string("no such place at all \x01\xff"), std::string(100 * 1024, 'x')}) {
        w.frm().NavNow(bad);
        EXPECT_TRUE(wait_until([&] { return !w.frm().timer_running(); }, 20000));
    }
    EXPECT_EQ(app.windows().size(), 1u);
}

TEST_F(MainWindowTest, TypedAddressWithEnterShowsWorkingThenTitleAndKeepsHistory)
{
    const auto a = m_dir.write("a.html", "<title>Page A</title>A");
    const auto b = m_dir.write("b.html", "<title>Page B</title>B");
    start();
    auto& w = window();
    std::vector<std::string> titles;
    w.property_title().signal_changed().connect([&] { titles.push_back(w.get_title()); });

    // Real keys into the address box: Ctrl+L selects it, typing replaces the
    // text, Enter navigates.
    auto* entry = w.address_box().get_entry();
    ASSERT_TRUE(take_keyboard());
    ASSERT_TRUE(driftway::testing::press_key("ctrl+l"));
    ASSERT_TRUE(wait_until([&] { return entry->has_focus(); }, 5000));
    ASSERT_TRUE(driftway::testing::type_text(file_url(a)));
    ASSERT_TRUE(wait_until([&] { return entry->get_text() == file_url(a); }, 5000)) << entry->get_text();
    ASSERT_TRUE(driftway::testing::press_key("Return"));
    ASSERT_TRUE(wait_title(w, "Page A")) << w.get_title();
    EXPECT_NE(std::find(titles.begin(), titles.end(), "Driftway\u2122 - Working..."), titles.end());
    EXPECT_TRUE(wait_until([&] { return !w.frm().timer_running(); }, 5000));

    w.frm().NavNow(file_url(b));
    ASSERT_TRUE(wait_title(w, "Page B"));
    w.frm().NavNow(file_url(a));
    ASSERT_TRUE(wait_title(w, "Page A"));
    const auto h = history_of(w);
    ASSERT_GE(h.size(), 3u);
    EXPECT_EQ(h[0], file_url(a));
    EXPECT_EQ(h[1], file_url(b));
    EXPECT_EQ(std::count(h.begin(), h.end(), file_url(a)), 1);
    EXPECT_EQ(h.back(), "about:blank") << ::testing::PrintToString(h);
}

TEST_F(MainWindowTest, AHoveredLinkShowsInTheStatusLineAndABlankTargetOpensAnOffsetWindow)
{
    const auto target = m_dir.write("target.html", "<title>Target Page</title>T");
    const auto opener =
        m_dir.write("opener.html",
                    "<html><head><title>Opener</title></head><body style='margin:0'>"
                    "<a target='_blank' href='target.html' style='display:block;width:400px;"
                    "height:200px;background:#ccc'>open</a><div style='height:400px'></div></body></html>");
    start(file_url(opener));
    auto& w = window();
    ASSERT_TRUE(wait_title(w, "Opener"));
    w.move(100, 100);
    driftway::testing::pump_for(300);

    const auto [x, y] = on_screen(w.engine_widget(), 50, 50);
    ASSERT_TRUE(driftway::testing::mouse_move(x, y));
    EXPECT_TRUE(wait_until([&] { return w.status_label().get_text() == file_url(target); }, 10000))
        << w.status_label().get_text();
    ASSERT_TRUE(driftway::testing::mouse_move(x, y + 300));
    EXPECT_TRUE(wait_until([&] { return w.status_label().get_text() == browser::kDefaultStatus; }, 10000))
        << w.status_label().get_text();

    ASSERT_TRUE(driftway::testing::mouse_click(x, y));
    ASSERT_TRUE(wait_until([&] { return m_app->windows().size() == 2; }, 20000));
    auto& second = *m_app->windows().back();
    EXPECT_TRUE(wait_title(second, "Target Page")) << second.get_title();
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    w.get_position(x1, y1);
    second.get_position(x2, y2);
    const int offset = static_cast<int>(std::lround(300 / w.tpp()));
    EXPECT_EQ(x2 - x1, offset);
    EXPECT_EQ(y2 - y1, offset);
    const auto h = history_of(second);
    ASSERT_FALSE(h.empty());
    EXPECT_EQ(h.front(), file_url(target));
    EXPECT_EQ(h.back(), "about:blank");
}

} // namespace
