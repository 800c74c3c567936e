// Crash safety: a copy of this program that writes the settings, the registry
// store and a favourite over and over is killed with SIGKILL at random
// moments; every file is then its old or its new version, never a torn one,
// and leftover temporary files are never read as the real ones.
#include "torture_support.h"

#include "favourites/fav_scan.h"
#include "favourites/folder_watch.h"
#include "favourites/internet_shortcut.h"
#include "platform/atomic_file.h"
#include "platform/registry_store.h"
#include "platform/settings_store.h"

#include <array>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace driftway::platform;
using namespace driftway::testing;
using Clock = std::chrono::steady_clock;

constexpr auto kRegistryKey = "Software\\Driftway\\Crash";

// Long values make the moments of writing long, so that kills often land in them.
std::string crash_value(int version)
{
    std::string value; // lines, quotes and backslashes, which the settings file escapes
    for (int line = 0; line < 2000; ++line)
        value +=
            "version " + std::to_string(version) + " line " + std::to_string(line) + " \"quoted\" \\ end\n";
    return value;
}

std::string crash_address(int version)
{
    return "https://example.org/" + std::to_string(version) + "?" + std::string(60000, version ? 'b' : 'a');
}

// The settings file, the registry file and the favourite (a 255-byte name).
std::array<std::string, 3> files_in(const std::string& folder)
{
    return {folder + "/config/Driftway/settings.ini", folder + "/config/Driftway/registry",
            folder + "/Favorites/" + std::string(251, 'f') + ".url"};
}

std::string write_all(const std::string& folder, int version)
{
    const auto files = files_in(folder);
    if (const auto error = SettingsStore(folder + "/config")
                               .save_setting("Driftway", "Crash", "Value", crash_value(version)))
        return *error;
    if (RegistryStore(files[1], nullptr)
            .RegSetValueA(Hkey::HKEY_CURRENT_USER, kRegistryKey, RegType::REG_SZ, crash_value(version)) !=
        RegStatus::ERROR_SUCCESS)
        return "the registry store refused the value";
    return driftway::favourites::write_internet_shortcut(files[2], crash_address(version)).value_or("");
}

// Forks a copy of this program that calls write(1), write(0), write(1)...
// and reports each round on a pipe, and kills it with SIGKILL after zero to
// two whole rounds, somewhere within the round after: so kills fall anywhere
// in a round however fast this machine writes.
void write_until_killed(const std::function<std::string(int)>& write)
{
    static std::mt19937 random{std::random_device{}()};
    static Clock::duration round = std::chrono::milliseconds(2);
    int progress[2];
    ASSERT_EQ(::pipe2(progress, O_CLOEXEC), 0);
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const auto deadline = Clock::now() + std::chrono::seconds(20); // should nobody come to kill it
        for (int i = 1; Clock::now() < deadline; ++i) {
            const std::string error = write(i % 2);
            if (!error.empty() || ::write(progress[1], "C", 1) != 1) {
                std::fprintf(stderr, "writer: %s\n", error.c_str());
                ::_exit(3);
            }
        }
        ::_exit(0);
    }
    ::close(progress[1]);
    bool reporting = pid > 0;
    auto last = Clock::now();
    for (int rounds = std::uniform_int_distribution<int>(0, 2)(random); rounds > 0 && reporting; --rounds) {
        char byte = 0;
        reporting = ::read(progress[0], &byte, 1) == 1; // the writer's end closes when it ends
        round = Clock::now() - last;
        last += round;
    }
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(round).count();
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<long long>(0, us)(random)));
    int status = 0;
    if (pid > 0 && ::kill(pid, SIGKILL) == 0)
        ::waitpid(pid, &status, 0);
    ::close(progress[0]);
    ASSERT_TRUE(reporting) << "the writer did not start or stopped; its message is above";
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the writer stopped by itself";
}

// Which whole version a file holds: 0 or 1, or -1 when it is torn.
int version_of(const std::string& path, const std::array<std::string, 2>& versions)
{
    const auto content = read_whole_file(path);
    return content == versions[0] ? 0 : content == versions[1] ? 1 : -1;
}

// What each file holds when nothing interrupts the writing: [file][version].
std::array<std::array<std::string, 2>, 3> whole_versions()
{
    std::array<std::array<std::string, 2>, 3> versions;
    for (int version = 0; version < 2; ++version) {
        TempDir scratch;
        EXPECT_EQ(write_all(scratch.str(), version), "");
        for (int file = 0; file < 3; ++file)
            versions[file][version] = read_file(files_in(scratch.str())[file]);
    }
    return versions;
}

TEST(CrashSafety, AWriterKilledAtRandomMomentsLeavesEveryFileOldOrNew)
{
    ScopedEnv tmp{"TMPDIR", fast_temp_folder()};
    const auto versions = whole_versions();
    TempDir dir;
    const auto files = files_in(dir.str());
    const std::string favorites = dir.str() + "/Favorites";
    ASSERT_EQ(write_all(dir.str(), 0), "");

    const auto deadline = Clock::now() + std::chrono::seconds(10);
    int kills = 0;
    int seen[3][2] = {};
    for (; kills < 200 && Clock::now() < deadline; ++kills) {
        ASSERT_NO_FATAL_FAILURE(
            write_until_killed([&](int version) { return write_all(dir.str(), version); }));
        int found[3];
        for (int file = 0; file < 3; ++file) {
            found[file] = version_of(files[file], versions[file]);
            ASSERT_NE(found[file], -1) << files[file] << " is torn after kill " << kills;
            ++seen[file][found[file]];
        }

        // The programs' own readers see a whole version, with no complaint,
        // whatever temporary files lie beside the real ones.
        SettingsStore settings(dir.str() + "/config");
        EXPECT_EQ(settings.get_setting("Driftway", "Crash", "Value"), crash_value(found[0]));
        EXPECT_EQ(settings.take_warnings(), std::vector<std::string>{});
        RegistryStore registry(files[1], nullptr);
        const auto value = registry.read_value(Hkey::HKEY_CURRENT_USER, kRegistryKey, "");
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->data, crash_value(found[1]) + '\0');
        EXPECT_EQ(registry.take_warnings(), std::vector<std::string>{});
        EXPECT_EQ(driftway::favourites::read_internet_shortcut(files[2]), crash_address(found[2]));
        const auto scan = driftway::favourites::FavScan::read(favorites + "/", nullptr);
        ASSERT_EQ(scan.items().size(), 1u) << "a temporary file shows as a favourite after kill " << kills;
        EXPECT_EQ(scan.items()[0].path, files[2]);
        // Nor does the folder's watcher take one for a change the views miss.
        for (const auto& entry : fs::directory_iterator(favorites))
            EXPECT_TRUE(driftway::favourites::scan_shows(
                scan, {driftway::favourites::FolderChange::Kind::Entry, entry.path().string()}));
    }
    std::printf("%d kills; settings old/new %d/%d, registry %d/%d, favourite %d/%d\n", kills, seen[0][0],
                seen[0][1], seen[1][0], seen[1][1], seen[2][0], seen[2][1]);
    EXPECT_GE(kills, 20);
    // Both versions turned up: the kills fell between writes of every file.
    for (const auto& file : seen) {
        EXPECT_GT(file[0], 0);
        EXPECT_GT(file[1], 0);
    }
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".corrupt-"), std::string::npos) << entry.path();
}

} // namespace
