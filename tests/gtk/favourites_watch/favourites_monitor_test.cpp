// The favourites follow the folder on disk: files written by other processes
// show up, bursts refresh once, and the user's view and open label edit stay.
// Needs Xvfb and /bin/sh.
#include "gtk/fav_tree_view.h"
#include "gtk/favourites_monitor.h"
#include "tests/gtk/common/x_input.h"
#include "tests/gtk/favourites/fav_gtk_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

namespace dt = driftway::testing;

class FavouritesMonitorTest : public ::testing::Test, protected dt::GtkFavFolder {
protected:
    std::unique_ptr<driftway::gtk::FavouritesMonitor> monitor;

    void start()
    {
        load();
        monitor = std::make_unique<driftway::gtk::FavouritesMonitor>(
            faves, driftway::favourites::DebounceTiming{}, driftway::favourites::FolderWatch::kMaxWatches);
        monitor->start();
        ASSERT_TRUE(monitor->running());
    }
    // Runs a shell script in another process, with the Favorites folder as $1.
    void run_elsewhere(const std::string& script)
    {
        ASSERT_TRUE(dt::run({"/bin/sh", "-c", script, "sh", dir.str()})) << script;
    }
    // Runs a script elsewhere and waits for the tree to show the entry.
    bool appears(const std::string& script, const std::string& relative)
    {
        run_elsewhere(script);
        return dt::wait_until([&] { return node(relative) != 0; }, 5000);
    }
    void TearDown() override
    {
        monitor.reset();
        faves.WindowClosed(window);
    }
};

TEST_F(FavouritesMonitorTest, FilesAndFoldersMadeByAnotherProcessAreFollowed)
{
    dir.mkdir("News");
    start();
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(
        appears("printf '[InternetShortcut]\\r\\nURL=https://example.org/\\r\\n' > \"$1/News/Daily.url\"",
                "News/Daily.url"));
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(2500));
    EXPECT_EQ(window.tree.Text(node("News/Daily.url")), "Daily");

    // The files land before the new folders are watched; the refresh their
    // parent's notice causes finds them, and they are watched from then on.
    ASSERT_TRUE(
        appears("mkdir -p \"$1/New/Inner\" && printf x > \"$1/New/Inner/first.url\"", "New/Inner/first.url"));
    ASSERT_TRUE(dt::wait_until([&] { return monitor->watch_count() == 4; }, 5000));
    ASSERT_TRUE(appears("printf x > \"$1/New/Inner/second.url\"", "New/Inner/second.url"));
    // A folder moved away takes its watches with it.
    ASSERT_TRUE(appears("mv \"$1/New\" \"$1/Moved\"", "Moved/Inner/second.url"));
    EXPECT_EQ(node("New/"), 0);
    ASSERT_TRUE(appears("printf x > \"$1/Moved/Inner/third.url\"", "Moved/Inner/third.url"));
    EXPECT_EQ(monitor->watch_count(), 4u);

    // The Favorites folder removed and made again is followed again.
    run_elsewhere("rm -r \"$1\" && mkdir \"$1\"");
    ASSERT_TRUE(
        dt::wait_until([&] { return window.tree.Count() == 1 && monitor->watch_count() == 1; }, 5000));
    ASSERT_TRUE(appears("printf x > \"$1/back.url\"", "back.url"));
}

TEST_F(FavouritesMonitorTest, ABurstOfTwoHundredFilesRefreshesOnceOrTwice)
{
    start();
    const int before = window.menus_installed;
    // Written while the main loop runs, a few milliseconds apart, as a copy
    // or a sync would write them.
    std::thread writer([dir = dir.str()] {
        for (int i = 0; i < 200; ++i) {
            const int fd =
                ::open((dir + "/f" + std::to_string(i) + ".url").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd >= 0)
                ::close(fd);
            ::usleep(2000);
        }
    });
    const bool all_shown = dt::wait_until([&] { return window.tree.Count() == 201; }, 5000);
    writer.join();
    ASSERT_TRUE(all_shown);
    dt::pump_for(1500);
    EXPECT_GE(window.menus_installed - before, 1);
    EXPECT_LE(window.menus_installed - before, 2);
}

// The same with the real tree view on screen: what the user opened and
// selected there survives, and an open label edit holds the refresh back.
TEST_F(FavouritesMonitorTest, TheUsersViewAndAnOpenLabelEditStay)
{
    url_file("A/A1/deep.url", "https://deep.example/");
    url_file("News.url", "https://news.example/");
    dir.mkdir("B");
    driftway::gtk::FavTreeView view(window.tree);
    window.top.add(view);
    window.top.set_default_size(300, 400);
    window.top.show_all();
    ASSERT_TRUE(dt::wait_until([&] { return view.tree_view().get_mapped(); }));
    start();
    monitor->hold_while([&] { return view.editing(); });

    auto& tv = view.tree_view();
    tv.expand_row(view.path_of(node("A/")), false);
    tv.expand_row(view.path_of(node("A/A1/")), false);
    tv.set_cursor(view.path_of(node("A/A1/deep.url")));
    ASSERT_TRUE(appears("printf x > \"$1/B/beta.url\"", "B/beta.url"));
    dt::pump_for(50);
    EXPECT_TRUE(tv.row_expanded(view.path_of(node("A/"))) && tv.row_expanded(view.path_of(node("A/A1/"))));
    EXPECT_TRUE(tv.get_selection()->is_selected(view.path_of(node("A/A1/deep.url"))));
    EXPECT_EQ(window.tree.SelectedItem(), node("A/A1/deep.url"));

    select("News.url");
    window.tree.StartLabelEdit();
    ASSERT_TRUE(view.editing());
    const int before = window.menus_installed;
    run_elsewhere("printf x > \"$1/Other.url\"");
    dt::pump_for(1500);
    EXPECT_EQ(window.menus_installed, before);
    EXPECT_TRUE(view.editing());
    ASSERT_TRUE(dt::type_label(tv, "", true));
    ASSERT_TRUE(dt::wait_until([&] { return node("Other.url") != 0; }, 5000));
    EXPECT_EQ(window.tree.SelectedItem(), node("News.url"));
    monitor.reset(); // before the view goes
}

} // namespace
