// The settings store and the XDG folders: values by application, section and
// key, escaping, damaged files kept aside, and the temporary files killed
// saves left cleared by the next save (never one still being written, nor
// other files').
#include "platform/atomic_file.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "platform/unique_fd.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>

namespace driftway::platform {
namespace {

using namespace driftway::testing;
namespace fs = std::filesystem;

TEST(SettingsStore, KeepsOneFilePerApplicationWithSectionsAsGroupsAndAnyValueWhole)
{
    TempDir dir;
    SettingsStore store(dir.str());
    EXPECT_EQ(store.get_setting("Quillmere", "Driftway", "open-HTML", "0"), "0");
    ASSERT_EQ(store.save_setting("Quillmere", "Driftway", "open-HTML", "1"), std::nullopt);
    ASSERT_EQ(store.save_setting("Driftway", "Internet Options", "Home Page", "https://a.example/"),
              std::nullopt);
    EXPECT_EQ(read_file(dir.path() / "Quillmere/settings.ini"), "[Driftway]\nopen-HTML=1\n");

    SettingsStore again(dir.str());
    EXPECT_EQ(again.get_setting("Quillmere", "DRIFTWAY", "Open-Html"), "1");
    EXPECT_EQ(again.get_setting("Driftway", "Internet Options", "Home Page"), "https://a.example/");
    EXPECT_EQ(again.get_setting("Driftway", "Driftway", "open-HTML", "none"), "none");
    ASSERT_EQ(again.delete_setting("Quillmere", "Driftway", "open-HTML"), std::nullopt);
    EXPECT_EQ(store.get_setting("Quillmere", "Driftway", "open-HTML", "0"), "0");

    // Any value comes back whole and cannot add lines of its own.
    for (const std::string& value :
         {std::string("x\n[Driftway]\nopen-HTML=1"), std::string("  padded\t"), std::string("\"quoted\""),
          std::string("\""), std::string("nul\0byte\xff\xfe", 11), std::string("a\\b=c"), std::string(),
          std::string("caf\xC3\xA9 \xE2\x84\xA2")}) {
        ASSERT_EQ(store.save_setting("App", "S", "k", value), std::nullopt);
        EXPECT_EQ(SettingsStore(dir.str()).get_setting("App", "S", "k", "default"), value);
        EXPECT_EQ(store.get_setting("App", "S", "open-HTML", "absent"), "absent");
    }
    EXPECT_TRUE(store.take_warnings().empty()) << "the store must never write a file it calls damaged";
    // Plain text stays plain for people reading the file.
    store.save_setting("App", "S", "k", "https://duckduckgo.com/?q=a b");
    EXPECT_EQ(read_file(dir.path() / "App/settings.ini"), "[S]\nk=https://duckduckgo.com/?q=a b\n");
    EXPECT_EQ(decode_setting_value("\"broken\\q\""), "\"broken\\q\"");
}

TEST(SettingsStore, DamagedFilesAreReportedKeptAsideWithoutReplacingEarlierCopiesAndReplaced)
{
    // One folder, within a second: each copy set aside keeps its own name.
    const std::string damaged[] = {"", // a folder in place of the file
                                   std::string("\x00\x01\x02\x03garbage\x00", 12), // not UTF-8
                                   "[Driftway]\nopen-HTML=1\nthis line means nothing\n",
                                   "[Driftway\nopen-HTML=1\n"};
    TempDir dir;
    for (const auto& content : damaged) {
        SCOPED_TRACE(content);
        dir.write(content.empty() ? "App/settings.ini/inside" : "App/settings.ini",
                  content.empty() ? "kept" : content);
        SettingsStore store(dir.str());
        EXPECT_EQ(store.get_setting("App", "Driftway", "open-HTML", "0"), "0");
        const auto warnings = store.take_warnings();
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_NE(warnings[0].find("kept as"), std::string::npos) << warnings[0];
        ASSERT_EQ(store.save_setting("App", "Driftway", "open-HTML", "1"), std::nullopt);
        EXPECT_EQ(store.get_setting("App", "Driftway", "open-HTML"), "1");
        EXPECT_TRUE(store.take_warnings().empty());
    }
    std::multiset<std::string> kept;
    for (const auto& entry : fs::directory_iterator(dir.path() / "App"))
        if (entry.path().filename().string().starts_with("settings.ini.corrupt-"))
            kept.insert(read_file(entry.is_directory() ? entry.path() / "inside" : entry.path()));
    EXPECT_EQ(kept, (std::multiset<std::string>{"kept", damaged[1], damaged[2], damaged[3]}));
}

TEST(Paths, XdgFoldersIgnoreRelativeValuesAndTheProgramFolderHoldsTheExecutable)
{
    testing::ScopedEnv home("HOME", "/home/someone");
    testing::ScopedEnv config("XDG_CONFIG_HOME", "relative/config");
    testing::ScopedEnv data("XDG_DATA_HOME", "/data/home");
    testing::ScopedEnv cache("XDG_CACHE_HOME", "");
    EXPECT_EQ(config_home(), "/home/someone/.config");
    EXPECT_EQ(data_home(), "/data/home");
    EXPECT_EQ(cache_home(), "/home/someone/.cache");
    EXPECT_EQ(program_folder(), fs::canonical("/proc/self/exe").parent_path().string());
}

// A leftover temporary file, last written an hour ago.
std::string leftover(const TempDir& dir, const std::string& name)
{
    const std::string path = dir.write("Quillmere/" + name, "half a save").string();
    const timespec an_hour_ago[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    EXPECT_EQ(::utimensat(AT_FDCWD, path.c_str(), an_hour_ago, 0), 0);
    return path;
}

TEST(StaleTempFiles, TheNextSaveClearsWhatKilledSavesLeftAndNothingElse)
{
    TempDir dir;
    const std::string killed_1 = leftover(dir, "settings.ini.tmp-a1B2c3");
    const std::string killed_2 = leftover(dir, "settings.ini.tmp-ZZZZZZ");
    const std::string alive = leftover(dir, "settings.ini.tmp-live00");
    const std::string other = leftover(dir, "other.ini.tmp-a1B2c3");
    // Names that only look like a temporary file's are the user's own.
    const std::string not_temp = leftover(dir, "settings.ini.tmp-a1B2c3.bak"),
                      short_tag = leftover(dir, "settings.ini.tmp-a1B2c"),
                      odd_tag = leftover(dir, "settings.ini.tmp-a1-2c3");
    const std::string fresh = dir.write("Quillmere/settings.ini.tmp-new000", "").string();
    // Another process is writing through this one right now.
    UniqueFd held(::open(alive.c_str(), O_RDONLY));
    ASSERT_EQ(::flock(held.get(), LOCK_EX), 0);

    SettingsStore store(dir.str());
    ASSERT_EQ(store.save_setting("Quillmere", "Driftway", "open-HTML", "1"), std::nullopt);
    EXPECT_EQ(store.get_setting("Quillmere", "Driftway", "open-HTML"), "1");
    struct stat st {};
    EXPECT_NE(::lstat(killed_1.c_str(), &st), 0);
    EXPECT_NE(::lstat(killed_2.c_str(), &st), 0);
    for (const auto& kept : {alive, other, not_temp, short_tag, odd_tag, fresh})
        EXPECT_EQ(::lstat(kept.c_str(), &st), 0) << kept;

    // Once the other writer is gone, its file is stale too.
    ::close(held.release());
    EXPECT_EQ(remove_stale_temp_files(dir.str() + "/Quillmere/settings.ini"), 1u);
}

} // namespace
} // namespace driftway::platform
