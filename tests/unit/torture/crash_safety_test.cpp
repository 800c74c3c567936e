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

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace driftway::platform;
using namespace driftway::testing;
using Clock = std::chrono::steady_clock;

struct NoFacts : SystemFacts {
    std::vector<MachineValue> machine_values() const override { return {}; }
};

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
    if (RegistryStore(files[1], std::make_shared<NoFacts>())
            .RegSetValueA(Hkey::HKEY_CURRENT_USER, kRegistryKey, RegType::REG_SZ, crash_value(version)) !=
        RegStatus::ERROR_SUCCESS)
        return "the registry store refused the value";
    return driftway::favourites::write_internet_shortcut(files[2], crash_address(version)).value_or("");
}

// A forked copy of this program that calls `write(version)` for versions 1, 0,
// 1... until it is killed, and reports each finished round on a pipe.
struct Writer {
    explicit Writer(const std::function<std::string(int)>& write)
    {
        int progress[2];
        if (::pipe2(progress, O_CLOEXEC) != 0)
            return;
        std::fflush(nullptr);
        m_pid = ::fork();
        if (m_pid == 0) {
            // Bounded even if nobody comes to kill it.
            for (int i = 1; Clock::now() < m_last + std::chrono::seconds(20); ++i) {
                if (const std::string error = write(i % 2); !error.empty()) {
                    std::fprintf(stderr, "writer: %s\n", error.c_str());
                    ::_exit(3);
                }
                if (::write(progress[1], "C", 1) != 1)
                    ::_exit(4);
            }
            ::_exit(0);
        }
        ::close(progress[1]);
        m_progress = progress[0];
    }
    ~Writer()
    {
        if (m_pid > 0 && !m_reaped)
            kill();
        ::close(m_progress);
    }

    // Waits for `rounds` more rounds, keeping the time the last one took.
    bool wait_rounds(int rounds)
    {
        for (int i = 0; i < rounds; ++i) {
            pollfd waiting{m_progress, POLLIN, 0};
            char byte = 0;
            if (::poll(&waiting, 1, 10000) != 1 || ::read(m_progress, &byte, 1) != 1)
                return false;
            m_round = Clock::now() - m_last;
            m_last += m_round;
        }
        return true;
    }
    // Answers whether the writer was still writing when killed.
    bool kill()
    {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_reaped = true;
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

    pid_t m_pid = -1;
    int m_progress = -1;
    bool m_reaped = false;
    Clock::time_point m_last = Clock::now();
    Clock::duration m_round = std::chrono::milliseconds(2);
};

// Kills after zero to two whole rounds, somewhere within the round after, so
// that kills fall anywhere in a round however fast this machine writes.
void kill_at_random(Writer& writer)
{
    static std::mt19937 random{std::random_device{}()};
    ASSERT_GT(writer.m_pid, 0) << "the writer did not start";
    ASSERT_TRUE(writer.wait_rounds(std::uniform_int_distribution<int>(0, 2)(random)))
        << "the writer stopped; its message is above";
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(writer.m_round).count();
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<long long>(0, us)(random)));
    ASSERT_TRUE(writer.kill()) << "the writer stopped by itself; its message is above";
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

std::vector<std::string> temporaries_in(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.path().filename().string().find(".tmp-") != std::string::npos)
            names.push_back(entry.path().filename().string());
    return names;
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
        Writer writer([&](int version) { return write_all(dir.str(), version); });
        ASSERT_NO_FATAL_FAILURE(kill_at_random(writer));
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
        RegistryStore registry(files[1], std::make_shared<NoFacts>());
        const auto value = registry.read_value(Hkey::HKEY_CURRENT_USER, kRegistryKey, "");
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->data, crash_value(found[1]) + '\0');
        EXPECT_EQ(registry.take_warnings(), std::vector<std::string>{});
        EXPECT_EQ(driftway::favourites::read_internet_shortcut(files[2]), crash_address(found[2]));
        const auto scan = driftway::favourites::FavScan::read(favorites + "/", nullptr);
        ASSERT_EQ(scan.items().size(), 1u) << "a temporary file shows as a favourite after kill " << kills;
        EXPECT_EQ(scan.items()[0].path, files[2]);
        // Nor does the folder's watcher take one for a change the views miss.
        for (const auto& name : temporaries_in(favorites))
            EXPECT_TRUE(driftway::favourites::scan_shows(
                scan, {driftway::favourites::FolderChange::Kind::Entry, favorites + "/" + name}));
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

// The check above must be able to fail: a settings file rewritten in place
// is caught torn within a few kills.
TEST(CrashSafety, AFileRewrittenInPlaceIsCaughtTorn)
{
    ScopedEnv tmp{"TMPDIR", fast_temp_folder()};
    const auto versions = whole_versions();
    TempDir dir;
    const std::string settings = files_in(dir.str())[0];
    ASSERT_EQ(write_all(dir.str(), 0), "");
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    int torn = 0;
    for (int kills = 0; torn == 0 && kills < 100 && Clock::now() < deadline; ++kills) {
        Writer writer([&](int version) {
            const std::string& content = versions[0][version];
            std::ofstream out(settings, std::ios::binary | std::ios::trunc);
            for (std::size_t at = 0; at < content.size(); at += 4096)
                out.write(content.data() + at, std::min<std::size_t>(4096, content.size() - at)).flush();
            return std::string();
        });
        ASSERT_NO_FATAL_FAILURE(kill_at_random(writer));
        torn += version_of(settings, versions[0]) == -1;
    }
    EXPECT_GT(torn, 0) << "no kill ever caught the in-place writer half-way";
}

TEST(AtomicWrites, TheLongestNamesAreWrittenAndTheirTemporaryNamesKnown)
{
    TempDir dir;
    const std::string path = dir.str() + "/" + std::string(251, 'n') + ".url";
    ASSERT_EQ(write_file_atomic(path, "first"), std::nullopt);
    ASSERT_EQ(write_file_atomic(path, "second"), std::nullopt);
    EXPECT_EQ(read_file(path), "second");
    EXPECT_EQ(temporaries_in(dir.str()), std::vector<std::string>{});

    for (const auto& [name, temporary] :
         std::vector<std::pair<std::string, bool>>{{"settings.ini.tmp-a1B2c3", true},
                                                   {std::string(244, 'n') + ".tmp-ZZZZZZ", true},
                                                   {"settings.ini", false},
                                                   {".tmp-a1B2c3", false},
                                                   {"notes.tmp-a1B2c", false},
                                                   {"notes.tmp-a1-2c3", false},
                                                   {"notes.tmp-a1B2c3.url", false}})
        EXPECT_EQ(is_atomic_temp_name(name), temporary) << name;
}

} // namespace
