// Inputs the fuzz targets found that broke the settings file: files the store
// accepts must still be accepted, with every value, after it writes them back.
#include "platform/ini.h"
#include "platform/settings_store.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace driftway::platform {
namespace {

TEST(FuzzFindings, AFileTheStoreAcceptsKeepsEveryValueWhenWrittenBack)
{
    // "[ ]" and "[]x]" name a group "", written back as "[]". Of two
    // byte-order marks the first is the file's own, the second the key's.
    const std::string bom = "\xEF\xBB\xBF";
    for (const std::string& text :
         {std::string("[a]\nk=1\n[ ]\nhidden=2\n"), std::string("[a]\nk=1\n[]x]\nhidden=2\n"),
          std::string("[a]\nk=1\n[]\nhidden=2\n"), bom + bom + "[x=1\n[a]\nk=1\n",
          "\n" + bom + "y=1\n[a]\nk=1\n"}) {
        SCOPED_TRACE(text);
        const IniDocument before = IniDocument::parse(text);
        const IniDocument again = IniDocument::parse(before.serialize());
        testing::TempDir dir;
        dir.write("App/settings.ini", text);
        SettingsStore store(dir.str());
        EXPECT_EQ(store.get_setting("App", "a", "k"), "1");
        ASSERT_EQ(store.save_setting("App", "b", "k", "3"), std::nullopt);
        EXPECT_EQ(store.get_setting("App", "a", "k"), "1");
        EXPECT_EQ(store.get_setting("App", "b", "k"), "3");
        EXPECT_TRUE(store.take_warnings().empty());
        const IniDocument saved = IniDocument::parse(testing::read_file(dir.path() / "App/settings.ini"));
        std::size_t entries = 0;
        for (const auto& section : before.sections())
            for (const auto& entry : section.entries) {
                ++entries;
                EXPECT_EQ(again.get(section.name, entry.key), entry.value) << entry.key;
                EXPECT_EQ(saved.get(section.name, entry.key), entry.value) << entry.key;
            }
        EXPECT_EQ(entries, 2u);
    }
}

} // namespace
} // namespace driftway::platform
