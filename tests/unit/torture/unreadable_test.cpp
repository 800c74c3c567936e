// Folders that cannot be read, searched or written: load, search, rename, move
// and delete either work or say why, and lose nothing behind the locked doors.
// Runs as the user "nobody" (through setpriv) when the suite runs as root.
#include "tests/unit/favourites/fav_doubles.h"
#include "torture_support.h"

#include "favourites/context_menu.h"
#include "favourites/fav_search.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace driftway::favourites;
using driftway::testing::differences;
using driftway::testing::FavWindowDouble;
using driftway::testing::moved;
using driftway::testing::ScopedEnv;
using driftway::testing::snapshot;
using driftway::testing::TempDir;
using driftway::testing::tree_vs_disk;
using Strings = std::vector<std::string>;

class Unreadable : public ::testing::Test {
protected:
    std::string root() const { return m_dir->str() + "/"; }
    void select(const std::string& relative)
    {
        const int node = window().node(root() + relative);
        ASSERT_NE(node, 0) << relative;
        window().tree.SetSelected(node, true);
    }
    void lock(const std::string& relative, mode_t mode)
    {
        ASSERT_EQ(::chmod((root() + relative).c_str(), mode), 0);
    }
    FavWindowDouble& window() { return *m_window; }

    // Made only in the process that runs the body: the parent that hands the
    // test to "nobody" leaves no folder of root's behind for it.
    void start()
    {
        m_dir = std::make_unique<TempDir>();
        m_env = std::make_unique<ScopedEnv>("DRIFTWAY_FAVORITES", m_dir->str());
        m_window = std::make_unique<FavWindowDouble>();
    }
    TempDir& dir() { return *m_dir; }

    std::unique_ptr<TempDir> m_dir;
    std::unique_ptr<ScopedEnv> m_env;
    ModFaves faves;
    std::unique_ptr<FavWindowDouble> m_window;
};

TEST_F(Unreadable, LockedFoldersShowEmptyAndEveryOperationWorksOrSaysWhy)
{
    if (driftway::testing::ran_unprivileged())
        return;
    start();
    dir().write("Locked/inner.url", "inner");
    dir().write("Locked/Sub/deeper.url", "deeper");
    dir().write("NoSearch/listed.url", "listed");
    dir().write("NoSearch/Sub/hidden.url", "hidden");
    dir().write("ReadOnly/keep.url", "keep");
    dir().write("Holder/Locked too/x.url", "x");
    dir().write("Open/y.url", "y");
    const auto everything = snapshot(dir().str());
    lock("Locked", 0);
    lock("NoSearch", 0444);
    lock("ReadOnly", 0555);
    lock("Holder/Locked too", 0);

    // What can be listed shows; what cannot shows as an empty folder.
    faves.LoadFavorites(window());
    EXPECT_EQ(window().texts(), (Strings{"Favorites/", "Holder/", "Locked too/", "Locked/", "NoSearch/",
                                         "Sub/", "listed", "Open/", "y", "ReadOnly/", "keep"}));
    EXPECT_EQ(tree_vs_disk(window().tree, root()), "");
    EXPECT_TRUE(window().prompts_double.messages.empty());
    FavSearch search(window().tree, window().prompts_double);
    EXPECT_EQ(search.cmdSearch_Click("inner"), 0);
    window().prompts_double.messages.clear();
    auto expected = snapshot(dir().str());

    // A locked folder is renamed as a whole: its parent is writable.
    ASSERT_NO_FATAL_FAILURE(select("Locked/"));
    EXPECT_EQ(faves.AfterLabelEdit(window(), "Still locked"), LabelEdit::Accept);
    expected = moved(std::move(expected), "Locked", "Still locked");
    EXPECT_EQ(differences(expected, snapshot(dir().str())), "");

    // What would change a folder that cannot be written is refused with a
    // message: a rename in it, a move into it, a move or delete of a folder
    // that cannot be emptied.
    const auto refused = [&](const std::string& what) {
        EXPECT_EQ(window().prompts_double.messages.size(), 1u) << what;
        window().prompts_double.messages.clear();
        EXPECT_EQ(differences(expected, snapshot(dir().str())), "") << what;
        EXPECT_FALSE(window().tree.frozen()) << what;
    };
    ASSERT_NO_FATAL_FAILURE(select("ReadOnly/keep.url"));
    EXPECT_EQ(faves.AfterLabelEdit(window(), "gone"), LabelEdit::Cancel);
    refused("rename in a read-only folder");

    ASSERT_NO_FATAL_FAILURE(select("Open/y.url"));
    window().dialogs_double.browse_answer = root() + "ReadOnly";
    mnuRFav_Click(faves, window(), kRFavMoveTo);
    refused("move into a read-only folder");

    ASSERT_NO_FATAL_FAILURE(select("Still locked/"));
    window().dialogs_double.browse_answer = root() + "Open";
    mnuRFav_Click(faves, window(), kRFavMoveTo);
    const bool locked_moved = window().prompts_double.messages.empty();
    if (locked_moved) // file systems differ on whether a folder needs write access to change parents
        expected = moved(std::move(expected), "Still locked", "Open/Still locked");
    else
        refused("move of a locked folder to another parent");
    const std::string locked = locked_moved ? "Open/Still locked" : "Still locked";

    for (const auto& folder : Strings{"Holder/", "NoSearch/", locked + "/"}) {
        ASSERT_NO_FATAL_FAILURE(select(folder));
        mnuRFav_Click(faves, window(), kRFavDelete);
        refused("delete of " + folder);
    }
    EXPECT_EQ(tree_vs_disk(window().tree, root()), "");

    // With the rights given back, every page is where it was put.
    for (const auto& folder : Strings{locked, "NoSearch", "ReadOnly", "Holder/Locked too"})
        lock(folder, 0755);
    auto whole = moved(everything, "Locked", locked);
    EXPECT_EQ(differences(whole, snapshot(dir().str())), "");
}

} // namespace
