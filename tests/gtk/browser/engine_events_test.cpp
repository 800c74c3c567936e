// The engine's events as a user meets them in real windows with a local
// HTTP server: pop-up windows, hovered and slow links, the first page's
// history, failed loads and the mouse wheel over the address box.
#include "browser/status_text.h"
#include "tests/gtk/browser/window_fixture.h"
#include "tests/gtk/common/http_server.h"
#include "tests/gtk/common/web_view.h"

#include <gtkmm/entry.h>

#include <chrono>
#include <cmath>
#include <thread>

using namespace driftway;
using namespace driftway::testing;

namespace {

class EngineEventsTest : public WindowTest {
protected:
    // Places the first window and clicks (or only points) into its page.
    void press_in_page(int x, int y, bool click = true)
    {
        window().move(100, 100);
        pump_for(300);
        const auto [sx, sy] = on_screen(window().engine_widget(), x, y);
        ASSERT_TRUE(click ? mouse_click(sx, sy) : mouse_move(sx, sy));
    }
    std::string address(gtk::MainWindow& w) { return w.address_box().get_entry()->get_text(); }

    HttpServer m_server;
};

TEST_F(EngineEventsTest, APageOpensOneWindowPerClickKeepsItsOpenerAndMayCloseIt)
{
    m_server.page("/opener.html",
                  "<title>Opener</title><body style='margin:0'>"
                  "<button style='display:block;width:400px;height:150px' "
                  "onclick=\"w=window.open('/popup.html')\">one</button>"
                  "<button style='display:block;width:400px;height:150px' onclick=\"for(let i=0;i<1000;i++)"
                  "window.open('/flood.html#'+i)\">flood</button><script>let w;"
                  "addEventListener('message',e=>document.title='Got '+e.data);"
                  "setInterval(()=>{if(w&&w.closed)document.title='Closed'},50)</script>");
    m_server.page("/popup.html", "<title>Popup</title><script>opener.postMessage('hello','*')</script>");
    m_server.page("/flood.html", "<title>Flood</title>");
    start(m_server.url("/opener.html"));
    auto& w = window();
    ASSERT_TRUE(wait_title(w, "Opener"));

    press_in_page(50, 50);
    ASSERT_TRUE(wait_until([&] { return m_app->windows().size() == 2; }, 20000));
    auto& popup = *m_app->windows().back();
    EXPECT_TRUE(wait_title(popup, "Popup")) << popup.get_title();
    EXPECT_EQ(address(popup), m_server.url("/popup.html"));
    // It stands 300 twips down and right of its opener, with its own history.
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    w.get_position(x1, y1);
    popup.get_position(x2, y2);
    const int offset = static_cast<int>(std::lround(300 / w.tpp()));
    EXPECT_EQ(x2 - x1, offset);
    EXPECT_EQ(y2 - y1, offset);
    const auto history = address_list(popup);
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.front(), m_server.url("/popup.html"));
    EXPECT_EQ(history.back(), "about:blank");
    EXPECT_TRUE(wait_title(w, "Got hello")) << w.get_title();

    // The page closes the window it opened, and learns that it did.
    webkit_web_view_evaluate_javascript(engine_of(popup).view(), "window.close()", -1, nullptr, nullptr,
                                        nullptr, nullptr, nullptr);
    EXPECT_TRUE(wait_until([&] { return m_app->windows().size() == 1; }, 10000));
    EXPECT_TRUE(wait_title(w, "Closed")) << w.get_title();

    // A thousand window.open calls from one click give one window.
    press_in_page(50, 200);
    ASSERT_TRUE(wait_until([&] { return m_app->windows().size() == 2; }, 20000));
    pump_for(1500);
    EXPECT_EQ(m_app->windows().size(), 2u);
    EXPECT_TRUE(wait_title(*m_app->windows().back(), "Flood"));
    EXPECT_EQ(m_server.request_count("/flood.html"), 1);
}

TEST_F(EngineEventsTest, ALinkToASlowPageIsShownAtOnceAndTheHoveredLinkDoesNotStay)
{
    // The slow page answers after three seconds; the server waits meanwhile.
    HttpServer server([](const std::string& request) {
        if (!request.starts_with("GET /slow.html "))
            return http_response("200 OK",
                                 "<title>Links</title><body style='margin:0'><a id=a href='/slow.html' "
                                 "style='display:block;width:400px;height:200px'>slow</a>"
                                 "<script>document.getElementById('a').focus()</script>");
        std::this_thread::sleep_for(std::chrono::seconds(3));
        return http_response("200 OK", "<title>Slow Page</title>slow");
    });
    start(server.url("/links.html"));
    auto& w = window();
    ASSERT_TRUE(wait_title(w, "Links"));
    const std::string slow = server.url("/slow.html");
    press_in_page(50, 50, false);
    ASSERT_TRUE(wait_until([&] { return w.status_label().get_text() == slow; }, 10000));
    const auto [x, y] = on_screen(w.engine_widget(), 50, 50);
    ASSERT_TRUE(mouse_move(x, y + 300)); // off the link
    EXPECT_TRUE(wait_until([&] { return w.status_label().get_text() == browser::kDefaultStatus; }, 10000))
        << w.status_label().get_text();

    // Enter on the focused link, the pointer over it again.
    ASSERT_TRUE(take_keyboard({x, y}));
    w.frm().engine().SetFocus();
    ASSERT_TRUE(press_key("Return"));
    EXPECT_TRUE(wait_until([&] { return w.get_title() == "Driftway\u2122 - " + slow; }, 2000))
        << w.get_title();
    EXPECT_EQ(address(w), slow);
    EXPECT_EQ(w.status_label().get_text(), browser::waiting_message(slow));
    EXPECT_TRUE(wait_until([&] { return server.request_count("/slow.html") == 1; }, 2000));
    EXPECT_TRUE(wait_title(w, "Slow Page"));
    EXPECT_TRUE(wait_until([&] { return w.status_label().get_text() == browser::kDefaultStatus; }, 5000))
        << w.status_label().get_text();
}

// The first page has no Back, and the wheel over the address box does not
// step through the history.
TEST_F(EngineEventsTest, TheFirstPageHasNoPageBehindItAndTheWheelDoesNotNavigate)
{
    m_server.page("/first.html", "<title>First</title>1");
    m_server.page("/second.html", "<title>Second</title>2");
    start(m_server.url("/first.html"));
    auto& w = window();
    ASSERT_TRUE(wait_title(w, "First"));
    Gtk::MenuItem* previous = w.menus().item("mnuVItem", 4);
    ASSERT_NE(previous, nullptr);
    EXPECT_FALSE(previous->get_sensitive());
    w.frm().engine().GoBack();
    pump_for(500);
    EXPECT_EQ(w.frm().engine().LocationURL(), m_server.url("/first.html"));

    w.frm().NavNow(m_server.url("/second.html"));
    ASSERT_TRUE(wait_title(w, "Second"));
    EXPECT_TRUE(previous->get_sensitive());
    // Over the drop-down button and over the text.
    auto& box = w.address_box();
    for (int x : {box.get_allocated_width() - 8, 20}) {
        const auto [sx, sy] = on_screen(box, x, box.get_allocated_height() / 2);
        ASSERT_TRUE(mouse_move(sx, sy));
        for (const char* button : {"4", "5", "5", "4"})
            ASSERT_TRUE(xdotool({"click", button}));
    }
    pump_for(800);
    EXPECT_EQ(address(w), m_server.url("/second.html"));
    EXPECT_EQ(m_server.request_count("/first.html"), 1);
    EXPECT_EQ(w.get_title(), "Driftway\u2122 - Second");

    w.frm().engine().GoBack();
    ASSERT_TRUE(wait_title(w, "First"));
    EXPECT_TRUE(wait_until([&] { return !previous->get_sensitive(); }, 5000));
    EXPECT_TRUE(w.menus().item("mnuVItem", 5)->get_sensitive()) << "View > Next";
}

TEST_F(EngineEventsTest, AFailedLoadEndsWithAPageNamingTheAddressWhichStaysInTheBox)
{
    std::string refused; // a port where nothing listens any more
    {
        HttpServer gone;
        refused = gone.url("/");
    }
    start();
    auto& w = window();
    for (const std::string& bad : {std::string("about:foo"), std::string("http://127.0.0.1:9/"), refused}) {
        w.frm().NavNow(bad);
        EXPECT_TRUE(wait_until([&] { return !w.frm().timer_running() && !w.frm().engine().Busy(); }, 20000))
            << bad;
        EXPECT_NE(w.get_title(), browser::kWorkingTitle) << bad;
        EXPECT_EQ(address(w), bad);
        const std::string text = evaluate(engine_of(w).view(), "document.body.innerText");
        EXPECT_NE(text.find(bad), std::string::npos) << bad << ": " << text;
    }
    // Neither an address nor a path, and an address too long to keep: the
    // busy state ends all the same, in the one window.
    for (const std::string& bad :
         {std::string("no such place at all \x01\xff"), std::string(100 * 1024, 'x')}) {
        w.frm().NavNow(bad);
        EXPECT_TRUE(wait_until([&] { return !w.frm().timer_running(); }, 20000));
    }
    EXPECT_EQ(m_app->windows().size(), 1u);
}

} // namespace
