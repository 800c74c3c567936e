// File names made from titles and the Internet shortcut files written for
// favourites; needs a temporary folder.

#include "favourites/internet_shortcut.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <vector>

namespace driftway::favourites {
namespace {

namespace fs = std::filesystem;
using namespace driftway::testing;

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

} // namespace
} // namespace driftway::favourites
