// Temporary files that killed saves left beside the settings file are cleared
// by the next save; a save still under way (its file locked) and other files'
// temporaries are left alone. Needs only a temporary folder.
#include "platform/atomic_file.h"
#include "platform/settings_store.h"
#include "platform/unique_fd.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace {

using driftway::testing::TempDir;

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
    driftway::platform::UniqueFd held(::open(alive.c_str(), O_RDONLY));
    ASSERT_EQ(::flock(held.get(), LOCK_EX), 0);

    driftway::platform::SettingsStore store(dir.str());
    ASSERT_EQ(store.save_setting("Quillmere", "Driftway", "open-HTML", "1"), std::nullopt);
    EXPECT_EQ(store.get_setting("Quillmere", "Driftway", "open-HTML"), "1");
    struct stat st {};
    EXPECT_NE(::lstat(killed_1.c_str(), &st), 0);
    EXPECT_NE(::lstat(killed_2.c_str(), &st), 0);
    for (const auto& kept : {alive, other, not_temp, short_tag, odd_tag, fresh})
        EXPECT_EQ(::lstat(kept.c_str(), &st), 0) << kept;

    // Once the other writer is gone, its file is stale too.
    ::close(held.release());
    EXPECT_EQ(driftway::platform::remove_stale_temp_files(dir.str() + "/Quillmere/settings.ini"), 1u);
}

} // namespace
