// The tree's context menu (enabled states, each command on disk and the node
// selected afterwards) and the search over node texts. Needs real temporary
// folders and the window, dialog and prompt doubles.
#include "fav_doubles.h"
#include "favourites/context_menu.h"
#include "favourites/fav_search.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace driftway::favourites;
using driftway::platform::MenuEntry;
using driftway::platform::MsgIcon;
using driftway::testing::FavWindowDouble;
using driftway::testing::read_file;
using driftway::testing::ScopedEnv;
using driftway::testing::TempDir;
using Strings = std::vector<std::string>;

class Context : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv env{"DRIFTWAY_FAVORITES", dir.str()};
    ModFaves faves;
    FavWindowDouble window;
    std::string root() const { return dir.str() + "/"; }
    void load() { faves.LoadFavorites(window); }
    void select(const std::string& relative)
    {
        window.tree.SetSelected(window.node(root() + relative), true);
    }
    void click(int index) { mnuRFav_Click(faves, window, index); }
    std::vector<bool> enabled(const MenuEntry& menu)
    {
        std::vector<bool> out;
        for (const auto& item : menu.children)
            out.push_back(item.enabled);
        return out;
    }
};

TEST(ContextMenuData, CaptionsAndVisibilityFollowTheTable)
{
    const MenuEntry menu = FavPopupMenu();
    EXPECT_EQ(menu.caption, "Fav Pop up");
    EXPECT_FALSE(menu.visible);
    Strings shown;
    for (const auto& item : menu.children) {
        EXPECT_EQ(item.set, "mnuRFav");
        if (item.visible)
            shown.push_back(item.caption);
    }
    ASSERT_EQ(menu.children.size(), 14u);
    EXPECT_EQ(menu.children[0].caption, "Add To Favorites...");
    EXPECT_EQ(menu.children[10].caption, "Import Bookmarks");
    EXPECT_EQ(shown, (Strings{"Move To...", "Rename", "Delete", "Properties", "-", "Open Folder",
                              "New Folder", "-", "Refresh"}));
}

TEST_F(Context, OpeningDisablesMoveRenameDeleteForTheRootOnly)
{
    dir.write("a.url", "");
    load();
    window.tree.SetSelected(1, false);
    const auto none = enabled(mnuPopUp_Click(faves, window));
    EXPECT_EQ(window.tree.SelectedItem(), 1);
    const std::vector<bool> root_states{true, true, false, false, false, true, true,
                                        true, true, true,  true,  true,  true, true};
    EXPECT_EQ(none, root_states);
    select("a.url");
    EXPECT_EQ(enabled(mnuPopUp_Click(faves, window)), std::vector<bool>(14, true));

    // A stray click on a disabled command does not touch the Favorites folder.
    window.tree.SetSelected(1, true);
    window.dialogs_double.browse_answer = dir.str();
    click(kRFavDelete);
    click(kRFavMoveTo);
    EXPECT_TRUE(fs::exists(dir.path() / "a.url"));
    EXPECT_TRUE(window.dialogs_double.calls.empty());
}

TEST_F(Context, NewFolderBesideAnItemGoesIntoItsFolderWithAFreeName)
{
    dir.write("Links/news.url", "");
    dir.mkdir("Links/New folder");
    dir.mkdir("Links/New folder1");
    load();
    select("Links/news.url");
    window.view.log.clear();
    click(kRFavNewFolder);
    EXPECT_TRUE(fs::is_directory(dir.path() / "Links/New folder2"));
    const int made = window.node(root() + "Links/New folder2/");
    ASSERT_NE(made, 0);
    EXPECT_EQ(window.tree.SelectedItem(), made);
    EXPECT_EQ(window.view.log, (Strings{"freeze", "thaw", "visible " + std::to_string(made), "focus",
                                        "edit " + std::to_string(made)}));

    window.tree.SetSelected(1, true);
    click(kRFavNewFolder);
    EXPECT_TRUE(fs::is_directory(dir.path() / "New folder"));
}

TEST_F(Context, NewFolderThatCannotBeMadeIsReportedAndDrawingResumes)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes everywhere";
    dir.mkdir("Locked");
    load();
    ::chmod((dir.path() / "Locked").c_str(), 0555);
    select("Locked/");
    window.view.log.clear();
    click(kRFavNewFolder);
    EXPECT_EQ(window.view.log, (Strings{"freeze", "thaw"}));
    ASSERT_EQ(window.prompts_double.messages.size(), 1u);
    EXPECT_NE(window.prompts_double.messages[0].find("Locked/New folder"), std::string::npos);
    EXPECT_FALSE(window.tree.frozen());
}

TEST_F(Context, MoveToSelectsTheMovedFolderAtItsNewKey)
{
    dir.write("Work/todo.url", "t");
    dir.mkdir("Archive");
    load();
    select("Work/");
    window.dialogs_double.browse_answer = dir.str() + "/Archive";
    click(kRFavMoveTo);
    EXPECT_EQ(window.dialogs_double.calls, Strings{"BrowseForFolder " + dir.str()});
    EXPECT_EQ(read_file(dir.path() / "Archive/Work/todo.url"), "t");
    EXPECT_EQ(window.selected_key(), root() + "Archive/Work/");
    EXPECT_TRUE(window.tree.Expanded(window.tree.SelectedItem()));
    EXPECT_TRUE(window.tree.Expanded(window.node(root() + "Archive/")));
    EXPECT_FALSE(window.tree.frozen());
}

TEST_F(Context, MoveToIntoItselfOrOntoATakenNameLosesNothing)
{
    dir.write("Work/Sub/x.url", "x");
    dir.write("Work/a.url", "mine");
    dir.write("Other/a.url", "theirs");
    load();
    select("Work/");
    window.dialogs_double.browse_answer = dir.str() + "/Work/Sub";
    click(kRFavMoveTo);
    EXPECT_TRUE(fs::exists(dir.path() / "Work/Sub/x.url"));
    ASSERT_EQ(window.prompts_double.messages.size(), 1u);
    EXPECT_NE(window.prompts_double.messages[0].find("into itself"), std::string::npos);

    select("Work/a.url");
    window.dialogs_double.browse_answer = dir.str() + "/Other";
    click(kRFavMoveTo);
    EXPECT_EQ(read_file(dir.path() / "Other/a.url"), "theirs");
    EXPECT_FALSE(fs::exists(dir.path() / "Work/a.url"));
    ASSERT_NE(window.tree.SelectedItem(), 1);
    EXPECT_EQ(read_file(window.selected_key()), "mine");

    // Cancelling the picker does nothing at all.
    select("Other/a.url");
    window.dialogs_double.browse_answer = "";
    window.view.log.clear();
    click(kRFavMoveTo);
    EXPECT_TRUE(window.view.log.empty());
}

TEST_F(Context, DeleteRemovesWithoutAskingAndSelectsTheParent)
{
    dir.write("Links/old.url", "");
    dir.write("Links/keep.url", "");
    dir.write("Gone/deep/x.url", "");
    load();
    select("Links/old.url");
    click(kRFavDelete);
    EXPECT_FALSE(fs::exists(dir.path() / "Links/old.url"));
    EXPECT_TRUE(fs::exists(dir.path() / "Links/keep.url"));
    EXPECT_EQ(window.selected_key(), root() + "Links/");
    EXPECT_TRUE(window.tree.Expanded(window.tree.SelectedItem()));
    EXPECT_TRUE(window.prompts_double.messages.empty());

    select("Gone/");
    click(kRFavDelete);
    EXPECT_FALSE(fs::exists(dir.path() / "Gone"));
    EXPECT_EQ(window.tree.SelectedItem(), 1);
}

TEST_F(Context, OddlyNamedNeighboursSurviveMovesAndDeletesBesideThem)
{
    const Strings odd{"with blanks.url", "\"quoted\".url", "-leading dash.url",
                      "new\nline.url",   "caf\xE9.url",    std::string(251, 'l') + ".url"};
    for (const auto& name : odd)
        dir.write("Links/" + name, name);
    dir.write("Links/victim.url", "v");
    dir.write("Links/mover.url", "m");
    dir.mkdir("Target");
    load();
    select("Links/victim.url");
    click(kRFavDelete);
    select("Links/mover.url");
    window.dialogs_double.browse_answer = dir.str() + "/Target";
    click(kRFavMoveTo);
    EXPECT_EQ(read_file(dir.path() / "Target/mover.url"), "m");
    for (const auto& name : odd)
        EXPECT_EQ(read_file(dir.path() / "Links" / name), name);
    EXPECT_TRUE(window.prompts_double.messages.empty());
}

TEST_F(Context, AMoveTheFileSystemRefusesChangesNothingAndSaysWhy)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes everywhere";
    dir.write("Locked/keep.url", "k");
    dir.mkdir("Target");
    load();
    ::chmod((dir.path() / "Locked").c_str(), 0555);
    select("Locked/keep.url");
    window.dialogs_double.browse_answer = dir.str() + "/Target";
    click(kRFavMoveTo);
    EXPECT_EQ(read_file(dir.path() / "Locked/keep.url"), "k");
    EXPECT_FALSE(fs::exists(dir.path() / "Target/keep.url"));
    ASSERT_EQ(window.prompts_double.messages.size(), 1u);
    EXPECT_NE(window.prompts_double.messages[0].find("keep.url"), std::string::npos);
    EXPECT_FALSE(window.tree.frozen());
}

TEST_F(Context, CommandsOnAnEntryThatVanishedReportAndRefresh)
{
    dir.write("Links/x.url", "");
    load();
    for (int index : {kRFavDelete, kRFavProperties, kRFavOpenFolder, kRFavNewFolder}) {
        dir.write("Links/x.url", "");
        faves.RefreshFavorites(window);
        select("Links/x.url");
        fs::remove_all(dir.path() / "Links");
        window.prompts_double.messages.clear();
        click(index);
        EXPECT_EQ(window.prompts_double.messages.size(), 1u) << index;
        EXPECT_EQ(window.texts(), Strings{"Favorites/"}) << index;
    }
    EXPECT_TRUE(window.folder_windows.empty());
    EXPECT_TRUE(window.dialogs_double.calls.empty());
}

TEST_F(Context, PropertiesOpenFolderRenameAndRefreshActOnTheSelectedNode)
{
    dir.write("Links/news.url", "");
    load();
    select("Links/news.url");
    click(kRFavProperties);
    click(kRFavOpenFolder);
    window.tree.SetSelected(1, true);
    click(kRFavProperties);
    click(kRFavOpenFolder);
    EXPECT_EQ(window.dialogs_double.calls,
              (Strings{"ShowProperties " + root() + "Links/news.url", "ShowProperties " + dir.str()}));
    EXPECT_EQ(window.folder_windows, (Strings{root() + "Links/", root()}));

    select("Links/");
    window.tree.SetExpanded(window.tree.SelectedItem(), true);
    window.view.log.clear();
    click(kRFavRename);
    EXPECT_EQ(window.view.log, Strings{"edit 2"});
    click(kRFavRefresh);
    EXPECT_FALSE(window.tree.Expanded(2));
    EXPECT_EQ(window.tree.SelectedItem(), 1);
    for (int index : {0, 1, 6, 9, 10, 11, 12, 14, -1})
        click(index);
    EXPECT_EQ(window.dialogs_double.calls.size(), 2u);
}

class Search : public Context {
protected:
    void SetUp() override
    {
        dir.write("Daily news.url", "");
        dir.write("News/Sports news.url", "");
        dir.write("Weather.url", "");
        load();
        // Favorites, News, Sports news, Daily news, Weather.
    }
    FavSearch search{window.tree, window.prompts_double};
};

TEST_F(Search, FindsInTreeOrderIgnoringCaseThenMissesUntilTheTermChanges)
{
    EXPECT_EQ(search.caption(), "&Search");
    EXPECT_EQ(search.cmdSearch_Click("NEWS"), 2);
    EXPECT_EQ(search.caption(), "&Search Next...");
    EXPECT_EQ(window.tree.DropHighlight(), 2);
    EXPECT_EQ(search.cmdSearch_Click("NEWS"), 3);
    EXPECT_EQ(search.cmdSearch_Click("NEWS"), 4);
    EXPECT_EQ(window.tree.SelectedItem(), 4);
    EXPECT_EQ(search.cmdSearch_Click("NEWS"), 0);
    EXPECT_EQ(search.caption(), "&Search");
    EXPECT_EQ(search.SearchPos(), 5);
    EXPECT_EQ(search.cmdSearch_Click("NEWS"), 0);
    EXPECT_EQ(window.prompts_double.messages,
              (Strings{"Not Found|Search term not found", "Not Found|Search term not found"}));
    EXPECT_EQ(window.prompts_double.icons.back(), MsgIcon::Exclamation);
    search.txtSearch_Change();
    EXPECT_EQ(search.cmdSearch_Click("news"), 2);
}

TEST_F(Search, TheRootTakesPartAndAnEmptyTermMatchesTheFirstNode)
{
    EXPECT_EQ(search.cmdSearch_Click("fav"), 1);
    search.txtSearch_Change();
    EXPECT_EQ(search.cmdSearch_Click(""), 1);
    EXPECT_EQ(search.cmdSearch_Click(""), 2);
    search.txtSearch_Change();
    EXPECT_EQ(search.cmdSearch_Click(kSearchInitialText), 0);
    EXPECT_EQ(lower_text("\xC3\x84RGER"), "\xC3\xA4rger");
}

} // namespace
