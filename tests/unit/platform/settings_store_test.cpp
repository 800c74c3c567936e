// The settings store and the XDG folders: values by application, section and
// key, escaping, damaged files kept aside. Needs only a temporary folder.
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace driftway::platform {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

std::vector<fs::path> kept_copies(const fs::path& folder)
{
    std::vector<fs::path> kept;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().starts_with("settings.ini.corrupt-"))
            kept.push_back(entry.path());
    return kept;
}

TEST(SettingsStore, KeepsOneFilePerApplicationWithSectionsAsGroups)
{
    TempDir dir;
    SettingsStore store(dir.str());
    EXPECT_EQ(store.get_setting("Quillmere", "Driftway", "open-HTML", "0"), "0");
    ASSERT_EQ(store.save_setting("Quillmere", "Driftway", "open-HTML", "1"), std::nullopt);
    ASSERT_EQ(store.save_setting("Driftway", "Internet Options", "Home Page", "https://a.example/"),
              std::nullopt);

    EXPECT_EQ(testing::read_file(dir.path() / "Quillmere/settings.ini"), "[Driftway]\nopen-HTML=1\n");
    SettingsStore again(dir.str());
    EXPECT_EQ(again.get_setting("Quillmere", "DRIFTWAY", "Open-Html"), "1");
    EXPECT_EQ(again.get_setting("Driftway", "Internet Options", "Home Page"), "https://a.example/");
    EXPECT_EQ(again.get_setting("Driftway", "Driftway", "open-HTML", "none"), "none");

    ASSERT_EQ(again.delete_setting("Quillmere", "Driftway", "open-HTML"), std::nullopt);
    EXPECT_EQ(store.get_setting("Quillmere", "Driftway", "open-HTML", "0"), "0");
}

TEST(SettingsStore, AnyValueRoundTripsAndCannotAddLinesOfItsOwn)
{
    TempDir dir;
    SettingsStore store(dir.str());
    const std::string values[] = {
        "x\n[Driftway]\nopen-HTML=1",         "  padded\t", "\"quoted\"", "\"",
        std::string("nul\0byte\xff\xfe", 11), "a\\b=c",     "",           "caf\xC3\xA9 \xE2\x84\xA2"};
    for (const auto& value : values) {
        ASSERT_EQ(store.save_setting("App", "S", "k", value), std::nullopt);
        EXPECT_EQ(SettingsStore(dir.str()).get_setting("App", "S", "k", "default"), value);
        EXPECT_EQ(store.get_setting("App", "S", "open-HTML", "absent"), "absent");
    }
    EXPECT_TRUE(store.take_warnings().empty()) << "the store must never write a file it calls damaged";
    // Plain text stays plain for people reading the file.
    store.save_setting("App", "S", "k", "https://duckduckgo.com/?q=a b");
    EXPECT_EQ(testing::read_file(dir.path() / "App/settings.ini"), "[S]\nk=https://duckduckgo.com/?q=a b\n");
    EXPECT_EQ(decode_setting_value("\"broken\\q\""), "\"broken\\q\"");
}

TEST(SettingsStore, NamesThatWouldEscapeTheFileOrItsSyntaxAreRefused)
{
    TempDir dir;
    SettingsStore store(dir.str() + "/config");
    EXPECT_NE(store.save_setting("../evil", "S", "k", "v"), std::nullopt);
    EXPECT_NE(store.save_setting("..", "S", "k", "v"), std::nullopt);
    EXPECT_NE(store.save_setting("App", "S]x", "k", "v"), std::nullopt);
    EXPECT_NE(store.save_setting("App", "S", "k=v", "v"), std::nullopt);
    EXPECT_NE(store.save_setting("App", "S", "k\nx", "v"), std::nullopt);
    EXPECT_FALSE(fs::exists(dir.path() / "evil"));
    EXPECT_FALSE(fs::exists(dir.path() / "config"));
    EXPECT_EQ(store.get_setting("../evil", "S", "k", "d"), "d");
}

TEST(SettingsStore, DamagedFilesAreReportedKeptAsideAndReplaced)
{
    const std::string damaged[] = {
        std::string("\x00\x01\x02\x03garbage\x00", 12), // binary
        "[Driftway]\nopen-HTML=\xC0\xAF\n",             // not UTF-8
        "[Driftway]\nopen-HTML=1\nthis line means nothing\n",
        "[Driftway\nopen-HTML=1\n",
    };
    for (const auto& content : damaged) {
        TempDir dir;
        dir.write("Quillmere/settings.ini", content);
        SettingsStore store(dir.str());
        EXPECT_EQ(store.get_setting("Quillmere", "Driftway", "open-HTML", "0"), "0");
        const auto warnings = store.take_warnings();
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_NE(warnings[0].find("kept as"), std::string::npos) << warnings[0];

        const auto kept = kept_copies(dir.path() / "Quillmere");
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(testing::read_file(kept[0]), content);
        ASSERT_EQ(store.save_setting("Quillmere", "Driftway", "open-HTML", "1"), std::nullopt);
        EXPECT_EQ(store.get_setting("Quillmere", "Driftway", "open-HTML"), "1");
        EXPECT_TRUE(store.take_warnings().empty());
    }
}

TEST(SettingsStore, AFolderInPlaceOfTheFileIsSetAsideToo)
{
    TempDir dir;
    dir.write("App/settings.ini/inside", "kept");
    SettingsStore store(dir.str());
    ASSERT_EQ(store.save_setting("App", "S", "k", "v"), std::nullopt);
    ASSERT_EQ(store.take_warnings().size(), 1u);
    const auto kept = kept_copies(dir.path() / "App");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(testing::read_file(kept[0] / "inside"), "kept");
}

TEST(KeepAside, NeverReplacesAnEarlierCopy)
{
    TempDir dir;
    const std::string file = dir.str() + "/settings.ini";
    dir.write("settings.ini", "first");
    const auto one = keep_aside(file);
    dir.write("settings.ini", "second");
    const auto two = keep_aside(file);
    ASSERT_TRUE(one.new_path && two.new_path);
    EXPECT_NE(*one.new_path, *two.new_path);
    EXPECT_EQ(testing::read_file(*one.new_path), "first");
    EXPECT_EQ(testing::read_file(*two.new_path), "second");
    EXPECT_FALSE(keep_aside(file).new_path) << "nothing left to keep";
}

TEST(Paths, XdgFoldersIgnoreRelativeValuesAndFallBackUnderHome)
{
    testing::ScopedEnv home("HOME", "/home/someone");
    testing::ScopedEnv config("XDG_CONFIG_HOME", "relative/config");
    testing::ScopedEnv data("XDG_DATA_HOME", "/data/home");
    testing::ScopedEnv cache("XDG_CACHE_HOME", "");
    EXPECT_EQ(config_home(), "/home/someone/.config");
    EXPECT_EQ(data_home(), "/data/home");
    EXPECT_EQ(cache_home(), "/home/someone/.cache");
}

TEST(Paths, TheProgramFolderHoldsTheRunningExecutable)
{
    const std::string folder = program_folder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '/');
    EXPECT_EQ(fs::canonical("/proc/self/exe").parent_path().string(), folder);
}

} // namespace
} // namespace driftway::platform
