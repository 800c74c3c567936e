// The favourites module around the scan: where the folder is, opening from
// menu and tree, several windows, adding (and the names it suggests),
// renaming, path routines.
#include "fav_doubles.h"
#include "favourites/favorite_name.h"
#include "favourites/internet_shortcut.h"
#include "favourites/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace driftway::favourites;
using driftway::platform::MsgAnswer;
using namespace driftway::testing;
using Strings = std::vector<std::string>;

const auto shortcut = internet_shortcut_text;

using Faves = FavFolderTest;

TEST(SpecialFolder, ComesFromTheEnvironmentOrTheXdgDataFolderAndIsNeverTheRoot)
{
    TempDir dir;
    {
        ScopedEnv fav("DRIFTWAY_FAVORITES", dir.str() + "/mine/Favs/");
        EXPECT_EQ(ModFaves::GetSpecialFolder(CSIDL_FAVORITES), dir.str() + "/mine/Favs");
        EXPECT_TRUE(fs::is_directory(dir.path() / "mine/Favs"));
        EXPECT_EQ(ModFaves::GetSpecialFolder(5), "");
    }
    for (const char* bad : {"/", "//", "/tmp/.."}) {
        ScopedEnv fav("DRIFTWAY_FAVORITES", bad);
        EXPECT_EQ(ModFaves::GetSpecialFolder(CSIDL_FAVORITES), "") << bad;
    }
    {
        ScopedEnv fav("DRIFTWAY_FAVORITES", "");
        ScopedEnv xdg("XDG_DATA_HOME", dir.str() + "/data");
        EXPECT_EQ(ModFaves::GetSpecialFolder(CSIDL_FAVORITES), dir.str() + "/data/Driftway/Favorites");
    }

    // A folder that cannot be made is reported once, not at every refresh.
    dir.write("file", "");
    ScopedEnv blocked("DRIFTWAY_FAVORITES", dir.str() + "/file/Favorites");
    ModFaves faves;
    FavWindowDouble window;
    faves.LoadFavorites(window);
    faves.RefreshFavorites(window);
    EXPECT_EQ(window.texts(), Strings{"Favorites"});
    EXPECT_EQ(faves.FavPath(), "");
    ASSERT_EQ(window.prompts_double.messages.size(), 1u);
    EXPECT_NE(window.prompts_double.messages[0].text.find(kFolderUnavailable), std::string::npos);
}

// Clicks in the tree are the GTK main window's and monitor's tests, with the real mouse.
TEST_F(Faves, MenuIdsOpenTheirItemAndNothingElse)
{
    dir.write("A/first.url", shortcut("https://first.example/"));
    dir.write("here.url", shortcut("https://Here.example/")); // differs only in case: navigates
    dir.write("same.url", shortcut("https://here.example/")); // the page shown: does not
    dir.write("tool.lnk", "");
    dir.write("empty.url", "[InternetShortcut]\r\n");
    dir.write("notes.txt", shortcut("https://never.example/"));
    load();
    window.location_url = "https://here.example/";
    // 1101 A/first, 1102 empty, 1103 here, 1104 notes, 1105 same, 1106 tool.
    for (int id : {1101, 1102, 1103, 1104, 1105, 1106, 1107, 1100, 1099, 5000})
        faves.FavWndProc(window, id);
    EXPECT_EQ(window.navigations, (Strings{"https://first.example/", "https://Here.example/"}));
    EXPECT_EQ(window.shell_double.opened, Strings{root() + "tool.lnk"});
    fs::remove(dir.path() / "A/first.url");
    faves.FavWndProc(window, 1101);
    EXPECT_EQ(window.navigations.size(), 2u);
    EXPECT_EQ(window.prompts_double.messages.size(), 1u) << "a favourite gone is reported";
}

TEST_F(Faves, EveryWindowHasItsOwnTreeAndAnyChangeRefreshesThemAll)
{
    dir.write("one.url", shortcut("a"));
    FavWindowDouble other;
    load();
    faves.LoadFavorites(other);
    EXPECT_EQ(window.menus_installed, 1); // the second load leaves the first window alone
    dir.write("two.url", shortcut("b"));
    faves.RefreshFavorites(other);
    EXPECT_EQ(window.texts(), (Strings{"Favorites/", "one", "two"}));
    EXPECT_EQ(other.texts(), window.texts());

    faves.WindowClosed(other);
    EXPECT_FALSE(faves.FavWndProc(other, 1101));
    faves.RefreshFavorites(window);
    EXPECT_EQ(other.menus_installed, 2);

    // A window closed while a scan yields is left alone.
    auto third = std::make_unique<FavWindowDouble>();
    faves.LoadFavorites(*third);
    window.on_do_events = [&] {
        if (third) {
            faves.WindowClosed(*third);
            third.reset();
        }
    };
    faves.RefreshFavorites(window);
    EXPECT_EQ(window.texts(), (Strings{"Favorites/", "one", "two"}));
}

// Writing the shortcut from the dialog's answer is the GTK dialog test's.
TEST_F(Faves, AddToFavoritesAsksBeforeReplacing)
{
    dir.write("News/Release 2.url", shortcut("https://example.org/2.0"));
    load();
    window.dialogs_double.add_answer = AddFavoriteChoice{dir.str() + "/News", "Release 2"};
    window.location_url = "https://example.org/other";
    window.prompts_double.answers = {MsgAnswer::No};
    faves.AddToFavorites(window);
    EXPECT_EQ(read_file(dir.path() / "News/Release 2.url"), shortcut("https://example.org/2.0"));
    window.prompts_double.answers = {MsgAnswer::Yes};
    faves.AddToFavorites(window);
    EXPECT_EQ(read_file(dir.path() / "News/Release 2.url"), shortcut("https://example.org/other"));

    window.dialogs_double.add_answer = AddFavoriteChoice{dir.str(), "a/b"};
    faves.AddToFavorites(window);
    EXPECT_FALSE(fs::exists(dir.path() / "a"));
    EXPECT_EQ(window.frozen, 0);
}

TEST(FavoriteName, DropsOnlyFileExtensionsAndNamesUntitledPagesByHostAndPath)
{
    EXPECT_EQ(suggested_favorite_name("Release 2.0 notes", "https://r.example/"), "Release 2.0 notes");
    EXPECT_EQ(suggested_favorite_name("index.html", "file:///srv/index.html"), "index");
    EXPECT_EQ(suggested_favorite_name("report.PDF", "https://r.example/"), "report");
    EXPECT_EQ(suggested_favorite_name("Example.com", "https://example.com/"), "Example.com");
    const std::string address = "https://www.example.org/docs/user%20guide/setup.html?lang=en#top";
    EXPECT_EQ(suggested_favorite_name(address, address), "example.org - docs - user guide - setup");
    EXPECT_EQ(suggested_favorite_name("", "https://example.org/blog/index.php"), "example.org - blog");
    EXPECT_EQ(suggested_favorite_name("", "file:///home/me/notes.txt"), "home - me - notes");
}

TEST_F(Faves, RenamingAnItemKeepsItsKindAndNeverOverwritesOrLosesOne)
{
    dir.write("News.url", shortcut("n"));
    dir.write("Tool.lnk", "link");
    dir.write("b.url", shortcut("b"));
    dir.write("gone.url", shortcut("g"));
    load();
    select("News.url");
    for (const char* bad : {"News", "", "  ", "../escape"}) // the first is no change
        EXPECT_EQ(faves.AfterLabelEdit(window, bad), LabelEdit::Cancel) << bad;
    EXPECT_EQ(window.prompts_double.messages.size(), 3u);
    EXPECT_EQ(faves.AfterLabelEdit(window, "Daily"), LabelEdit::Accept);
    EXPECT_EQ(read_file(dir.path() / "Daily.url"), shortcut("n"));
    EXPECT_EQ(window.selected_key(), root() + "Daily.url");
    select("Tool.lnk");
    EXPECT_EQ(faves.AfterLabelEdit(window, "Hammer"), LabelEdit::Accept);
    EXPECT_EQ(read_file(dir.path() / "Hammer.lnk"), "link");

    // Onto a taken name: the entry lands beside it and is selected there.
    select("Daily.url");
    faves.AfterLabelEdit(window, "b");
    EXPECT_EQ(read_file(dir.path() / "b.url"), shortcut("b"));
    ASSERT_NE(window.tree.SelectedItem(), 1);
    EXPECT_EQ(read_file(window.selected_key()), shortcut("n"));

    // An entry that vanished is reported and the tree refreshed.
    select("gone.url");
    fs::remove(dir.path() / "gone.url");
    window.prompts_double.messages.clear();
    EXPECT_EQ(faves.AfterLabelEdit(window, "back"), LabelEdit::Cancel);
    EXPECT_EQ(window.prompts_double.messages.size(), 1u);
    EXPECT_EQ(node("gone.url"), 0);
    EXPECT_FALSE(fs::exists(dir.path() / "back.url"));

    // The root is the Favorites folder itself.
    window.tree.SetSelected(1, true);
    EXPECT_EQ(faves.AfterLabelEdit(window, "Gone"), LabelEdit::Cancel);
    EXPECT_TRUE(fs::exists(dir.path()));
}

// Pipes and oversized files are the endless files test's.
TEST(Paths, ReadIniReadsValuesWholeAndSurvivesAnyFile)
{
    TempDir dir;
    const auto read = [&](const std::string& name) {
        return ReadINI(dir.str() + name, "InternetShortcut", "URL");
    };
    const std::string long_url = "https://example.org/?q=" + std::string(300, 'x');
    dir.write("long.url", "\xEF\xBB\xBF[internetshortcut]\nurl = " + long_url + "\nURL=second\n");
    EXPECT_EQ(read("/long.url"), long_url);
    std::string garbage(1 << 16, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 7919) % 251);
    dir.write("garbage.url", garbage);
    EXPECT_EQ(read("/garbage.url"), "");
    dir.write("other.url", "[Other]\nURL=x\n");
    EXPECT_EQ(read("/other.url"), "");
    EXPECT_EQ(read("/missing.url"), "");
    EXPECT_EQ(read(""), "");
}

} // namespace
