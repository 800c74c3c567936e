// Symbolic links that loop (a folder linking to itself, to its parent and to
// the root; two files linking to each other): every operation ends and acts
// on the links, never on what they point to.
#include "favourites/internet_shortcut.h"
#include "torture_support.h"

namespace {

namespace fs = std::filesystem;
using namespace driftway::favourites;
using namespace driftway::testing;
using Strings = std::vector<std::string>;

const auto shortcut = internet_shortcut_text;

TEST(LinkLoops, EveryOperationEndsAndTouchesOnlyTheLinksThemselves)
{
    FavRig rig;
    const fs::path& dir = rig.dir.path();
    rig.dir.write("Loop/page.url", shortcut("https://example.org/page"));
    rig.dir.write("Target/real.url", shortcut("https://example.org/real"));
    fs::create_directory_symlink("..", dir / "Loop/up");
    fs::create_directory_symlink(".", dir / "Loop/self");
    fs::create_directory_symlink(dir, dir / "Loop/top");
    fs::create_directory_symlink("../Target", dir / "Loop/Target link");
    fs::create_symlink("pong.url", dir / "ping.url");
    fs::create_symlink("ping.url", dir / "pong.url");
    fs::create_symlink("nowhere.url", dir / "dangling.url");

    auto& window = rig.window;
    int yields = 0;
    window.on_do_events = [&] { ++yields; };
    rig.load();
    EXPECT_EQ(yields, 3); // the root, Loop and Target, each read once
    EXPECT_EQ(window.texts(),
              (Strings{"Favorites/", "Loop/", "page", "Target/", "real", "dangling", "ping", "pong"}));
    rig.check("load");
    EXPECT_EQ(window.menu->full().children.size(), 3u + 2 + 3);

    // A search finds each page once, never again through a link.
    EXPECT_EQ(rig.search.cmdSearch_Click("real"), rig.node("Target/real.url"));
    EXPECT_EQ(rig.search.cmdSearch_Click("real"), 0);

    // Opening a link that loops gives nothing to open, and no error.
    for (std::size_t k = 0; k < rig.faves.FavItems(window).size(); ++k)
        EXPECT_TRUE(rig.faves.FavWndProc(window, kIdFirstItem + static_cast<int>(k) + 1));
    EXPECT_EQ(window.navigations, (Strings{"https://example.org/page", "https://example.org/real"}));

    // Links are renamed, moved and deleted as they are, never their targets.
    rig.rename("ping.url", "pinged", "pinged.url");
    rig.move("Loop/", "Target", "Target/Loop");
    rig.check("rename and move");
    for (const char* link : {"Target/Loop/", "pinged.url", "pong.url", "dangling.url"})
        rig.remove(link);
    rig.check("deletes");
    EXPECT_EQ(window.prompts_double.messages.size(), 1u) << "only the search's miss";
}

TEST(LinkLoops, AFavoritesFolderThatIsItselfALinkIsReadThroughIt)
{
    FavRig rig;
    rig.dir.write("Real favourites/News/daily.url", shortcut("https://example.org/daily"));
    fs::create_directory_symlink(rig.dir.path() / "Real favourites", rig.dir.path() / "Favorites");
    ScopedEnv env{"DRIFTWAY_FAVORITES", rig.root() + "Favorites"};
    rig.faves.LoadFavorites(rig.window);
    EXPECT_EQ(rig.window.texts(), (Strings{"Favorites/", "News/", "daily"}));
    EXPECT_EQ(tree_vs_disk(rig.window.tree, rig.root() + "Favorites/"), "");
}

} // namespace
