// The About box's wiring over the real stores: one box at a time, the HTML
// association through its check box, the advert links (needs xdotool). The
// Internet Options window: pages stored for other processes, bad input
// refused, and browsing data that a real page left behind deleted through the
// engine's shared context.
#include "about/internet_options.h"
#include "gtk/about_dialog.h"
#include "gtk/internet_options_dialog.h"
#include "gtk/web_context.h"
#include "tests/gtk/common/dialogs.h"
#include "tests/gtk/common/http_server.h"
#include "tests/gtk/common/wait.h"
#include "tests/gtk/common/x_input.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/about/doubles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace driftway;
using namespace driftway::gtk;
using driftway::about::testing::stored_choice;
using namespace driftway::testing;
using platform::Hkey;

namespace {

class AboutDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.mkdir("Driftway Program");
        owner.show();
        AboutServicesHolder::Locations where;
        where.config_home = dir.str() + "/config";
        where.data_home = dir.str() + "/data";
        where.program_folder = dir.str() + "/Driftway Program";
        where.facts = std::make_shared<about::testing::FixedFacts>(); // no System Information tool
        where.shell = std::make_unique<ShellDouble>();
        services = std::make_unique<AboutServicesHolder>(std::move(where));
    }

    void TearDown() override
    {
        if (auto* open = current_about_dialog())
            open->cmdOK().clicked();
        pump_for(50); // closed boxes go away from idle
    }

    AboutDialog& open(Gtk::Window& from)
    {
        show_about_dialog(from, first, *services);
        AboutDialog* dialog = current_about_dialog();
        EXPECT_NE(dialog, nullptr);
        EXPECT_TRUE(wait_until([&] { return dialog->get_mapped(); }, 5000));
        return *dialog;
    }

    std::string classes_root_default(const std::string& key)
    {
        const auto value = services->registry().read_value(Hkey::HKEY_CLASSES_ROOT, key, "");
        return value ? value->data.substr(0, value->data.find('\0')) : "(none)";
    }

    TempDir dir;
    std::unique_ptr<AboutServicesHolder> services;
    std::vector<std::string> log;
    about::testing::RecordingWindow first{log};
    Gtk::Window owner;
};

TEST_F(AboutDialogTest, OneBoxAtATimeLoadedAfreshWithTheAssociationOnItsCheckBox)
{
    AboutDialog& box = open(owner);
    EXPECT_TRUE(box.get_modal());
    EXPECT_TRUE(box.picIcon().get_pixbuf() && box.imgEditor().get_pixbuf());
    EXPECT_FALSE(box.chkAssociate().get_active());
    EXPECT_EQ(stored_choice(services->settings()), "absent")
        << "loading without a stored choice writes nothing";
    EXPECT_TRUE(services->registry().key_paths(Hkey::HKEY_CLASSES_ROOT).empty());
    // Checking associates, unchecking withdraws.
    box.chkAssociate().clicked();
    EXPECT_EQ(stored_choice(services->settings()), "1");
    EXPECT_EQ(classes_root_default("DriftwayHTM\\shell\\open\\command"),
              "\"" + dir.str() + "/Driftway Program/Driftway\" \"%1\"");
    EXPECT_TRUE(std::filesystem::exists(services->desktop().desktop_file()));
    box.chkAssociate().clicked();
    EXPECT_EQ(stored_choice(services->settings()), "0");
    EXPECT_EQ(classes_root_default("DriftwayHTM"), "(none)");
    EXPECT_FALSE(std::filesystem::exists(services->desktop().desktop_file()));

    Gtk::Window second_owner;
    second_owner.show();
    show_about_dialog(second_owner, first, *services);
    EXPECT_EQ(current_about_dialog(), &box) << "a second request brings the open box forward";
    EXPECT_EQ(box.get_transient_for(), &owner);
    // The close box does what OK does; the box is released.
    box.close();
    EXPECT_TRUE(wait_until([] { return current_about_dialog() == nullptr; }, 5000));

    // A choice stored meanwhile is what the next box shows: it loaded again,
    // and wrote the associations the stored "1" stands for.
    services->settings().save_setting("Quillmere", "Driftway", "open-HTML", "1");
    AboutDialog& again = open(second_owner);
    EXPECT_TRUE(again.chkAssociate().get_active());
    EXPECT_EQ(classes_root_default(".html"), "DriftwayHTML");
    EXPECT_TRUE(std::filesystem::exists(services->desktop().desktop_file()));
    EXPECT_EQ(again.get_transient_for(), &second_owner);
    // Closing the owner closes the box it owns.
    second_owner.hide();
    EXPECT_EQ(current_about_dialog(), nullptr);
    EXPECT_FALSE(again.get_visible());
}

TEST_F(AboutDialogTest, TheAdvertOpensThePublisherAndADamagedSettingsFileIsReportedOverTheOwner)
{
    open(owner).cmdDownload().clicked();
    EXPECT_EQ(current_about_dialog(), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"show", "NavNow " + about::advert_download_address()}));

    // The label is clicked with the real mouse.
    log.clear();
    AboutDialog& box = open(owner);
    ASSERT_TRUE(
        wait_until([&] { return box.lblTy().get_window() && box.lblTy().get_window()->is_viewable(); }));
    int x = 0, y = 0;
    box.lblTy().get_window()->get_origin(x, y);
    const auto area = box.lblTy().get_allocation();
    ASSERT_TRUE(mouse_click(x + area.get_width() / 2, y + area.get_height() / 2));
    EXPECT_TRUE(wait_until([&] { return current_about_dialog() == nullptr; }, 5000));
    EXPECT_EQ(log, (std::vector<std::string>{"show", "NavNow " + about::publisher_home_address()}));

    // A damaged settings file is set aside and reported over the owner, as
    // the box is not shown yet.
    dir.write("config/Quillmere/settings.ini", std::string("[Driftway]\nopen-HTML=1\0", 24));
    MessageBoxAnswerer answerer(platform::MsgAnswer::Ok);
    open(owner).cmdOK().clicked();
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_NE(answerer.seen[0].text.find("settings.ini.corrupt-"), std::string::npos)
        << answerer.seen[0].text;
    EXPECT_EQ(answerer.seen[0].parent, &owner);
}

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
