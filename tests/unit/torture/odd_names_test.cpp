// Names with newlines, leading dashes, bytes that are not UTF-8 and 255 bytes,
// as folders and as favourites: they show readably, are found, renamed, moved
// (onto taken names too) and deleted by their exact bytes, and nothing beside
// them changes. Needs real temporary folders.
#include "tests/unit/favourites/fav_doubles.h"
#include "torture_support.h"

#include "favourites/context_menu.h"
#include "favourites/fav_menu.h"
#include "favourites/fav_search.h"
#include "favourites/file_ops.h"
#include "favourites/paths.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

using namespace driftway::favourites;
using driftway::platform::MenuEntry;
using driftway::testing::differences;
using driftway::testing::FavWindowDouble;
using driftway::testing::moved;
using driftway::testing::ScopedEnv;
using driftway::testing::shown;
using driftway::testing::snapshot;
using driftway::testing::TempDir;
using driftway::testing::tree_vs_disk;
using driftway::testing::without;

// Printable and valid UTF-8: what a tree row or a menu caption can show.
bool showable(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = utf8_sequence_length(text, i);
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (len == 0 || (len == 1 && (c < 0x20 || c == 0x7F)))
            return false;
        i += len;
    }
    return true;
}

void expect_showable(const MenuEntry& menu)
{
    for (const auto& entry : menu.children) {
        EXPECT_TRUE(showable(entry.caption)) << shown(entry.caption);
        expect_showable(entry);
    }
}

class OddNames : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv env{"DRIFTWAY_FAVORITES", dir.str()};
    ModFaves faves;
    FavWindowDouble window;
    std::string root() const { return dir.str() + "/"; }
    void select(const std::string& relative)
    {
        const int node = window.node(root() + relative);
        ASSERT_NE(node, 0) << shown(relative);
        window.tree.SetSelected(node, true);
    }
    void move_to(const std::string& relative, const std::string& folder)
    {
        ASSERT_NO_FATAL_FAILURE(select(relative));
        window.dialogs_double.browse_answer = root() + folder;
        mnuRFav_Click(faves, window, kRFavMoveTo);
    }
    void delete_entry(const std::string& relative)
    {
        ASSERT_NO_FATAL_FAILURE(select(relative));
        mnuRFav_Click(faves, window, kRFavDelete);
    }
    // The name of the selected node's entry on disk.
    std::string landed() const { return std::string(base_name(strip_slash(window.selected_key()))); }
};

const std::string kDashFolder = "-Folder --help";
const std::string kNewlineFolder = "new\nline folder";
const std::string kBadFolder = "bad \xC0\xFF bytes";
const std::string kLongFolder(255, 'f');
const std::string kLongName = std::string(251, 'x') + ".url";
const std::string kLongRenamed = std::string(251, 'w') + ".url";
// 125 two-byte characters, then "x.url": 255 bytes that a numbered name must
// not cut in the middle of a character.
std::string wide_name()
{
    std::string name;
    for (int i = 0; i < 125; ++i)
        name += "\xC3\xA9";
    return name + "x.url";
}

TEST_F(OddNames, ShowFindRenameMoveAndDeleteByTheirExactBytes)
{
    for (const auto& folder : {kDashFolder, kNewlineFolder, kBadFolder, kLongFolder})
        dir.mkdir(folder);
    for (const std::string name : {"-rf.url", "--.url", "two\nlines.url", "\n.url", "caf\xE9.url",
                                   "\xFF\xFE\xFD.url", "   spaced   .url", "back\\slash*?<>|.url"})
        dir.write(name, "content of " + name);
    dir.write(kLongName, "long");
    dir.write(kLongRenamed, "to rename");
    dir.write(kLongFolder + "/" + kLongName, "the other long one");
    dir.write(wide_name(), "wide");
    dir.write(kDashFolder + "/" + wide_name(), "the other wide one");
    ASSERT_EQ(wide_name().size(), 255u);

    faves.LoadFavorites(window);
    ASSERT_EQ(tree_vs_disk(window.tree, root()), "");
    for (int i = 1; i <= window.tree.Count(); ++i)
        EXPECT_TRUE(showable(window.tree.Text(i))) << shown(window.tree.Text(i));
    expect_showable(window.menu->full());
    auto expected = snapshot(dir.str());

    FavSearch search(window.tree, window.prompts_double);
    EXPECT_EQ(search.cmdSearch_Click("LINES"), window.node(root() + "two\nlines.url"));
    search.txtSearch_Change();
    EXPECT_EQ(search.cmdSearch_Click("caf\xC3\xA9"), window.node(root() + "caf\xE9.url"));

    // Renames: to leading dashes, across a newline, to bytes that are not
    // UTF-8, and to the longest name there can be.
    const auto rename = [&](const std::string& from, const std::string& text, const std::string& to) {
        ASSERT_NO_FATAL_FAILURE(select(from));
        EXPECT_EQ(faves.AfterLabelEdit(window, text), LabelEdit::Accept) << shown(from);
        expected = moved(std::move(expected), strip_slash(from), strip_slash(to));
        EXPECT_EQ(window.selected_key(), root() + to);
    };
    rename("-rf.url", "--version", "--version.url");
    rename("two\nlines.url", "three\nlines\n", "three\nlines\n.url");
    rename("\xFF\xFE\xFD.url", "still \xFE bad", "still \xFE bad.url");
    rename(kLongRenamed, std::string(251, 'v'), std::string(251, 'v') + ".url");
    rename(kNewlineFolder + "/", "-n", "-n/");
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");

    // One byte too long: refused with a message, nothing renamed.
    ASSERT_NO_FATAL_FAILURE(select(std::string(251, 'v') + ".url"));
    EXPECT_EQ(faves.AfterLabelEdit(window, std::string(252, 'z')), LabelEdit::Cancel);
    ASSERT_EQ(window.prompts_double.messages.size(), 1u);
    EXPECT_TRUE(showable(window.prompts_double.messages[0]));
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");

    // Moves onto taken 255-byte names land under a numbered name that still
    // fits and does not cut a character; the name that was there stays.
    move_to(kLongName, kLongFolder);
    std::string name = landed();
    EXPECT_LE(name.size(), 255u);
    EXPECT_NE(name, kLongName);
    EXPECT_TRUE(name.ends_with(" (2).url")) << shown(name);
    expected = moved(std::move(expected), kLongName, kLongFolder + "/" + name);

    move_to(wide_name(), kDashFolder);
    name = landed();
    EXPECT_LE(name.size(), 255u);
    EXPECT_TRUE(showable(name)) << shown(name);
    EXPECT_TRUE(name.ends_with(" (2).url")) << shown(name);
    expected = moved(std::move(expected), wide_name(), kDashFolder + "/" + name);

    move_to("-n/", kDashFolder);
    expected = moved(std::move(expected), "-n", kDashFolder + "/-n");
    move_to(kBadFolder + "/", kLongFolder);
    expected = moved(std::move(expected), kBadFolder, kLongFolder + "/" + kBadFolder);
    move_to("three\nlines\n.url", kLongFolder + "/" + kBadFolder);
    expected = moved(std::move(expected), "three\nlines\n.url",
                     kLongFolder + "/" + kBadFolder + "/three\nlines\n.url");
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");
    EXPECT_EQ(tree_vs_disk(window.tree, root()), "");

    for (const std::string entry : {"--.url", "\n.url", "back\\slash*?<>|.url"}) {
        delete_entry(entry);
        expected = without(std::move(expected), entry);
    }
    delete_entry(kDashFolder + "/");
    expected = without(std::move(expected), kDashFolder);
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");
    EXPECT_EQ(tree_vs_disk(window.tree, root()), "");
    EXPECT_EQ(window.prompts_double.messages.size(), 1u);
}

} // namespace
