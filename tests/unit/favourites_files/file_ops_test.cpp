// Moving, deleting and renaming favourites on real temporary folders; the
// cross-file-system case needs /dev/shm on another file system.

#include "favourites/file_ops.h"
#include "tests/support/temp_dir.h"
#include "tree_snapshot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace driftway::favourites {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::snapshot;
using testing::TempDir;

std::string url_file(const std::string& url)
{
    return "[InternetShortcut]\r\nURL=" + url + "\r\n";
}

TEST(MoveFile, MovesFilesAndWholeFoldersButNeverOverwritesAndLeavesLinksAsLinks)
{
    TempDir fav;
    fav.write("A/News.url", url_file("new"));
    fav.write("B/News.url", url_file("old"));
    fav.write("B/News (2).url", url_file("older"));
    fav.write("A/Work/Deep/x.url", url_file("x"));
    fs::create_symlink("/etc", fav.path() / "A/Work/etc-link");
    fav.write("B/Work/y.url", url_file("y"));
    fav.write("C/Daily.url", url_file("d"));
    const auto work = snapshot(fav.path() / "A/Work");

    for (const auto& [from, to, landed] : {std::tuple{"/C/Daily.url", "/B/Daily.url", "/B/Daily.url"},
                                           {"/A/News.url", "/B/News.url", "/B/News (3).url"},
                                           {"/A/Work/", "/B/Work", "/B/Work (2)"}}) {
        const auto moved = MoveFile(fav.str() + from, fav.str() + to);
        ASSERT_TRUE(moved.ok()) << moved.message;
        EXPECT_EQ(moved.final_path, fav.str() + landed);
    }

    testing::Tree expected{{"A", "<folder>"},
                           {"B", "<folder>"},
                           {"B/Daily.url", url_file("d")},
                           {"B/News.url", url_file("old")},
                           {"B/News (2).url", url_file("older")},
                           {"B/News (3).url", url_file("new")},
                           {"B/Work", "<folder>"},
                           {"B/Work/y.url", url_file("y")},
                           {"B/Work (2)", "<folder>"},
                           {"C", "<folder>"}};
    for (const auto& [path, entry] : work)
        expected["B/Work (2)/" + path] = entry;
    EXPECT_EQ(snapshot(fav.path()), expected);
}

TEST(MoveFile, RefusesAFolderIntoItselfAndLeavesItsOwnPathAlone)
{
    TempDir fav;
    fav.write("Work/Sub/Deeper/a.url", url_file("a"));
    fs::create_symlink(fav.path() / "Work/Sub", fav.path() / "alias");
    const auto before = snapshot(fav.path());

    for (const std::string target :
         {"/Work/Work", "/Work/Sub/Work", "/Work/Sub/Deeper/Work", "/alias/Work"}) {
        const auto result = MoveFile(fav.str() + "/Work", fav.str() + target);
        EXPECT_EQ(result.code, EINVAL) << target;
        EXPECT_NE(result.message.find("into itself"), std::string::npos) << result.message;
        EXPECT_NE(result.message.find("/Work\""), std::string::npos) << result.message;
    }
    // Onto the folder that holds it: the entry would replace its own parent.
    EXPECT_FALSE(MoveFile(fav.str() + "/Work/Sub", fav.str() + "/Work").ok());
    // Onto its own path: nothing to do, and no failure.
    EXPECT_TRUE(MoveFile(fav.str() + "/Work/Sub/Deeper/a.url", fav.str() + "/Work/Sub/Deeper/a.url").ok());
    EXPECT_TRUE(MoveFile(fav.str() + "/Work", fav.str() + "/./Work/").ok());
    EXPECT_EQ(snapshot(fav.path()), before);
}

TEST(MoveFile, AFailedMoveSaysWhyAndLeavesEverythingAsItWas)
{
    TempDir fav;
    fav.write("Here.url", url_file("h"));
    fav.write("plain-file", "x");
    fav.mkdir("Locked");
    ::chmod((fav.path() / "Locked").c_str(), 0555);
    const auto before = snapshot(fav.path());
    const auto vanished = MoveFile(fav.str() + "/Gone.url", fav.str() + "/Other.url");
    EXPECT_EQ(vanished.message, "Cannot move \"" + fav.str() + "/Gone.url\": No such file or directory");

    struct Case {
        std::string target;
        int code;
        const char* reason;
    };
    std::vector<Case> cases{{"/plain-file/Here.url", ENOTDIR, "Not a directory"},
                            {"/No/Here.url", ENOENT, ""}};
    if (::geteuid() != 0) // root writes into read-only folders
        cases.push_back({"/Locked/Here.url", EACCES, "Permission denied"});
    for (const auto& c : cases) {
        const auto result = MoveFile(fav.str() + "/Here.url", fav.str() + c.target);
        EXPECT_EQ(result.code, c.code) << c.target;
        EXPECT_NE(result.message.find(c.reason), std::string::npos) << result.message;
    }
    EXPECT_EQ(snapshot(fav.path()), before);
}

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
    EXPECT_EQ(snapshot(fav.path()), (testing::Tree{{"a.url", url_file("a")}})) << "no hidden leftovers";
    fs::remove_all(other);
}

TEST(DeleteFile, RemovesAFolderWithEverythingButNeverFollowsLinksAndKeepsWhatItCannotDelete)
{
    TempDir fav, outside;
    outside.write("precious/keep.txt", "keep");
    fav.write("Old/Sub/Subber/b.url", url_file("b"));
    fs::create_symlink(outside.path() / "precious", fav.path() / "Old/Sub/to-outside");
    fs::create_symlink(outside.path() / "precious", fav.path() / "LinkToFolder");
    fav.write("Neighbour.url", url_file("n"));
    ASSERT_TRUE(DeleteFile(fav.str() + "/Old/").ok());
    ASSERT_TRUE(DeleteFile(fav.str() + "/LinkToFolder/").ok());
    EXPECT_EQ(snapshot(fav.path()), (testing::Tree{{"Neighbour.url", url_file("n")}}));
    EXPECT_EQ(read_file(outside.path() / "precious/keep.txt"), "keep");

    const auto vanished = DeleteFile(fav.str() + "/Gone.url");
    EXPECT_EQ(vanished.code, ENOENT);
    EXPECT_EQ(vanished.message, "Cannot delete \"" + fav.str() + "/Gone.url\": No such file or directory");
    EXPECT_EQ(DeleteFile(fav.str() + "/Neighbour.url/child").code, ENOTDIR);
    EXPECT_FALSE(DeleteFile("/").ok());
    EXPECT_FALSE(DeleteFile("").ok());
    // A message about an odd name stays printable.
    EXPECT_NE(DeleteFile(fav.str() + "/two\nlines \xFF").message.find("two\\nlines \\xFF"),
              std::string::npos);

    if (::geteuid() == 0)
        GTEST_SKIP() << "root removes entries of read-only folders; the cases above cover root";
    fav.write("Kept/Locked/inner.url", url_file("i"));
    fav.write("Kept/a.url", url_file("a"));
    ::chmod((fav.path() / "Kept/Locked").c_str(), 0555);
    const auto before = snapshot(fav.path());
    const auto locked = DeleteFile(fav.str() + "/Kept");
    EXPECT_EQ(locked.code, EACCES);
    EXPECT_NE(locked.message.find("Locked"), std::string::npos) << locked.message;
    EXPECT_EQ(snapshot(fav.path()), before) << "nothing deleted half-way";
}

TEST(RenameFile, PicksAFreeNameWhenTakenAndAllowsACaseChange)
{
    TempDir fav;
    fav.write("news.url", url_file("1"));
    fav.write("Daily.url", url_file("2"));
    fav.write("Work/x.url", url_file("x"));

    const auto taken = RenameFile(fav.str() + "/news.url", fav.str() + "/Daily.url");
    ASSERT_TRUE(taken.ok()) << taken.message;
    EXPECT_EQ(taken.final_path, fav.str() + "/Daily (2).url");
    EXPECT_EQ(read_file(fav.path() / "Daily.url"), url_file("2"));

    const auto case_only = RenameFile(fav.str() + "/Work", fav.str() + "/WORK");
    ASSERT_TRUE(case_only.ok()) << case_only.message;
    EXPECT_EQ(case_only.final_path, fav.str() + "/WORK");
    EXPECT_FALSE(fs::exists(fav.path() / "Work"));

    // An empty new name for a folder would name its own parent.
    EXPECT_FALSE(RenameFile(fav.str() + "/WORK", fav.str() + "/").ok());
    EXPECT_EQ(read_file(fav.path() / "WORK/x.url"), url_file("x"));
}

} // namespace
} // namespace driftway::favourites
