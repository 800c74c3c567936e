// Folders nested 2,000 deep: search, rename, move and delete at the top, in the
// middle and at the bottom; and a nesting whose paths outgrow what the system
// can name.
#include "torture_support.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace driftway::favourites;
using namespace driftway::testing;

constexpr int kDepth = 2000;

// "d/d/.../d" with `levels` parts.
std::string chain(int levels)
{
    std::string path = "d";
    for (int i = 1; i < levels; ++i)
        path += "/d";
    return path;
}

TEST(DeepTree, TwoThousandLevelsRenameMoveAndDeleteWithoutLosingALevel)
{
    FavRig rig(64 << 20);
    for (int level = 1; level <= kDepth; ++level) {
        ASSERT_EQ(::mkdir((rig.root() + chain(level)).c_str(), 0755), 0) << level;
        // A page every 500 levels, so that a lost level shows.
        if (level % 500 == 0)
            rig.dir.write(chain(level) + "/level " + std::to_string(level) + ".url", std::to_string(level));
    }
    const std::string bottom = chain(kDepth) + "/bottom.url";
    rig.dir.write(bottom, "bottom");
    rig.dir.mkdir("Archive");
    rig.load();
    rig.check("load");
    EXPECT_EQ(rig.search.cmdSearch_Click("bottom"), rig.node(bottom));

    rig.rename(bottom, "-the very bottom", chain(kDepth) + "/-the very bottom.url");
    const std::string middle = chain(999) + "/m";
    rig.rename(chain(1000) + "/", "m", middle);
    rig.check("renames");

    // Into its own descendant 1,500 levels down: refused, nothing moves.
    rig.move("d/", middle + "/" + chain(500), "");
    ASSERT_EQ(rig.window.prompts_double.messages.size(), 1u);
    EXPECT_NE(rig.window.prompts_double.messages[0].text.find("into itself"), std::string::npos);
    rig.move("d/", "Archive", "Archive/d");
    rig.check("move of the whole chain");
    const std::string lower_half = "Archive/" + middle + "/" + chain(500);
    rig.move(lower_half + "/", "", "d");
    rig.check("move of the lower half");

    rig.remove("Archive/d/");
    rig.remove("d/");
    rig.check("deletes");
    EXPECT_EQ(rig.window.prompts_double.messages.size(), 1u);
}

// The folder `levels` steps of "dd" below `top`, reached (and made when
// `make`) one step at a time: paths that long have no name.
int descend(const std::string& top, int levels, bool make = false)
{
    int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; level < levels && fd >= 0; ++level) {
        if (make)
            ::mkdirat(fd, "dd", 0755);
        const int down = ::openat(fd, "dd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = down;
    }
    return fd;
}

TEST(DeepTree, PathsLongerThanTheSystemCanNameLoseNothing)
{
    // 2,000 levels of "dd" make paths of 6,000 bytes: the lower levels can be
    // made and reached only through descriptors.
    FavRig rig(64 << 20);
    const int fd = descend(rig.dir.mkdir("Deep"), kDepth, true);
    ASSERT_GE(fd, 0);
    const int page = ::openat(fd, "unreachable.url", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(::write(page, "u", 1), 1);
    ::close(page);
    ::close(fd);
    rig.dir.write("beside.url", "b");
    // rm works through descriptors too; the temporary folder's own removal
    // would stop at the first path that is too long.
    struct Cleanup {
        std::string top;
        ~Cleanup() { std::system(("rm -rf '" + top + "'").c_str()); }
    } cleanup{rig.root() + "Deep"};

    // The tree shows the levels that have a name; nothing more, no error.
    rig.load();
    const int reachable = rig.window.tree.Count() - 3; // the root, Deep and beside
    EXPECT_GT(reachable, 1000);
    EXPECT_LT(reachable, kDepth);

    // Renaming and moving the top take the unreachable levels along.
    rig.rename("Deep/", "Deeper", "Deeper");
    cleanup.top = rig.root() + "Deeper";
    rig.dir.mkdir("Box");
    rig.faves.RefreshFavorites(rig.window);
    rig.move("Deeper/", "Box", "Box/Deeper");
    cleanup.top = rig.root() + "Box/Deeper";
    EXPECT_TRUE(rig.window.prompts_double.messages.empty());

    // A delete either takes every level or, told why, leaves every level.
    const auto before = snapshot(rig.dir.str());
    rig.remove("Box/Deeper/");
    struct stat st {};
    if (::lstat((rig.root() + "Box/Deeper").c_str(), &st) == 0) {
        EXPECT_EQ(rig.window.prompts_double.messages.size(), 1u);
        const int lowest = descend(rig.root() + "Box/Deeper", kDepth);
        ASSERT_GE(lowest, 0) << "a level was lost";
        EXPECT_EQ(::faccessat(lowest, "unreachable.url", F_OK, 0), 0) << "the lowest page was lost";
        ::close(lowest);
        EXPECT_EQ(differences(before, snapshot(rig.dir.str())), "");
    } else {
        EXPECT_TRUE(rig.window.prompts_double.messages.empty());
        EXPECT_EQ(rig.window.texts(), (std::vector<std::string>{"Favorites/", "Box/", "beside"}));
    }
    EXPECT_EQ(read_file(rig.dir.path() / "beside.url"), "b");
}

} // namespace
