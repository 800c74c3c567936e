// What the user picks is what gets acted on: a menu entry opens the
// favourite it showed even after a rescan renumbered the items, a name the
// favourites would hide is refused, dropping in the tree follows Move To's
// rules, and Add to Favorites suggests readable names.
#include "fav_doubles.h"
#include "favourites/context_menu.h"
#include "favourites/favorite_name.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace driftway::favourites;
using driftway::testing::FavFolderTest;
using driftway::testing::read_file;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

std::string shortcut(const std::string& url)
{
    return "[InternetShortcut]\r\nURL=" + url + "\r\n";
}

using Picked = FavFolderTest;

} // namespace

TEST_F(Picked, AMenuEntryOpensWhatItShowedOrSaysItHasGone)
{
    dir.write("b.url", shortcut("https://b.example/"));
    dir.write("c.url", shortcut("https://c.example/"));
    load();
    const auto drawn = window.menu; // the menu the user has open: 1101 b, 1102 c
    dir.write("a.url", shortcut("https://a.example/"));
    faves.RefreshFavorites(window); // a newer scan: 1101 a, 1102 b, 1103 c
    faves.FavWndProc(window, 1102, &drawn->scan());
    EXPECT_EQ(window.navigations, Strings{"https://c.example/"});

    fs::remove(dir.path() / "b.url");
    faves.FavWndProc(window, 1101, &drawn->scan());
    EXPECT_EQ(window.navigations.size(), 1u);
    ASSERT_EQ(window.prompts_double.messages.size(), 1u);
    EXPECT_NE(window.prompts_double.messages[0].find("b.url\" is no longer there"), std::string::npos);
}

TEST_F(Picked, AFolderIsNeverRenamedOutOfSightButADotItemIsFine)
{
    dir.mkdir("Work");
    dir.write("Work/x.url", shortcut("https://x.example/"));
    dir.write("note.url", shortcut("https://n.example/"));
    load();
    select("Work/");
    EXPECT_EQ(faves.AfterLabelEdit(window, ".Work"), LabelEdit::Cancel);
    EXPECT_TRUE(fs::is_directory(dir.path() / "Work"));
    ASSERT_EQ(window.prompts_double.messages.size(), 1u);
    EXPECT_NE(window.prompts_double.messages[0].find("would vanish"), std::string::npos);

    select("note.url");
    EXPECT_EQ(faves.AfterLabelEdit(window, ".note"), LabelEdit::Accept);
    EXPECT_NE(window.node(root() + ".note.url"), 0) << "dot files are shown";
}

TEST_F(Picked, DroppingMovesByMoveToRulesAndOnlyOntoAnotherFolder)
{
    dir.mkdir("A/Inner");
    dir.mkdir("B");
    dir.write("B/x.url", shortcut("https://other.example/"));
    dir.write("x.url", shortcut("https://x.example/"));
    load();
    const auto node = [&](const std::string& relative) { return window.node(root() + relative); };
    window.tree.SetExpanded(node("A/"), true);
    EXPECT_FALSE(can_drop_into(window.tree, 1, node("B/"))) << "the root stays";
    EXPECT_FALSE(can_drop_into(window.tree, node("A/"), node("A/"))) << "not into itself";
    EXPECT_FALSE(can_drop_into(window.tree, node("A/"), node("A/Inner/"))) << "nor below itself";
    EXPECT_FALSE(can_drop_into(window.tree, node("A/Inner/"), node("A/"))) << "already there";
    EXPECT_FALSE(can_drop_into(window.tree, node("A/"), node("x.url"))) << "onto a folder only";
    EXPECT_TRUE(can_drop_into(window.tree, node("A/Inner/"), 1));

    DropOnFolder(faves, window, node("x.url"), node("B/"));
    EXPECT_EQ(read_file(dir.path() / "B/x.url"), shortcut("https://other.example/")) << "never overwritten";
    EXPECT_EQ(read_file(dir.path() / "B/x (2).url"), shortcut("https://x.example/"));
    EXPECT_EQ(window.selected_key(), root() + "B/x (2).url");
    DropOnFolder(faves, window, node("A/"), node("B/"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "B/A/Inner"));
    EXPECT_EQ(window.selected_key(), root() + "B/A/");
}

TEST(FavoriteName, DropsOnlyFileExtensionsAndNamesUntitledPagesByHostAndPath)
{
    EXPECT_EQ(suggested_favorite_name("Release 2.0 notes", "https://r.example/"), "Release 2.0 notes");
    EXPECT_EQ(suggested_favorite_name("index.html", "file:///srv/index.html"), "index");
    EXPECT_EQ(suggested_favorite_name("report.PDF", "https://r.example/"), "report");
    EXPECT_EQ(suggested_favorite_name("Example.com", "https://example.com/"), "Example.com");
    EXPECT_EQ(suggested_favorite_name("Version 3.1", "https://v.example/"), "Version 3.1");
    const std::string address = "https://www.example.org/docs/user%20guide/setup.html?lang=en#top";
    EXPECT_EQ(suggested_favorite_name(address, address), "example.org - docs - user guide - setup");
    EXPECT_EQ(suggested_favorite_name("", "https://example.org/"), "example.org");
    EXPECT_EQ(suggested_favorite_name("", "https://example.org/blog/index.php"), "example.org - blog");
    EXPECT_EQ(suggested_favorite_name("", "file:///home/me/notes.txt"), "home - me - notes");
}
