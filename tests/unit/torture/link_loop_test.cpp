// Symbolic links that loop (a folder linking to itself, to its parent and to
// the root; two files linking to each other): load, search, open, rename,
// move and delete end, and never act on what a link points to.
#include "tests/unit/favourites/fav_doubles.h"
#include "torture_support.h"

#include "favourites/context_menu.h"
#include "favourites/fav_menu.h"
#include "favourites/fav_search.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace driftway::favourites;
using driftway::testing::differences;
using driftway::testing::FavWindowDouble;
using driftway::testing::moved;
using driftway::testing::ScopedEnv;
using driftway::testing::snapshot;
using driftway::testing::TempDir;
using driftway::testing::tree_vs_disk;
using driftway::testing::without;
using Strings = std::vector<std::string>;

std::string shortcut(const std::string& url)
{
    return "[InternetShortcut]\r\nURL=" + url + "\r\n";
}

TEST(LinkLoops, EveryOperationEndsAndTouchesOnlyTheLinksThemselves)
{
    TempDir dir;
    ScopedEnv env{"DRIFTWAY_FAVORITES", dir.str()};
    const std::string root = dir.str() + "/";
    dir.write("Loop/page.url", shortcut("https://example.org/page"));
    dir.write("Target/real.url", shortcut("https://example.org/real"));
    fs::create_directory_symlink("..", dir.path() / "Loop/up");
    fs::create_directory_symlink(".", dir.path() / "Loop/self");
    fs::create_directory_symlink(dir.path(), dir.path() / "Loop/top");
    fs::create_directory_symlink("../Target", dir.path() / "Loop/Target link");
    fs::create_symlink("pong.url", dir.path() / "ping.url");
    fs::create_symlink("ping.url", dir.path() / "pong.url");
    fs::create_symlink("nowhere.url", dir.path() / "dangling.url");

    ModFaves faves;
    FavWindowDouble window;
    int yields = 0;
    window.on_do_events = [&] { ++yields; };
    faves.LoadFavorites(window);
    EXPECT_EQ(yields, 3); // the root, Loop and Target, each read once
    EXPECT_EQ(window.texts(),
              (Strings{"Favorites/", "Loop/", "page", "Target/", "real", "dangling", "ping", "pong"}));
    ASSERT_EQ(tree_vs_disk(window.tree, root), "");
    auto expected = snapshot(dir.str());

    // The menu of every folder ends too.
    EXPECT_EQ(window.menu->full().children.size(), 3u + 2 + 3);

    // A search finds each page once, never again through a link.
    FavSearch search(window.tree, window.prompts_double);
    EXPECT_EQ(search.cmdSearch_Click("real"), window.node(root + "Target/real.url"));
    EXPECT_EQ(search.cmdSearch_Click("real"), 0);

    // Opening a link that loops gives nothing to open, and no error.
    const auto items = faves.FavItems(window);
    for (std::size_t k = 0; k < items.size(); ++k)
        EXPECT_TRUE(faves.FavWndProc(window, kIdFirstItem + static_cast<int>(k) + 1));
    EXPECT_EQ(window.navigations, (Strings{"https://example.org/page", "https://example.org/real"}));

    // Renaming a looping link renames the link; its target text stays.
    window.tree.SetSelected(window.node(root + "ping.url"), true);
    EXPECT_EQ(faves.AfterLabelEdit(window, "pinged"), LabelEdit::Accept);
    expected = moved(std::move(expected), "ping.url", "pinged.url");
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");

    // Moving the folder of loops moves the links as they are.
    window.tree.SetSelected(window.node(root + "Loop/"), true);
    window.dialogs_double.browse_answer = root + "Target";
    mnuRFav_Click(faves, window, kRFavMoveTo);
    expected = moved(std::move(expected), "Loop", "Target/Loop");
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");
    EXPECT_EQ(tree_vs_disk(window.tree, root), "");

    // Deleting it takes the links, never the root or the folder they reach.
    window.tree.SetSelected(window.node(root + "Target/Loop/"), true);
    mnuRFav_Click(faves, window, kRFavDelete);
    expected = without(std::move(expected), "Target/Loop");
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");

    for (const char* link : {"pinged.url", "pong.url", "dangling.url"}) {
        window.tree.SetSelected(window.node(root + link), true);
        mnuRFav_Click(faves, window, kRFavDelete);
        expected = without(std::move(expected), link);
    }
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");
    EXPECT_EQ(window.texts(), (Strings{"Favorites/", "Target/", "real"}));
    EXPECT_TRUE(window.prompts_double.messages.size() == 1u) << "only the search's miss";
}

TEST(LinkLoops, AFavoritesFolderThatIsItselfALinkIsReadThroughIt)
{
    TempDir dir;
    dir.write("Real favourites/News/daily.url", shortcut("https://example.org/daily"));
    fs::create_directory_symlink(dir.path() / "Real favourites", dir.path() / "Favorites");
    ScopedEnv env{"DRIFTWAY_FAVORITES", dir.str() + "/Favorites"};
    ModFaves faves;
    FavWindowDouble window;
    faves.LoadFavorites(window);
    EXPECT_EQ(window.texts(), (Strings{"Favorites/", "News/", "daily"}));
    EXPECT_EQ(tree_vs_disk(window.tree, dir.str() + "/Favorites/"), "");
}

} // namespace
