// The files of favourites on real temporary folders: names made from titles,
// the Internet shortcut files written, moving and deleting; the
// cross-file-system case needs /dev/shm on another file system.

#include "favourites/file_ops.h"
#include "favourites/internet_shortcut.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace driftway::favourites {
namespace {

namespace fs = std::filesystem;
using namespace driftway::testing;

const auto url_file = internet_shortcut_text;

TEST(SafeFileName, MakesTitlesIntoNamesThatWorkEverywhereInAtMost255Bytes)
{
    EXPECT_EQ(safe_file_name("AC/DC - Live"), "AC-DC - Live");
    EXPECT_EQ(safe_file_name("two\r\n  lines\tand\x01more"), "two lines and more");
    EXPECT_EQ(safe_file_name(std::string("nul\0byte", 8)), "nul byte");
    EXPECT_EQ(safe_file_name("  ..hidden... "), "hidden");
    EXPECT_EQ(safe_file_name("say \"hi\" <b> & 'x'"), "say \"hi\" <b> & 'x'");
    EXPECT_EQ(safe_file_name("caf\xE9"), "caf\xE9") << "bytes of other encodings are valid names here";
    EXPECT_EQ(safe_file_name("C1\xC2\x85"
                             "control"),
              "C1 control");
    for (const char* nothing : {"", " ", ".", "..", "...", " . ", "\n\t"})
        EXPECT_EQ(safe_file_name(nothing), "Untitled") << nothing;

    // At most 255 bytes, never cutting a character.
    std::string snowmen;
    for (int i = 0; i < 100; ++i)
        snowmen += "\xE2\x98\x83"; // three bytes each
    const std::string name = safe_file_name(snowmen);
    EXPECT_EQ(name.size(), 255u);
    EXPECT_EQ(safe_file_name("x" + snowmen).size(), 253u);
    EXPECT_EQ(safe_file_name(snowmen, 251).size(), 249u);
    // A cut that leaves a blank or a dot at the end is trimmed again.
    EXPECT_EQ(safe_file_name(std::string(254, 'a') + " b"), std::string(254, 'a'));

    for (const std::string& title :
         std::vector<std::string>{snowmen, "  a/b\n..", std::string(300, '.') + "x", "x" + snowmen + "  "}) {
        const std::string once = safe_file_name(title);
        EXPECT_EQ(safe_file_name(once), once) << "a safe name stays as it is";
    }
}

// Numbered names and printable paths are the torture tests' (odd names) and
// the delete test's.
TEST(InternetShortcut, IsWrittenWithCrlfAndReadBack)
{
    TempDir dir;
    const std::string path = dir.str() + "/Sub/News.url";
    ASSERT_EQ(write_internet_shortcut(path, "http://example.com/?a=1&b=\"2\""), std::nullopt);
    EXPECT_EQ(read_file(path), "[InternetShortcut]\r\nURL=http://example.com/?a=1&b=\"2\"\r\n");
    EXPECT_EQ(read_internet_shortcut(path), "http://example.com/?a=1&b=\"2\"");

    ASSERT_EQ(write_internet_shortcut(path, "javascript:void(0)"), std::nullopt);
    EXPECT_EQ(read_internet_shortcut(path), "javascript:void(0)");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "Sub"), fs::directory_iterator()), 1)
        << "no temporary file is left";

    const auto broken = write_internet_shortcut(path, "http://a/\r\n[Other]");
    ASSERT_TRUE(broken);
    EXPECT_NE(broken->find("line break"), std::string::npos);
    EXPECT_TRUE(write_internet_shortcut(path, ""));
    EXPECT_EQ(read_internet_shortcut(path), "javascript:void(0)") << "a refused address changes nothing";
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
