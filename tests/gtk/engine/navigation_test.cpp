// The WebKit engine's loads and events: local pages, history states, hovered
// links, folders, pages from a loopback HTTP server, offline mode and new
// windows. Needs Xvfb (and xdotool for the pointer).
#include "tests/gtk/common/http_server.h"
#include "tests/gtk/engine/engine_fixture.h"

#include "browser/address_fixup.h"
#include "platform/runtime_error.h"

#include <algorithm>
#include <cstdlib>

namespace driftway::testing {
namespace {

using platform::gtk::WebKitEngine;

std::string page(const std::string& title, const std::string& body = "")
{
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title + "</title></head><body>" +
           body + "</body></html>";
}

TEST_F(EngineTest, LocalPageRaisesEventsInOrderAndNamesItself)
{
    const auto path = m_dir.write("my page.html", page("Local Page", "<p>hello</p>"));
    load(path.string(), "Local Page");
    const std::string uri = browser::file_uri_from_path(path.string());
    EXPECT_EQ(engine().LocationName(), "Local Page");
    EXPECT_EQ(engine().LocationURL(), uri);
    EXPECT_FALSE(engine().Busy());

    const auto before = std::find(m_events.begin(), m_events.end(), "before " + uri);
    const auto navigate = std::find(before, m_events.end(), "navigate");
    const auto download = std::find(navigate, m_events.end(), "download");
    EXPECT_NE(before, m_events.end());
    EXPECT_NE(navigate, m_events.end());
    EXPECT_NE(download, m_events.end());

    // A page without a title is named by its address.
    const auto untitled = m_dir.write("untitled.html", "<p>no title</p>");
    load(untitled.string(), browser::file_uri_from_path(untitled.string()));
    EXPECT_EQ(engine().LocationName(), browser::file_uri_from_path(untitled.string()));
}

TEST_F(EngineTest, HistoryStatesFollowBackAndForward)
{
    load(m_dir.write("a.html", page("A")).string(), "A");
    load(m_dir.write("b.html", page("B")).string(), "B");
    EXPECT_TRUE(saw("command 2 1"));
    m_events.clear();
    engine().GoBack();
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "A" && !engine().Busy(); }));
    ASSERT_TRUE(wait_until([&] { return saw("command 1 1"); }));
    EXPECT_TRUE(saw("command 2 0"));
    engine().GoForward();
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "B" && !engine().Busy(); }));
    // A link the page follows is reported under its own address.
    const std::string c_uri = browser::file_uri_from_path(m_dir.write("c.html", page("C")).string());
    m_events.clear();
    evaluate(engine().view(), "location.href = '" + c_uri + "'; 1");
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "C" && !engine().Busy(); }));
    EXPECT_TRUE(saw("before " + c_uri));
    EXPECT_FALSE(saw("before " + browser::file_uri_from_path(m_dir.str() + "/b.html")));
    engine().GoBack();
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "B" && !engine().Busy(); }));
    // Going back further than the start changes nothing.
    engine().GoBack();
    engine().GoBack();
    engine().GoBack();
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "A" && !engine().Busy(); }));
    EXPECT_NO_THROW(engine().GoBack());
}

TEST_F(EngineTest, HoveredLinkShowsInStatusAndClearsWhenLeft)
{
    const std::string target = "https://example.org/target";
    load(m_dir
             .write("links.html",
                    page("Links", "<a id=l href=\"" + target +
                                      "\" style=\"display:block;width:300px;height:150px;"
                                      "background:#ccf\">link</a><div style=\"height:300px\"></div>"))
             .string(),
         "Links");
    gint x = 0, y = 0;
    GdkWindow* window = gtk_widget_get_window(engine().widget());
    ASSERT_NE(window, nullptr);
    gdk_window_get_origin(window, &x, &y);
    auto move = [](int px, int py) {
        const std::string command = "xdotool mousemove " + std::to_string(px) + " " + std::to_string(py);
        return std::system(command.c_str()) == 0;
    };
    if (!move(x + 50, y + 50))
        GTEST_SKIP() << "xdotool is not available";
    ASSERT_TRUE(wait_until([&] { return saw("status " + target); }));
    move(x + 400, y + 400);
    ASSERT_TRUE(wait_until([&] { return saw("status "); }));
}

TEST_F(EngineTest, FolderShowsListingWithShortcutsLinked)
{
    m_dir.write("folder/page.html", page("P"));
    m_dir.write("folder/Example.url", "[InternetShortcut]\r\nURL=https://example.org/\r\n");
    m_dir.write("folder/Script.url", "[InternetShortcut]\r\nURL=javascript:alert(1)\r\n");
    // A window's load steps ask for the empty page and then at once for its
    // address; the last address reported is the one shown.
    engine().Navigate2("about:blank", browser::NavFlags::NoHistory);
    engine().Navigate2(m_dir.str() + "/folder");
    ASSERT_TRUE(wait_until([&] { return engine().LocationName().rfind("Index of ", 0) == 0; }));
    const std::string folder_uri = browser::file_uri_from_path(m_dir.str() + "/folder/");
    EXPECT_EQ(engine().LocationURL(), folder_uri);
    const auto last = std::find_if(m_events.rbegin(), m_events.rend(),
                                   [](const std::string& e) { return e.rfind("before ", 0) == 0; });
    ASSERT_NE(last, m_events.rend());
    EXPECT_EQ(*last, "before " + folder_uri);
    WebKitWebView* view = engine().view();
    EXPECT_EQ(evaluate(view, "document.querySelectorAll('a[href=\"https://example.org/\"]').length"), "1");
    EXPECT_EQ(evaluate(view, "document.querySelectorAll('a[href^=\"javascript:\"]').length"), "0");
    EXPECT_EQ(evaluate(view, "document.querySelectorAll('a[href$=\"/folder/page.html\"]').length"), "1");
}

TEST_F(EngineTest, HttpPageLoadsAndOfflineBlocksTheNetwork)
{
    HttpServer server;
    server.page("/remote", page("Remote"));
    server.page("/later", page("Later"));
    server.route("/pixel.png", {200, "image/png", "x", {}});
    load(server.url("/remote"), "Remote");
    EXPECT_EQ(engine().LocationName(), "Remote");

    engine().SetOffline(true);
    EXPECT_TRUE(engine().Offline());
    engine().Navigate2(server.url("/later"));
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "Working offline" && !engine().Busy(); }));
    EXPECT_EQ(engine().LocationURL(), server.url("/later"));

    // Local pages still open, but what they reference on the network is not fetched.
    load(m_dir.write("local.html", page("Local", "<img src=\"" + server.url("/pixel.png") + "\">")).string(),
         "Local");
    EXPECT_EQ(engine().LocationName(), "Local");
    // A frame from the network stays empty; the page around it stays.
    load(m_dir.write("framed.html", page("Framed", "<iframe src=\"" + server.url("/later") + "\"></iframe>"))
             .string(),
         "Framed");
    pump_for(300);
    EXPECT_EQ(engine().LocationName(), "Framed");
    EXPECT_EQ(server.request_count("/later"), 0);
    EXPECT_EQ(server.request_count("/pixel.png"), 0);

    engine().SetOffline(false);
    load(server.url("/later"), "Later");
    EXPECT_EQ(engine().LocationName(), "Later");
    EXPECT_EQ(server.request_count("/later"), 1);
    // The same local page online does fetch its picture.
    load(m_dir.str() + "/local.html", "Local");
    EXPECT_TRUE(wait_until([&] { return server.request_count("/pixel.png") == 1; }));
}

TEST_F(EngineTest, OfflinePageReloadsWhenOnlineAgain)
{
    HttpServer server;
    server.page("/p", page("Online Page"));
    engine().SetOffline(true);
    engine().Navigate2(server.url("/p"));
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "Working offline" && !engine().Busy(); }));
    // Refreshing while still offline says the same again.
    m_events.clear();
    engine().Refresh();
    ASSERT_TRUE(wait_until([&] { return saw("navigate"); }));
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "Working offline" && !engine().Busy(); }));
    pump_for(300);
    EXPECT_EQ(engine().LocationName(), "Working offline");
    EXPECT_EQ(server.request_count("/p"), 0);
    engine().SetOffline(false);
    engine().Refresh();
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "Online Page" && !engine().Busy(); }));
}

TEST_F(EngineTest, PageOpenedWindowShowsRequestedPageInRelatedView)
{
    const auto target = m_dir.write("target.html", page("Target"));
    WebKitEngine* opened = nullptr;
    bool ready = false;
    engine().hooks.new_window = [&]() -> browser::Engine* {
        opened = &make_engine(&engine());
        opened->on_ready_to_show = [&] { ready = true; };
        // A new main window's load steps run inside the request.
        opened->Navigate2("about:blank", browser::NavFlags::NoHistory);
        return opened;
    };
    WebKitSettings* settings = webkit_web_view_get_settings(engine().view());
    webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
    load(m_dir
             .write("opener.html",
                    page("Opener", "<a id=l target=_blank href=\"" +
                                       browser::file_uri_from_path(target.string()) + "\">open</a>"))
             .string(),
         "Opener");
    evaluate(engine().view(), "document.getElementById('l').click(); 1");
    ASSERT_TRUE(wait_until([&] { return opened && opened->LocationName() == "Target" && !opened->Busy(); }));
    EXPECT_TRUE(wait_until([&] { return ready; }));
    EXPECT_EQ(engine().LocationName(), "Opener");
    webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
}

TEST_F(EngineTest, TypedAddressesAreFixedUpOrRefused)
{
    const auto path = m_dir.write("typed.html", page("Typed"));
    load("  " + path.string() + "  ", "Typed");
    EXPECT_EQ(engine().LocationName(), "Typed");
    EXPECT_THROW(engine().Navigate2("javascript:document.title='owned'"), platform::RuntimeError);
    pump_for(200);
    EXPECT_EQ(engine().LocationName(), "Typed");
    // Neither an address nor a path: the engine's error page, no crash.
    m_events.clear();
    engine().Navigate2("no such thing here");
    ASSERT_TRUE(wait_until([&] { return saw("navigate") && !engine().Busy(); }));
    pump_for(200);
    EXPECT_EQ(m_events.front(), "before no such thing here");
    EXPECT_FALSE(saw("before about:blank"));
    // A page that cannot be reached keeps its address for the user to mend.
    std::string refused;
    {
        // A loopback port that nobody listens on any more.
        ScriptedServer gone([](const std::string&) { return std::string(); });
        refused = gone.url("/nothing");
    }
    m_events.clear();
    engine().Navigate2(refused);
    ASSERT_TRUE(wait_until([&] { return saw("download") && !engine().Busy(); }));
    pump_for(200);
    const auto last = std::find_if(m_events.rbegin(), m_events.rend(),
                                   [](const std::string& e) { return e.rfind("before ", 0) == 0; });
    ASSERT_NE(last, m_events.rend());
    EXPECT_EQ(*last, "before " + refused);
    EXPECT_EQ(engine().LocationURL(), refused);
    EXPECT_EQ(engine().LocationName(), "Cannot show this page");
    // Home comes from the hook given to the engine.
    m_dir.write("home.html", page("Home"));
    engine().GoHome();
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "Home"; }));
}

TEST_F(EngineTest, FailingWindowHandlersDoNotStopTheEngine)
{
    engine().hooks.before_navigate = [](const std::string&) {
        throw platform::RuntimeError(5, "handler failed");
    };
    engine().hooks.new_window = []() -> browser::Engine* { throw std::runtime_error("no window"); };
    load(m_dir.write("still.html", page("Still Loads")).string(), "Still Loads");
}

TEST_F(EngineTest, PageWhoseEngineProcessEndsSaysSoAndReloads)
{
    const auto path = m_dir.write("crash.html", page("Before"));
    load(path.string(), "Before");
    webkit_web_view_terminate_web_process(engine().view());
    ASSERT_TRUE(
        wait_until([&] { return engine().LocationName() == "Cannot show this page" && !engine().Busy(); }));
    EXPECT_EQ(engine().LocationURL(), browser::file_uri_from_path(path.string()));
    engine().Refresh();
    ASSERT_TRUE(wait_until([&] { return engine().LocationName() == "Before" && !engine().Busy(); }));
}

TEST_F(EngineTest, EngineGoneBeforeItsPageLoadedGetsNoLateEvents)
{
    auto& second = make_engine();
    int events = 0;
    second.hooks.before_navigate = [&](const std::string&) { ++events; };
    second.hooks.navigate_complete = [&] { ++events; };
    second.hooks.download_complete = [&] { ++events; };
    second.Navigate2(m_dir.write("slow.html", page("Slow")).string());
    const int seen = events;
    m_engines.back().engine.reset();
    pump_for(500);
    EXPECT_EQ(events, seen);
}

} // namespace
} // namespace driftway::testing
