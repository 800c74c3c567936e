#pragma once

// Helpers of the torture tests: changes to a folder snapshot, a
// favourites window on a temporary Favorites folder, and a way to run a test
// as an unprivileged user when the suite runs as root.

#include "favourites/context_menu.h"
#include "favourites/fav_menu.h"
#include "favourites/fav_search.h"
#include "favourites/file_ops.h"
#include "favourites/paths.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/favourites/fav_doubles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace driftway::testing {

// The snapshot with the entry at `from` and everything below it moved to `to`.
Snapshot moved(Snapshot entries, const std::string& from, const std::string& to);
Snapshot without(Snapshot entries, const std::string& path);
// A line per entry that differs (at most ten); empty when equal.
std::string differences(const Snapshot& expected, const Snapshot& actual);

// Where the tree is unsound whatever the folder holds (a key twice, a wrong
// first node, a node under the wrong parent); empty when sound.
std::string tree_structure(const favourites::Tree& tree, const std::string& root_key);
// The same, plus the keys missing from or extra to what the folder `root_key`
// must show: folders not starting with ".", and every other entry except
// links to folders and stray temporary files.
std::string tree_vs_disk(const favourites::Tree& tree, const std::string& root_key);

// /dev/shm when it is a writable memory file system with `bytes` free (large
// trees are made there in a fraction of a disk's time), else the usual folder.
std::string fast_temp_folder(std::uint64_t bytes = 64 << 20);
std::string shown(std::string_view name);

// As root, runs the current test again as the user "nobody" (folder rights do
// not bind root), records its verdict and answers true: the caller returns.
bool ran_unprivileged();

struct TempFolderEnv {
    ScopedEnv tmp;
};
// A favourites window on a fresh Favorites folder, made in the fast temporary
// folder when asked to hold `fast_bytes`. The operations keep `expected`,
// what the folder should hold, up to date. Each operation lands at `to`; an
// empty `to` means refused, nothing changes.
struct FavRig : TempFolderEnv, FavFolder<FavWindowDouble> {
    explicit FavRig(std::uint64_t fast_bytes = 0)
        : TempFolderEnv{{"TMPDIR", fast_bytes ? fast_temp_folder(fast_bytes)
                                              : std::filesystem::temp_directory_path().string()}}
    {
    }
    void load()
    {
        faves.LoadFavorites(window);
        expected = snapshot(dir.str());
    }
    void rename(const std::string& from, const std::string& text, const std::string& to)
    {
        ASSERT_NO_FATAL_FAILURE(select(from));
        EXPECT_EQ(faves.AfterLabelEdit(window, text),
                  to.empty() ? favourites::LabelEdit::Cancel : favourites::LabelEdit::Accept)
            << shown(from);
        landed(from, to);
    }
    void move(const std::string& from, const std::string& folder, const std::string& to)
    {
        ASSERT_NO_FATAL_FAILURE(select(from));
        window.dialogs_double.browse_answer = root() + folder;
        favourites::mnuRFav_Click(faves, window, favourites::kRFavMoveTo);
        landed(from, to);
    }
    void remove(const std::string& path)
    {
        ASSERT_NO_FATAL_FAILURE(select(path));
        favourites::mnuRFav_Click(faves, window, favourites::kRFavDelete);
        expected = without(std::move(expected), favourites::strip_slash(path));
    }
    // The folder holds what was expected and the tree shows the folder.
    void check(const std::string& when = "") const
    {
        EXPECT_EQ(differences(expected, snapshot(dir.str())), "") << when;
        EXPECT_EQ(tree_vs_disk(window.tree, root()), "") << when;
    }
    void landed(const std::string& from, const std::string& to)
    {
        if (to.empty())
            return;
        expected = moved(std::move(expected), favourites::strip_slash(from), to);
        EXPECT_EQ(favourites::strip_slash(window.selected_key()), root() + to);
    }

    Snapshot expected;
    favourites::FavSearch search{window.tree, window.prompts_double};
};

} // namespace driftway::testing
