// Moving and deleting favourites on real temporary folders; the
// cross-file-system case needs /dev/shm on another file system.

#include "favourites/file_ops.h"
#include "favourites/internet_shortcut.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace driftway::favourites {
namespace {

namespace fs = std::filesystem;
using namespace driftway::testing;

const auto url_file = internet_shortcut_text;

TEST(MoveFile, AcrossFileSystemsCopiesEverythingThenRemovesTheSource)
{
    struct stat shm, tmp;
    if (::stat("/dev/shm", &shm) != 0 || ::stat(fs::temp_directory_path().c_str(), &tmp) != 0 ||
        shm.st_dev == tmp.st_dev || ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second writable file system at /dev/shm";
    TempDir fav;
    fav.write("Work/a.url", url_file("a"));
    fav.write("Work/Sub/b.url", std::string(70000, 'b'));
    fs::create_symlink("../a.url", fav.path() / "Work/Sub/link");
    ::chmod((fav.path() / "Work/a.url").c_str(), 0600);
    const auto before = snapshot(fav.path() / "Work");

    char pattern[] = "/dev/shm/driftway-files-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string other = pattern;
    ::mkdir((other + "/Work").c_str(), 0755); // taken: the move picks a free name

    const auto there = MoveFile(fav.str() + "/Work", other + "/Work");
    ASSERT_TRUE(there.ok()) << there.message;
    EXPECT_EQ(there.final_path, other + "/Work (2)");
    EXPECT_FALSE(fs::exists(fav.path() / "Work"));
    EXPECT_EQ(snapshot(other + "/Work (2)"), before);
    EXPECT_EQ(fs::status(other + "/Work (2)/a.url").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    const auto back = MoveFile(other + "/Work (2)/a.url", fav.str() + "/a.url");
    ASSERT_TRUE(back.ok()) << back.message;
    EXPECT_EQ(snapshot(fav.path()), (testing::Snapshot{{"a.url", url_file("a")}})) << "no hidden leftovers";
    fs::remove_all(other);
}

// Moves onto taken names, into the folder itself, refused moves and deletes
// that must not follow links are the torture tests', through the favourites.
TEST(DeleteFile, RefusesTheRootAndSaysWhyReadably)
{
    TempDir fav;
    fav.write("Neighbour.url", url_file("n"));
    const auto vanished = DeleteFile(fav.str() + "/Gone.url");
    EXPECT_EQ(vanished.code, ENOENT);
    EXPECT_EQ(vanished.message, "Cannot delete \"" + fav.str() + "/Gone.url\": No such file or directory");
    EXPECT_EQ(DeleteFile(fav.str() + "/Neighbour.url/child").code, ENOTDIR);
    EXPECT_FALSE(DeleteFile("/").ok());
    EXPECT_FALSE(DeleteFile("").ok());
    EXPECT_NE(DeleteFile(fav.str() + "/two\nlines \xFF").message.find("two\\nlines \\xFF"),
              std::string::npos);
}

} // namespace
} // namespace driftway::favourites
