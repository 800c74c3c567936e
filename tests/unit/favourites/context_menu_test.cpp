// The tree's context menu (enabled states, each command on disk and the node
// selected afterwards), where a dragged favourite may be dropped, and the
// search over node texts, on real folders.
#include "fav_doubles.h"
#include "favourites/context_menu.h"
#include "favourites/fav_search.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace driftway::favourites;
using namespace driftway::testing;
using Strings = std::vector<std::string>;

class Context : public FavFolderTest {
protected:
    std::vector<ShownMessage>& messages = window.prompts_double.messages;
    void click(int index) { mnuRFav_Click(faves, window, index); }
    void move_to(const std::string& relative, const std::string& target)
    {
        select(relative);
        window.dialogs_double.browse_answer = target.empty() ? "" : root() + target;
        click(kRFavMoveTo);
    }
    std::vector<bool> enabled_on_opening()
    {
        std::vector<bool> out;
        for (const auto& item : mnuPopUp_Click(faves, window).children)
            out.push_back(item.enabled);
        return out;
    }
};

TEST_F(Context, OpeningDisablesMoveRenameDeleteForTheRootOnlyAndTheOthersActOnTheSelection)
{
    dir.write("a.url", "");
    dir.write("Links/news.url", "");
    load();
    window.tree.SetSelected(1, false);
    std::vector<bool> root_states(kRFavCount, true);
    root_states[kRFavMoveTo] = root_states[kRFavRename] = root_states[kRFavDelete] = false;
    EXPECT_EQ(enabled_on_opening(), root_states);
    EXPECT_EQ(window.tree.SelectedItem(), 1);
    select("a.url");
    EXPECT_EQ(enabled_on_opening(), std::vector<bool>(kRFavCount, true));

    // A stray click on a disabled command does not touch the Favorites folder.
    window.tree.SetSelected(1, true);
    click(kRFavDelete);
    move_to("", ".");
    EXPECT_TRUE(fs::exists(dir.path() / "a.url"));
    EXPECT_TRUE(window.dialogs_double.calls.empty());

    // Properties and Open Folder act on the selected node, the root too.
    for (const char* relative : {"Links/news.url", ""}) {
        select(relative);
        click(kRFavProperties);
        click(kRFavOpenFolder);
    }
    EXPECT_EQ(window.dialogs_double.calls,
              (Strings{"ShowProperties " + root() + "Links/news.url", "ShowProperties " + dir.str()}));
    EXPECT_EQ(window.folder_windows, (Strings{root() + "Links/", root()}));
}

// New Folder is the GTK window and tree view tests'; moves (where they land,
// what they refuse, that nothing is lost) the torture tests'.
TEST_F(Context, DeleteSelectsTheParentAndLeavesTheNeighbours)
{
    dir.write("Links/victim.url", "v");
    dir.write("Links/neighbour.url", "n");
    load();
    select("Links/victim.url");
    click(kRFavDelete);
    EXPECT_FALSE(fs::exists(dir.path() / "Links/victim.url"));
    EXPECT_EQ(read_file(dir.path() / "Links/neighbour.url"), "n");
    EXPECT_EQ(window.selected_key(), root() + "Links/");
    EXPECT_TRUE(window.tree.Expanded(window.tree.SelectedItem()));
    EXPECT_TRUE(messages.empty());
}

TEST_F(Context, CommandsOnAnEntryThatVanishedReportAndRefresh)
{
    load();
    for (int index : {kRFavDelete, kRFavProperties, kRFavOpenFolder, kRFavNewFolder}) {
        dir.write("Links/x.url", "");
        faves.RefreshFavorites(window);
        select("Links/x.url");
        fs::remove_all(dir.path() / "Links");
        messages.clear();
        click(index);
        EXPECT_EQ(messages.size(), 1u) << index;
        EXPECT_EQ(window.texts(), Strings{"Favorites/"}) << index;
    }
    EXPECT_TRUE(window.folder_windows.empty());
    EXPECT_TRUE(window.dialogs_double.calls.empty());
}

TEST_F(Context, ADropGoesOnlyIntoAnotherFolderNeverIntoItself)
{
    dir.mkdir("A/Inner");
    dir.mkdir("B");
    dir.write("x.url", "");
    load();
    window.tree.SetExpanded(node("A/"), true);
    for (const auto& [from, onto] :
         {std::pair{"", "B/"}, {"A/", "A/"}, {"A/", "A/Inner/"}, {"A/Inner/", "A/"}, {"A/", "x.url"}})
        EXPECT_FALSE(can_drop_into(window.tree, node(from), node(onto))) << from << " " << onto;
    EXPECT_TRUE(can_drop_into(window.tree, node("A/Inner/"), 1));
}

TEST_F(Context, SearchFindsInTreeOrderIgnoringCaseThenMissesUntilTheTermChanges)
{
    dir.write("Daily news.url", "");
    dir.write("News/Sports news.url", "");
    load(); // Favorites, News, Sports news, Daily news.
    FavSearch search{window.tree, window.prompts_double};
    EXPECT_EQ(search.cmdSearch_Click("NEWS"), 2);
    EXPECT_EQ(search.caption(), "&Search Next...");
    EXPECT_EQ(window.tree.DropHighlight(), 2);
    EXPECT_EQ(search.cmdSearch_Click("NEWS"), 3);
    EXPECT_EQ(search.cmdSearch_Click("NEWS"), 4);
    EXPECT_EQ(window.tree.SelectedItem(), 4);
    EXPECT_EQ(search.cmdSearch_Click("NEWS"), 0);
    EXPECT_EQ(search.caption(), "&Search");
    EXPECT_EQ(search.cmdSearch_Click("NEWS"), 0);
    EXPECT_EQ(window.prompts_double.texts(), (Strings{"Search term not found", "Search term not found"}));
    EXPECT_EQ(messages[0].caption, "Not Found");
    search.txtSearch_Change();
    EXPECT_EQ(search.cmdSearch_Click("news"), 2);

    // The root takes part, and an empty term matches every node in turn.
    for (const auto& [term, hits] :
         {std::pair{"fav", std::vector{1}}, {"", std::vector{1, 2}}, {kSearchInitialText, std::vector{0}}}) {
        search.txtSearch_Change();
        for (int hit : hits)
            EXPECT_EQ(search.cmdSearch_Click(term), hit) << term;
    }
    EXPECT_EQ(lower_text("\xC3\x84RGER"), "\xC3\xA4rger");
}

} // namespace
