// The WebKit engine's loads and events: local pages and history, folders,
// pages over loopback HTTP, offline mode, bad addresses and an ended page
// process. A page that cannot be reached is the window tests'.
#include "tests/gtk/engine/engine_fixture.h"

#include "browser/address_fixup.h"
#include "platform/runtime_error.h"

#include <algorithm>

namespace driftway::testing {
namespace {

using browser::file_uri_from_path;

TEST_F(EngineTest, LocalPagesRaiseEventsInOrderAndFollowTheHistory)
{
    const auto a = m_dir.write("my page.html", page("A"));
    load(a.string(), "A");
    EXPECT_EQ(engine().LocationURL(), file_uri_from_path(a.string()));
    const auto before =
        std::find(m_events.begin(), m_events.end(), "before " + file_uri_from_path(a.string()));
    const auto navigate = std::find(before, m_events.end(), "navigate");
    EXPECT_NE(std::find(navigate, m_events.end(), "download"), m_events.end());

    // A page without a title is named by its address.
    const std::string b = file_uri_from_path(m_dir.write("b.html", "<p>no title</p>").string());
    load(b, b);
    EXPECT_TRUE(saw("command 2 1"));
    m_events.clear();
    engine().GoBack();
    ASSERT_TRUE(shows("A"));
    ASSERT_TRUE(wait_until([&] { return saw("command 1 1"); }));
    EXPECT_TRUE(saw("command 2 0"));
    engine().GoForward();
    ASSERT_TRUE(shows(b));
    // A link the page follows is reported under its own address.
    const std::string c = file_uri_from_path(m_dir.write("c.html", page("C")).string());
    m_events.clear();
    evaluate(engine().view(), "location.href = '" + c + "'; 1");
    ASSERT_TRUE(shows("C"));
    EXPECT_TRUE(saw("before " + c));
    EXPECT_FALSE(saw("before " + b));
    engine().GoBack();
    ASSERT_TRUE(shows(b));

    // Handlers of the window that throw do not stop the engine.
    engine().hooks.before_navigate = [](const std::string&) { throw platform::RuntimeError(5, "failed"); };
    engine().hooks.new_window = []() -> platform::Engine* { throw std::runtime_error("no window"); };
    load(c, "C");
}

TEST_F(EngineTest, FolderShowsListingWithShortcutsLinked)
{
    m_dir.write("folder/page.html", page("P"));
    m_dir.write("folder/Example.url", "[InternetShortcut]\r\nURL=https://example.org/\r\n");
    m_dir.write("folder/Script.url", "[InternetShortcut]\r\nURL=javascript:alert(1)\r\n");
    // A window's load steps ask for the empty page and at once for its
    // address; the last address reported is the one shown.
    engine().Navigate2("about:blank", platform::NavFlags::NoHistory);
    engine().Navigate2(m_dir.str() + "/folder");
    ASSERT_TRUE(wait_until([&] { return engine().LocationName().rfind("Index of ", 0) == 0; }));
    const std::string folder_uri = file_uri_from_path(m_dir.str() + "/folder/");
    EXPECT_EQ(engine().LocationURL(), folder_uri);
    EXPECT_EQ(
        *std::find_if(m_events.rbegin(), m_events.rend(), [](auto& e) { return e.starts_with("before "); }),
        "before " + folder_uri);
    const auto count = [&](const std::string& selector) {
        return evaluate(engine().view(), "document.querySelectorAll('" + selector + "').length");
    };
    EXPECT_EQ(count("a[href=\"https://example.org/\"]"), "1");
    EXPECT_EQ(count("a[href^=\"javascript:\"]"), "0");
    EXPECT_EQ(count("a[href$=\"/folder/page.html\"]"), "1");
}

TEST_F(EngineTest, OfflineModeBlocksTheNetworkAndReloadsWhenOnline)
{
    HttpServer server;
    server.page("/remote", page("Remote"));
    server.page("/later", page("Later"));
    server.route("/pixel.png", http_response("200 OK", "x", "", "image/png"));
    load(server.url("/remote"), "Remote");

    // Local pages still open, but what they reference on the network is not
    // fetched, and a network frame stays empty in the page around it.
    engine().SetOffline(true);
    EXPECT_TRUE(engine().Offline());
    const auto local =
        m_dir.write("local.html", page("Local", "<img src=\"" + server.url("/pixel.png") + "\">"));
    load(local.string(), "Local");
    load(m_dir.write("framed.html", page("Framed", "<iframe src=\"" + server.url("/later") + "\"></iframe>"))
             .string(),
         "Framed");
    pump_for(300);
    EXPECT_EQ(engine().LocationName(), "Framed");
    engine().Navigate2(server.url("/later"));
    ASSERT_TRUE(shows("Working offline"));
    EXPECT_EQ(engine().LocationURL(), server.url("/later"));
    // Refreshing while still offline says the same again.
    m_events.clear();
    engine().Refresh();
    ASSERT_TRUE(wait_until([&] { return saw("navigate"); }));
    ASSERT_TRUE(shows("Working offline"));
    EXPECT_EQ(server.request_count("/later"), 0);
    EXPECT_EQ(server.request_count("/pixel.png"), 0);

    engine().SetOffline(false);
    engine().Refresh();
    ASSERT_TRUE(shows("Later"));
    load(local.string(), "Local");
    EXPECT_TRUE(wait_until([&] { return server.request_count("/pixel.png") == 1; }));
}

TEST_F(EngineTest, BadAddressesAreRefusedAndAnEndedPageProcessIsReported)
{
    load("  " + m_dir.write("typed.html", page("Typed")).string() + "  ", "Typed");
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
    // Home comes from the hook given to the engine.
    m_dir.write("home.html", page("Home"));
    engine().GoHome();
    ASSERT_TRUE(shows("Home"));

    // An ended page process is reported, and a refresh brings the page back.
    const auto path = m_dir.write("crash.html", page("Before"));
    load(path.string(), "Before");
    webkit_web_view_terminate_web_process(engine().view());
    ASSERT_TRUE(shows("Cannot show this page"));
    EXPECT_EQ(engine().LocationURL(), file_uri_from_path(path.string()));
    engine().Refresh();
    ASSERT_TRUE(shows("Before"));

    // An engine gone early hears nothing more.
    auto& second = make_engine();
    int events = 0;
    second.hooks.before_navigate = [&](const std::string&) { ++events; };
    second.hooks.navigate_complete = [&] { ++events; };
    second.hooks.download_complete = [&] { ++events; };
    second.Navigate2(path.string());
    const int seen = events;
    m_engines.back().engine.reset();
    pump_for(500);
    EXPECT_EQ(events, seen);
}

} // namespace
} // namespace driftway::testing
