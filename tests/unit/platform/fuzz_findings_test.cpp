// Inputs the fuzz targets found that broke the settings file: files the store
// accepts must still be accepted, with every value, after it writes them back.
// Needs only a temporary folder.
#include "platform/ini.h"
#include "platform/settings_store.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace driftway::platform {
namespace {

using testing::TempDir;

TEST(FuzzFindings, SavingKeepsAFileWithAnUnnamedGroupReadable)
{
    // "[ ]" and "[]x]" name a group "", which is written back as "[]".
    for (const std::string header : {"[ ]", "[]x]", "[]"}) {
        TempDir dir;
        dir.write("App/settings.ini", "[a]\nk=1\n" + header + "\nhidden=2\n");
        SettingsStore store(dir.str());
        EXPECT_EQ(store.get_setting("App", "a", "k"), "1") << header;
        ASSERT_EQ(store.save_setting("App", "b", "k", "3"), std::nullopt) << header;
        EXPECT_EQ(store.get_setting("App", "a", "k"), "1") << header;
        EXPECT_EQ(store.get_setting("App", "b", "k"), "3") << header;
        EXPECT_TRUE(store.take_warnings().empty()) << header;
        EXPECT_NE(testing::read_file(dir.path() / "App/settings.ini").find("hidden=2"), std::string::npos);
    }
}

TEST(FuzzFindings, AKeyThatStartsLikeAByteOrderMarkIsWrittenBackWhole)
{
    // The first byte-order mark is the file's own; the second belongs to the key.
    const std::string bom = "\xEF\xBB\xBF";
    for (const std::string& text : {bom + bom + "[x=1\n[a]\nk=2\n", "\n" + bom + "y=1\n[a]\nk=2\n"}) {
        const IniDocument doc = IniDocument::parse(text);
        const IniDocument again = IniDocument::parse(doc.serialize());
        ASSERT_FALSE(doc.sections().empty());
        ASSERT_FALSE(doc.sections().front().entries.empty());
        const std::string key = doc.sections().front().entries.front().key;
        EXPECT_EQ(again.get("", key), "1");
        EXPECT_EQ(again.get("a", "k"), "2");

        TempDir dir;
        dir.write("App/settings.ini", text);
        SettingsStore store(dir.str());
        ASSERT_EQ(store.save_setting("App", "b", "k", "3"), std::nullopt);
        EXPECT_EQ(store.get_setting("App", "a", "k"), "2");
        EXPECT_EQ(store.get_setting("App", "b", "k"), "3");
        EXPECT_TRUE(store.take_warnings().empty());
    }
}

} // namespace
} // namespace driftway::platform
