// The Internet Options window: pages stored for other processes, bad input
// refused, and browsing data that a real page left behind deleted through the
// engine's shared context.
#include "about/internet_options.h"
#include "gtk/internet_options_dialog.h"
#include "gtk/web_context.h"
#include "tests/gtk/common/dialogs.h"
#include "tests/gtk/common/http_server.h"
#include "tests/gtk/common/wait.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace driftway;
using namespace driftway::gtk;
using namespace driftway::testing;

namespace {

// What the shared context holds for the given kinds of data.
std::size_t stored_records(WebKitWebsiteDataManager* manager, WebKitWebsiteDataTypes types)
{
    struct Fetch {
        bool done = false;
        std::size_t count = 0;
    } fetch;
    webkit_website_data_manager_fetch(
        manager, types, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* f = static_cast<Fetch*>(data);
            GList* list = webkit_website_data_manager_fetch_finish(WEBKIT_WEBSITE_DATA_MANAGER(source),
                                                                   result, nullptr);
            f->count = g_list_length(list);
            g_list_free_full(list, reinterpret_cast<GDestroyNotify>(webkit_website_data_unref));
            f->done = true;
        },
        &fetch);
    EXPECT_TRUE(wait_until([&] { return fetch.done; }));
    return fetch.count;
}

// The engine's context is made once per process, in the folders named at
// that moment; they stay for the rest of the run.
const TempDir& engine_folders()
{
    static TempDir folders;
    static const bool named = [] {
        setenv("XDG_DATA_HOME", (folders.path() / "data").c_str(), 1);
        setenv("XDG_CACHE_HOME", (folders.path() / "cache").c_str(), 1);
        return true;
    }();
    (void)named;
    return folders;
}

TEST(InternetOptionsData, DeletesTheCookiesAndStorageAPageLeftInTheBrowsersFolders)
{
    const TempDir& folders = engine_folders();
    WebKitWebContext* context = shared_web_context();
    WebKitWebsiteDataManager* manager = webkit_web_context_get_website_data_manager(context);
    EXPECT_EQ(std::string(webkit_website_data_manager_get_base_data_directory(manager)),
              (folders.path() / "data" / "Driftway").string());

    HttpServer server;
    server.route("/", http_response("200 OK",
                                    "<script>localStorage.setItem('visited', 'yes');"
                                    "document.title = 'stored';</script>",
                                    "Set-Cookie: session=abc; Max-Age=86400; Path=/\r\n"));
    GtkWidget* view =
        GTK_WIDGET(g_object_ref_sink(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, nullptr)));
    GtkWidget* holder = gtk_offscreen_window_new();
    gtk_container_add(GTK_CONTAINER(holder), view);
    gtk_widget_show_all(holder);
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), server.url("/").c_str());
    ASSERT_TRUE(wait_until([&] {
        const char* title = webkit_web_view_get_title(WEBKIT_WEB_VIEW(view));
        return title && std::string(title) == "stored";
    }));
    const auto kinds =
        static_cast<WebKitWebsiteDataTypes>(WEBKIT_WEBSITE_DATA_COOKIES | WEBKIT_WEBSITE_DATA_LOCAL_STORAGE);
    ASSERT_TRUE(wait_until([&] { return stored_records(manager, kinds) > 0; }));

    platform::SettingsStore settings{(folders.path() / "config").string()};
    InternetOptionsWindow window(settings, manager);
    window.show();
    {
        MessageBoxAnswerer answerer(platform::MsgAnswer::Yes);
        window.delete_button().clicked();
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_EQ(answerer.seen[0].text, kDeleteDataQuestion);
    }
    EXPECT_FALSE(window.delete_button().get_sensitive());
    // Closing meanwhile does not end the program before the deletion is done.
    int closed = 0;
    window.on_closed = [&] { ++closed; };
    window.home_entry().set_text("https://dropped.example/");
    window.cancel_button().clicked();
    EXPECT_EQ(closed, 0);
    ASSERT_TRUE(wait_until([&] { return window.status().get_text() == kDataDeleted; }));
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(stored_records(manager, kinds), 0u);
    EXPECT_EQ(about::home_page(settings), about::default_home_page()) << "Cancel stores nothing";

    gtk_widget_destroy(holder);
    g_object_unref(view);
}

// The program's own window, as Tools > Internet Options starts it: what it
// stores and when, the line break it refuses, and OK ending the run.
TEST(InternetOptionsData, TheProgramsWindowStoresChangedPagesRefusesALineBreakAndOKEndsTheRun)
{
    engine_folders();
    TempDir config;
    ScopedEnv config_home("XDG_CONFIG_HOME", config.str());
    platform::SettingsStore browser(config.str());
    const auto search = [&] {
        return browser.get_setting("Driftway", "Internet Options", "Search Page", "none");
    };
    bool acted = false;
    when_shown<InternetOptionsWindow>([&](InternetOptionsWindow& window) {
        acted = true;
        EXPECT_EQ(window.home_entry().get_text(), about::default_home_page());
        EXPECT_FALSE(window.apply_button().get_sensitive());
        window.home_entry().set_text("  https://example.org/start  ");
        window.apply_button().clicked();
        EXPECT_EQ(about::home_page(browser), "https://example.org/start");
        EXPECT_EQ(search(), "none") << "an untouched page keeps following the default";
        EXPECT_FALSE(window.apply_button().get_sensitive());
        // A line break is refused over the window, which stays open.
        window.home_entry().set_text("https://a.example/\nhttps://b.example/");
        {
            MessageBoxAnswerer answerer(platform::MsgAnswer::Ok);
            window.ok_button().clicked();
            EXPECT_TRUE(wait_until([&] { return !answerer.seen.empty(); }));
            EXPECT_EQ(answerer.seen.at(0).text, "The home page address must be a single line of text.");
            EXPECT_EQ(answerer.seen.at(0).parent, &window);
        }
        EXPECT_EQ(about::home_page(browser), "https://example.org/start");
        window.home_entry().set_text("https://run.example/");
        window.ok_button().clicked();
    });
    EXPECT_EQ(run_internet_options_window(), 0);
    EXPECT_TRUE(acted);
    EXPECT_EQ(about::home_page(browser), "https://run.example/");
}

} // namespace
