// Folders nested 2,000 deep: search, rename, move and delete at the top, in the
// middle and at the bottom, with the whole tree compared after each; and a
// nesting whose paths outgrow what the system can name. Needs real folders.
#include "tests/unit/favourites/fav_doubles.h"
#include "torture_support.h"

#include "favourites/context_menu.h"
#include "favourites/fav_search.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
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
using driftway::testing::without;

constexpr int kDepth = 2000;

// "d/d/.../d" with `levels` parts.
std::string chain(int levels, const std::string& name = "d")
{
    std::string path;
    for (int i = 0; i < levels; ++i)
        path += (i ? "/" : "") + name;
    return path;
}

class DeepTree : public ::testing::Test {
protected:
    ScopedEnv tmp{"TMPDIR", driftway::testing::fast_temp_folder()};
    TempDir dir;
    ScopedEnv env{"DRIFTWAY_FAVORITES", dir.str()};
    ModFaves faves;
    FavWindowDouble window;
    std::string root() const { return dir.str() + "/"; }
    void select(const std::string& relative)
    {
        window.tree.SetSelected(window.node(root() + relative), true);
    }
};

TEST_F(DeepTree, TwoThousandLevelsRenameMoveAndDeleteWithoutLosingALevel)
{
    std::string path = root();
    for (int level = 1; level <= kDepth; ++level) {
        path += "d/";
        ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << level;
        // A page every 500 levels, so that a lost level shows in the snapshot.
        if (level % 500 == 0)
            dir.write(chain(level) + "/level " + std::to_string(level) + ".url", std::to_string(level));
    }
    dir.write(chain(kDepth) + "/bottom.url", "bottom");
    dir.mkdir("Archive");
    faves.LoadFavorites(window);
    ASSERT_EQ(tree_vs_disk(window.tree, root()), "");
    auto expected = snapshot(dir.str());

    FavSearch search(window.tree, window.prompts_double);
    EXPECT_EQ(search.cmdSearch_Click("bottom"), window.node(root() + chain(kDepth) + "/bottom.url"));

    // The bottom page, then a folder half-way down, renamed in place.
    select(chain(kDepth) + "/bottom.url");
    EXPECT_EQ(faves.AfterLabelEdit(window, "-the very bottom"), LabelEdit::Accept);
    expected =
        moved(std::move(expected), chain(kDepth) + "/bottom.url", chain(kDepth) + "/-the very bottom.url");
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");
    EXPECT_EQ(window.selected_key(), root() + chain(kDepth) + "/-the very bottom.url");

    select(chain(1000) + "/");
    EXPECT_EQ(faves.AfterLabelEdit(window, "m"), LabelEdit::Accept);
    const std::string middle = chain(999) + "/m";
    expected = moved(std::move(expected), chain(1000), middle);
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");
    EXPECT_EQ(window.selected_key(), root() + middle + "/");
    EXPECT_EQ(tree_vs_disk(window.tree, root()), "");

    // Into its own descendant 1,500 levels down: refused, nothing moves.
    select("d/");
    window.dialogs_double.browse_answer = root() + middle + "/" + chain(500);
    mnuRFav_Click(faves, window, kRFavMoveTo);
    ASSERT_EQ(window.prompts_double.messages.size(), 1u);
    EXPECT_NE(window.prompts_double.messages[0].find("into itself"), std::string::npos);
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");

    // The whole chain into another folder, then a part of it back out.
    window.dialogs_double.browse_answer = root() + "Archive";
    mnuRFav_Click(faves, window, kRFavMoveTo);
    expected = moved(std::move(expected), "d", "Archive/d");
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");
    EXPECT_EQ(window.selected_key(), root() + "Archive/d/");
    EXPECT_EQ(tree_vs_disk(window.tree, root()), "");

    const std::string lower_half = "Archive/" + middle + "/" + chain(500);
    select(lower_half + "/");
    window.dialogs_double.browse_answer = dir.str();
    mnuRFav_Click(faves, window, kRFavMoveTo);
    expected = moved(std::move(expected), lower_half, "d");
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");
    EXPECT_EQ(tree_vs_disk(window.tree, root()), "");

    // Deleting each part removes every level of it and nothing beside it.
    select("Archive/d/");
    mnuRFav_Click(faves, window, kRFavDelete);
    expected = without(std::move(expected), "Archive/d");
    select("d/");
    mnuRFav_Click(faves, window, kRFavDelete);
    expected = without(std::move(expected), "d");
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");
    EXPECT_EQ(expected.size(), 1u); // the empty Archive
    EXPECT_EQ(window.texts(), (std::vector<std::string>{"Favorites/", "Archive/"}));
    EXPECT_EQ(window.prompts_double.messages.size(), 1u);
}

// Removes a tree through descriptors, one folder open at a time, so that
// paths longer than the system's limit are no obstacle.
void remove_by_descriptors(const std::string& top)
{
    int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    std::vector<std::string> names;
    while (fd >= 0) {
        std::string sub;
        DIR* listing = ::fdopendir(::dup(fd));
        while (const dirent* entry = listing ? ::readdir(listing) : nullptr) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            if (entry->d_type == DT_DIR)
                sub = name;
            else
                ::unlinkat(fd, name.c_str(), 0);
        }
        if (listing)
            ::closedir(listing);
        if (!sub.empty()) {
            const int down = ::openat(fd, sub.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            ::close(fd);
            fd = down;
            names.push_back(sub);
            continue;
        }
        if (names.empty()) {
            ::close(fd);
            break;
        }
        const int up = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        ::unlinkat(up, names.back().c_str(), AT_REMOVEDIR);
        names.pop_back();
        fd = up;
    }
    ::rmdir(top.c_str());
}

TEST_F(DeepTree, PathsLongerThanTheSystemCanNameLoseNothing)
{
    // 2,000 levels of "dd" make paths of 6,000 bytes: the lower levels
    // cannot be reached by any path. They are made through descriptors.
    ASSERT_EQ(::mkdir((root() + "Deep").c_str(), 0755), 0);
    int fd = ::open((root() + "Deep").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < kDepth && fd >= 0; ++level) {
        ASSERT_EQ(::mkdirat(fd, "dd", 0755), 0);
        const int down = ::openat(fd, "dd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = down;
    }
    ASSERT_GE(fd, 0);
    const int page = ::openat(fd, "unreachable.url", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(page, 0);
    ASSERT_EQ(::write(page, "u", 1), 1);
    ::close(page);
    ::close(fd);
    dir.write("beside.url", "b");
    struct Cleanup {
        std::string top;
        ~Cleanup() { remove_by_descriptors(top); }
    } cleanup{root() + "Deep"};

    // The tree shows the levels that have a name; nothing more, no error.
    faves.LoadFavorites(window);
    const int reachable = window.tree.Count() - 3; // the root, Deep and beside
    EXPECT_GT(reachable, 1000);
    EXPECT_LT(reachable, kDepth);
    EXPECT_TRUE(window.prompts_double.messages.empty());

    // Renaming and moving the top take the unreachable levels along.
    select("Deep/");
    EXPECT_EQ(faves.AfterLabelEdit(window, "Deeper"), LabelEdit::Accept);
    cleanup.top = root() + "Deeper";
    dir.mkdir("Box");
    faves.RefreshFavorites(window);
    select("Deeper/");
    window.dialogs_double.browse_answer = root() + "Box";
    mnuRFav_Click(faves, window, kRFavMoveTo);
    cleanup.top = root() + "Box/Deeper";
    EXPECT_EQ(window.selected_key(), root() + "Box/Deeper/");
    EXPECT_TRUE(window.prompts_double.messages.empty());

    // A delete either takes every level or, told why, leaves every level.
    const auto before = snapshot(dir.str());
    select("Box/Deeper/");
    mnuRFav_Click(faves, window, kRFavDelete);
    struct stat st {};
    if (::lstat((root() + "Box/Deeper").c_str(), &st) == 0) {
        EXPECT_EQ(window.prompts_double.messages.size(), 1u);
        int down = ::open((root() + "Box/Deeper").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int level = 0; level < kDepth && down >= 0; ++level) {
            const int next = ::openat(down, "dd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(down);
            down = next;
        }
        ASSERT_GE(down, 0) << "a level was lost";
        EXPECT_EQ(::faccessat(down, "unreachable.url", F_OK, 0), 0) << "the lowest page was lost";
        ::close(down);
        EXPECT_EQ(differences(before, snapshot(dir.str())), "");
    } else {
        EXPECT_TRUE(window.prompts_double.messages.empty());
        EXPECT_EQ(window.texts(), (std::vector<std::string>{"Favorites/", "Box/", "beside"}));
    }
    EXPECT_EQ(driftway::testing::read_file(dir.path() / "beside.url"), "b");
}

} // namespace
