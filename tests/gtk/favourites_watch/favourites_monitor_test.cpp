// The favourites follow the folder on disk: files written by other processes
// show up in the tree, bursts refresh once, the user's view stays, and the
// program's own changes refresh only once. Needs Xvfb and /bin/sh.
#include "platform/gtk/fav_tree_view.h"
#include "platform/gtk/favourites_monitor.h"
#include "tests/gtk/favourites/fav_gtk_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace {

namespace dt = driftway::testing;
namespace fs = std::filesystem;
using driftway::favourites::LabelEdit;
using driftway::favourites::ModFaves;
using driftway::platform::gtk::FavouritesMonitor;
using driftway::platform::gtk::FavTreeView;

// A window that counts how often its views were rebuilt.
class CountingWindow : public dt::TestFavWindow {
public:
    CountingWindow() : dt::TestFavWindow(nullptr) {}
    void install_favorites_menu(std::shared_ptr<const driftway::favourites::FavMenu> menu) override
    {
        ++rebuilds;
        dt::TestFavWindow::install_favorites_menu(std::move(menu));
    }
    int node(const std::string& key) const { return driftway::favourites::find_node_by_key(tree, key); }
    int rebuilds = 0;
};

// Runs a shell script in another process, with `arg` as $1, and waits for it.
void run_elsewhere(const std::string& script, const std::string& arg)
{
    const char* argv[] = {"/bin/sh", "-c", script.c_str(), "sh", arg.c_str(), nullptr};
    gint status = 0;
    GError* error = nullptr;
    const bool ran = g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_DEFAULT, nullptr,
                                  nullptr, nullptr, nullptr, &status, &error);
    ASSERT_TRUE(ran) << (error ? error->message : "");
    ASSERT_TRUE(g_spawn_check_wait_status(status, nullptr)) << script;
}

class FavouritesMonitorTest : public ::testing::Test, protected dt::FavFolderFixture {
protected:
    ModFaves faves;
    CountingWindow window;
    std::unique_ptr<FavouritesMonitor> monitor;

    std::string key(const std::string& relative) const { return root() + "/" + relative; }
    void start(std::size_t max_watches = driftway::favourites::FolderWatch::kMaxWatches)
    {
        faves.LoadFavorites(window);
        monitor =
            std::make_unique<FavouritesMonitor>(faves, driftway::favourites::DebounceTiming{}, max_watches);
        monitor->start();
        ASSERT_TRUE(monitor->running());
    }
    void TearDown() override
    {
        monitor.reset();
        faves.WindowClosed(window);
    }
};

TEST_F(FavouritesMonitorTest, AFileWrittenByAnotherProcessShowsUpWithinASecondOrSo)
{
    folder("News");
    start();
    const auto begin = std::chrono::steady_clock::now();
    run_elsewhere("printf '[InternetShortcut]\\r\\nURL=https://example.org/\\r\\n' > \"$1/News/Daily.url\"",
                  root());
    ASSERT_TRUE(dt::wait_until([&] { return window.node(key("News/Daily.url")) != 0; }, 5000));
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(2500));
    EXPECT_EQ(window.tree.Text(window.node(key("News/Daily.url"))), "Daily");
    ASSERT_TRUE(window.menu);
    EXPECT_EQ(faves.FavItems(window).size(), 1u);
    EXPECT_EQ(monitor->refreshes(), 1);
}

TEST_F(FavouritesMonitorTest, ABurstOfTwoHundredFilesRefreshesOnceOrTwice)
{
    start();
    const int before = window.rebuilds;
    // Written while the main loop runs, a few milliseconds apart, as a copy
    // or a sync would write them.
    std::thread writer([dir = root()] {
        for (int i = 0; i < 200; ++i) {
            const std::string path = dir + "/f" + std::to_string(i) + ".url";
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd >= 0)
                ::close(fd);
            ::usleep(2000);
        }
    });
    const bool all_shown = dt::wait_until([&] { return window.tree.Count() == 201; }, 5000);
    writer.join();
    ASSERT_TRUE(all_shown);
    dt::pump_for(1500);
    EXPECT_GE(window.rebuilds - before, 1);
    EXPECT_LE(window.rebuilds - before, 2);
}

TEST_F(FavouritesMonitorTest, ARenameThroughTheProgramRefreshesOnlyOnce)
{
    url_file("Old name.url", "https://example.org/");
    folder("Folder");
    start();
    window.tree.SetSelected(window.node(key("Old name.url")), true);
    const int before = window.rebuilds;
    ASSERT_EQ(faves.AfterLabelEdit(window, "New name"), LabelEdit::Accept);
    EXPECT_EQ(window.rebuilds, before + 1);
    dt::pump_for(1500);
    EXPECT_EQ(window.rebuilds, before + 1);
    EXPECT_EQ(monitor->refreshes(), 0);
    EXPECT_NE(window.node(key("New name.url")), 0);
    // Creating and then renaming a folder from the program: no extra refresh either.
    fs::create_directory(key("Folder/Sub"));
    faves.RefreshFavorites(window);
    window.tree.SetSelected(window.node(key("Folder/Sub/")), true);
    ASSERT_EQ(faves.AfterLabelEdit(window, "Renamed"), LabelEdit::Accept);
    const int after = window.rebuilds;
    dt::pump_for(1500);
    EXPECT_EQ(window.rebuilds, after);
    EXPECT_EQ(monitor->refreshes(), 0);
}

TEST_F(FavouritesMonitorTest, NewFoldersAreFollowedFromTheirFirstFile)
{
    start();
    // The files land before the new folders are watched; the refresh their
    // parent's notice causes finds them, and the folders are watched from then on.
    run_elsewhere("mkdir -p \"$1/New/Inner\" && printf x > \"$1/New/Inner/first.url\"", root());
    ASSERT_TRUE(dt::wait_until([&] { return window.node(key("New/Inner/first.url")) != 0; }, 5000));
    ASSERT_TRUE(dt::wait_until([&] { return monitor->watch_count() == 3; }, 5000));
    run_elsewhere("printf x > \"$1/New/Inner/second.url\"", root());
    ASSERT_TRUE(dt::wait_until([&] { return window.node(key("New/Inner/second.url")) != 0; }, 5000));
    // A folder moved away by another process takes its watches with it.
    run_elsewhere("mv \"$1/New\" \"$1/Moved\"", root());
    ASSERT_TRUE(dt::wait_until([&] { return window.node(key("Moved/Inner/second.url")) != 0; }, 5000));
    EXPECT_EQ(window.node(key("New/")), 0);
    run_elsewhere("printf x > \"$1/Moved/Inner/third.url\"", root());
    ASSERT_TRUE(dt::wait_until([&] { return window.node(key("Moved/Inner/third.url")) != 0; }, 5000));
    EXPECT_EQ(monitor->watch_count(), 3u);
}

TEST_F(FavouritesMonitorTest, TheFavoritesFolderRemovedAndMadeAgainIsFollowedAgain)
{
    url_file("a.url", "https://a.example/");
    start();
    run_elsewhere("rm -r \"$1\" && mkdir \"$1\"", root());
    ASSERT_TRUE(dt::wait_until([&] { return window.tree.Count() == 1; }, 5000));
    ASSERT_TRUE(dt::wait_until([&] { return monitor->watch_count() == 1; }, 5000));
    run_elsewhere("printf x > \"$1/back.url\"", root());
    ASSERT_TRUE(dt::wait_until([&] { return window.node(key("back.url")) != 0; }, 5000));
}

// The same with the real tree view on screen: what the user opened and
// selected there survives, and an open label edit is not cut short.
class FollowingTreeViewTest : public FavouritesMonitorTest {
protected:
    Gtk::Window shell;
    std::unique_ptr<FavTreeView> view;

    void show_view()
    {
        view = std::make_unique<FavTreeView>(window.tree);
        shell.add(*view);
        shell.set_default_size(300, 400);
        shell.show_all();
        ASSERT_TRUE(dt::wait_until([&] { return view->tree_view().get_mapped(); }));
        start();
        monitor->hold_while([this] { return view->editing(); });
    }
    void TearDown() override
    {
        FavouritesMonitorTest::TearDown();
        view.reset();
    }
    GtkWidget* label_editor()
    {
        GList* children = gtk_container_get_children(GTK_CONTAINER(view->tree_view().gobj()));
        GtkWidget* editor = nullptr;
        for (GList* l = children; l; l = l->next) {
            if (GTK_IS_ENTRY(l->data))
                editor = GTK_WIDGET(l->data);
        }
        g_list_free(children);
        return editor;
    }
};

TEST_F(FollowingTreeViewTest, RowsTheUserOpenedAndSelectedStayOpenAndSelected)
{
    url_file("A/A1/deep.url", "https://deep.example/");
    folder("B");
    show_view();
    auto& tv = view->tree_view();
    tv.expand_row(view->path_of(window.node(key("A/"))), false);
    tv.expand_row(view->path_of(window.node(key("A/A1/"))), false);
    tv.set_cursor(view->path_of(window.node(key("A/A1/deep.url"))));
    run_elsewhere("printf x > \"$1/B/beta.url\"", root());
    ASSERT_TRUE(dt::wait_until([&] { return window.node(key("B/beta.url")) != 0; }, 5000));
    dt::pump_for(50);
    EXPECT_TRUE(tv.row_expanded(view->path_of(window.node(key("A/")))));
    EXPECT_TRUE(tv.row_expanded(view->path_of(window.node(key("A/A1/")))));
    const int deep = window.node(key("A/A1/deep.url"));
    EXPECT_TRUE(tv.get_selection()->is_selected(view->path_of(deep)));
    EXPECT_EQ(window.tree.SelectedItem(), deep);
}

TEST_F(FollowingTreeViewTest, AnOpenLabelEditHoldsTheRefreshBackUntilItEnds)
{
    url_file("News.url", "https://news.example/");
    show_view();
    window.tree.SetSelected(window.node(key("News.url")), true);
    window.tree.StartLabelEdit();
    ASSERT_TRUE(view->editing());
    const int before = window.rebuilds;
    run_elsewhere("printf x > \"$1/Other.url\"", root());
    dt::pump_for(1500);
    EXPECT_EQ(window.rebuilds, before);
    EXPECT_TRUE(view->editing());

    GtkWidget* editor = label_editor();
    ASSERT_NE(editor, nullptr);
    g_object_set(editor, "editing-canceled", TRUE, nullptr);
    gtk_cell_editable_editing_done(GTK_CELL_EDITABLE(editor));
    ASSERT_TRUE(dt::wait_until([&] { return window.node(key("Other.url")) != 0; }, 5000));
    EXPECT_EQ(window.tree.SelectedItem(), window.node(key("News.url")));
}

} // namespace
