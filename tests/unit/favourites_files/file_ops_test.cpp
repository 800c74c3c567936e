// Moving, deleting and renaming favourites on real temporary folders; the
// cross-file-system case needs /dev/shm on another file system.

#include "favourites/file_ops.h"
#include "tests/support/temp_dir.h"
#include "tree_snapshot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
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

TEST(MoveFile, MovesAFileIntoAnotherFolderUnderItsName)
{
    TempDir fav;
    fav.write("Links/News.url", url_file("http://news.example/"));
    fav.mkdir("Daily");
    const std::string source = fav.str() + "/Links/News.url";
    const std::string destination = fav.str() + "/Daily/News.url";

    const auto result = MoveFile(source, destination);

    ASSERT_TRUE(result.ok()) << result.message;
    EXPECT_EQ(result.final_path, destination);
    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(read_file(destination), url_file("http://news.example/"));
    EXPECT_EQ(FileOp.wFunc, FO_MOVE);
    EXPECT_EQ(FileOp.pFrom, source + std::string(2, '\0'));
    EXPECT_EQ(FileOp.pTo, destination);
    EXPECT_EQ(FileOp.fFlags, 0x14u);
}

TEST(MoveFile, MovesAWholeFolderAndLeavesLinksAsLinks)
{
    TempDir fav;
    fav.write("Work/Deep/Er/a.url", url_file("a"));
    fav.write("Work/b.url", url_file("b"));
    fs::create_symlink("/etc", fav.path() / "Work/etc-link");
    fav.mkdir("Archive");
    const auto before = snapshot(fav.path() / "Work");

    const auto result = MoveFile(fav.str() + "/Work/", fav.str() + "/Archive/Work");

    ASSERT_TRUE(result.ok()) << result.message;
    EXPECT_FALSE(fs::exists(fav.path() / "Work"));
    EXPECT_EQ(snapshot(fav.path() / "Archive/Work"), before);
}

TEST(MoveFile, NeverOverwritesButPicksTheNextFreeName)
{
    TempDir fav;
    fav.write("A/News.url", url_file("new"));
    fav.write("B/News.url", url_file("old"));
    fav.write("B/News (2).url", url_file("older"));
    fav.write("A/Work/x.url", url_file("x"));
    fav.write("B/Work/y.url", url_file("y"));

    const auto file = MoveFile(fav.str() + "/A/News.url", fav.str() + "/B/News.url");
    const auto folder = MoveFile(fav.str() + "/A/Work", fav.str() + "/B/Work");

    ASSERT_TRUE(file.ok()) << file.message;
    EXPECT_EQ(file.final_path, fav.str() + "/B/News (3).url");
    EXPECT_EQ(read_file(fav.path() / "B/News.url"), url_file("old"));
    EXPECT_EQ(read_file(fav.path() / "B/News (2).url"), url_file("older"));
    EXPECT_EQ(read_file(fav.path() / "B/News (3).url"), url_file("new"));
    ASSERT_TRUE(folder.ok()) << folder.message;
    EXPECT_EQ(folder.final_path, fav.str() + "/B/Work (2)");
    EXPECT_EQ(read_file(fav.path() / "B/Work/y.url"), url_file("y"));
    EXPECT_EQ(read_file(fav.path() / "B/Work (2)/x.url"), url_file("x"));
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

TEST(MoveFile, ReportsAVanishedSourceOrAMissingTargetFolder)
{
    TempDir fav;
    fav.write("Here.url", url_file("h"));
    fav.write("plain-file", "x");
    const auto before = snapshot(fav.path());

    const auto vanished = MoveFile(fav.str() + "/Gone.url", fav.str() + "/Other.url");
    EXPECT_EQ(vanished.code, ENOENT);
    EXPECT_EQ(vanished.message, "Cannot move \"" + fav.str() + "/Gone.url\": No such file or directory");

    // A destination "inside" a regular file fails even for root.
    const auto blocked = MoveFile(fav.str() + "/Here.url", fav.str() + "/plain-file/Here.url");
    EXPECT_EQ(blocked.code, ENOTDIR);
    EXPECT_NE(blocked.message.find("Not a directory"), std::string::npos);
    const auto missing = MoveFile(fav.str() + "/Here.url", fav.str() + "/No/Here.url");
    EXPECT_EQ(missing.code, ENOENT);
    EXPECT_EQ(snapshot(fav.path()), before);
}

TEST(MoveFile, ReadOnlyTargetFolderLeavesEverythingAsItWas)
{
    if (testing::is_root())
        GTEST_SKIP() << "root writes into read-only folders; the non-folder parent case covers root";
    TempDir fav;
    fav.write("Here.url", url_file("h"));
    fav.mkdir("Locked");
    ::chmod((fav.path() / "Locked").c_str(), 0555);
    const auto before = snapshot(fav.path());

    const auto result = MoveFile(fav.str() + "/Here.url", fav.str() + "/Locked/Here.url");

    EXPECT_EQ(result.code, EACCES);
    EXPECT_NE(result.message.find("Permission denied"), std::string::npos);
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
    EXPECT_EQ(read_file(fav.path() / "a.url"), url_file("a"));
    EXPECT_EQ(snapshot(fav.path()).size(), 1u) << "no hidden leftovers";
    fs::remove_all(other);
}

TEST(DeleteFile, RemovesAFolderWithEverythingButNeverFollowsLinks)
{
    TempDir fav;
    TempDir outside;
    outside.write("precious/keep.txt", "keep");
    fav.write("Old/a.url", url_file("a"));
    fav.write("Old/Sub/Subber/b.url", url_file("b"));
    fs::create_symlink(outside.path() / "precious", fav.path() / "Old/Sub/to-outside");
    fs::create_symlink(outside.path() / "precious", fav.path() / "LinkToFolder");
    fav.write("Neighbour.url", url_file("n"));

    const auto folder = DeleteFile(fav.str() + "/Old/");
    const auto link = DeleteFile(fav.str() + "/LinkToFolder/");

    ASSERT_TRUE(folder.ok()) << folder.message;
    ASSERT_TRUE(link.ok()) << link.message;
    EXPECT_EQ(FileOp.wFunc, FO_DELETE);
    EXPECT_EQ(FileOp.fFlags, 0x14u);
    EXPECT_EQ(snapshot(fav.path()), (std::map<std::string, std::string>{{"Neighbour.url", url_file("n")}}));
    EXPECT_EQ(read_file(outside.path() / "precious/keep.txt"), "keep");
}

TEST(DeleteFile, ReportsWhatCannotBeDeletedAndKeepsIt)
{
    TempDir fav;
    fav.write("file", "x");
    const auto vanished = DeleteFile(fav.str() + "/Gone.url");
    EXPECT_EQ(vanished.code, ENOENT);
    EXPECT_EQ(vanished.message, "Cannot delete \"" + fav.str() + "/Gone.url\": No such file or directory");
    EXPECT_EQ(DeleteFile(fav.str() + "/file/child").code, ENOTDIR);
    EXPECT_FALSE(DeleteFile("/").ok());
    EXPECT_FALSE(DeleteFile("").ok());
    EXPECT_TRUE(fs::exists(fav.path() / "file"));

    if (testing::is_root())
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
    EXPECT_EQ(FileOp.wFunc, FO_RENAME);
    EXPECT_EQ(FileOp.fFlags, 0x1Cu);
    ASSERT_TRUE(taken.ok()) << taken.message;
    EXPECT_EQ(taken.final_path, fav.str() + "/Daily (2).url");
    EXPECT_EQ(read_file(fav.path() / "Daily.url"), url_file("2"));

    const auto case_only = RenameFile(fav.str() + "/Work", fav.str() + "/WORK");
    ASSERT_TRUE(case_only.ok()) << case_only.message;
    EXPECT_EQ(case_only.final_path, fav.str() + "/WORK");
    EXPECT_EQ(read_file(fav.path() / "WORK/x.url"), url_file("x"));
    EXPECT_FALSE(fs::exists(fav.path() / "Work"));

    // An empty new name for a folder would name its own parent.
    const auto empty = RenameFile(fav.str() + "/WORK", fav.str() + "/");
    EXPECT_FALSE(empty.ok());
    EXPECT_TRUE(fs::exists(fav.path() / "WORK/x.url"));
}

TEST(FileOps, OddNamesMoveRenameAndDeleteWithoutTouchingTheirNeighbours)
{
    TempDir fav;
    fav.mkdir("To");
    const auto names = testing::odd_names();
    for (std::size_t i = 0; i < names.size(); ++i)
        fav.write("From/" + names[i], url_file(std::to_string(i)));

    for (std::size_t i = 0; i < names.size(); ++i) {
        auto expected = snapshot(fav.path());
        const std::string& name = names[i];
        const auto moved = MoveFile(fav.str() + "/From/" + name, fav.str() + "/To/" + name);
        ASSERT_TRUE(moved.ok()) << moved.message;
        expected.erase("From/" + name);
        expected["To/" + name] = url_file(std::to_string(i));
        EXPECT_EQ(snapshot(fav.path()), expected) << i;
    }
    // The same names again: each one is taken now and gets a numbered name.
    for (std::size_t i = 0; i < names.size(); ++i) {
        fav.write("From/" + names[i], url_file("again"));
        const auto moved = MoveFile(fav.str() + "/From/" + names[i], fav.str() + "/To/" + names[i]);
        ASSERT_TRUE(moved.ok()) << moved.message;
        const std::string final_name = fs::path(moved.final_path).filename().string();
        EXPECT_NE(final_name, names[i]);
        EXPECT_LE(final_name.size(), 255u);
        EXPECT_EQ(read_file(moved.final_path), url_file("again"));
        EXPECT_EQ(read_file(fav.path() / "To" / names[i]), url_file(std::to_string(i)));
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto expected = snapshot(fav.path());
        const std::string renamed = "renamed " + std::to_string(i) + ".url";
        ASSERT_TRUE(RenameFile(fav.str() + "/To/" + names[i], fav.str() + "/To/" + renamed).ok());
        expected["To/" + renamed] = expected["To/" + names[i]];
        expected.erase("To/" + names[i]);
        EXPECT_EQ(snapshot(fav.path()), expected) << i;
        ASSERT_TRUE(DeleteFile(fav.str() + "/To/" + renamed).ok());
        expected.erase("To/" + renamed);
        EXPECT_EQ(snapshot(fav.path()), expected) << i;
    }
    // A message about an odd name stays printable.
    const auto missing = DeleteFile(fav.str() + "/two\nlines \xFF");
    EXPECT_NE(missing.message.find("two\\nlines \\xFF"), std::string::npos) << missing.message;
}

} // namespace
} // namespace driftway::favourites
