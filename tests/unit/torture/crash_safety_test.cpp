// Crash safety: the store writer (this program in its writer mode) is killed
// with SIGKILL at random moments while it writes the settings, the registry
// store and a favourite; afterwards every file is its old or its new version,
// never a torn one, and temporary files left behind are never read as the
// real ones. Needs a temporary folder and child processes; bounded in time.
#include "store_writer.h"
#include "torture_support.h"

#include "favourites/fav_scan.h"
#include "favourites/folder_watch.h"
#include "favourites/internet_shortcut.h"
#include "platform/atomic_file.h"
#include "platform/registry_store.h"
#include "platform/settings_store.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace driftway::testing;
using driftway::platform::read_whole_file;
using Clock = std::chrono::steady_clock;

struct NoFacts : driftway::platform::SystemFacts {
    std::vector<driftway::platform::MachineValue> machine_values() const override { return {}; }
};

// The two versions of each file, as the stores write them when nothing
// interrupts them.
struct Versions {
    std::string settings[2];
    std::string registry[2];
    std::string favourite[2];
};

Versions whole_versions()
{
    Versions versions;
    for (int version = 0; version < 2; ++version) {
        TempDir scratch;
        EXPECT_EQ(write_all(scratch.str(), version), "");
        versions.settings[version] = read_file(settings_folder(scratch.str()) + "/Driftway/settings.ini");
        versions.registry[version] = read_file(registry_file(scratch.str()));
        versions.favourite[version] = read_file(favourite_file(scratch.str()));
    }
    return versions;
}

// Which version a file holds: 0 or 1, or -1 for anything else.
int version_of(const std::optional<std::string>& content, const std::string (&versions)[2])
{
    if (content == versions[0])
        return 0;
    if (content == versions[1])
        return 1;
    return -1;
}

enum class WriterMode { Atomic, InPlace };

// One run of the writer, from its start until it is killed.
class WriterRun {
public:
    WriterRun(const std::string& folder, WriterMode mode)
    {
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0)
            return;
        char exe[4096];
        const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
        exe[n > 0 ? n : 0] = '\0';
        std::vector<std::string> variables;
        for (char** e = environ; *e; ++e)
            variables.emplace_back(*e);
        variables.push_back(std::string(kWriterFolderVariable) + "=" + folder);
        variables.push_back(std::string(kWriterReadyVariable) + "=" + std::to_string(ready[1]));
        variables.push_back(std::string(kWriterModeVariable) + "=" +
                            (mode == WriterMode::InPlace ? "in-place" : "atomic"));
        std::vector<char*> envp;
        for (auto& v : variables)
            envp.push_back(v.data());
        envp.push_back(nullptr);
        // Any test of this suite will do: the writer takes over before it runs.
        const char* argv[] = {exe, "--gtest_filter=CrashSafety.*", nullptr};

        m_pid = ::fork();
        if (m_pid == 0) {
            ::fcntl(ready[1], F_SETFD, 0);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            ::execve(exe, const_cast<char* const*>(argv), envp.data());
            ::_exit(127);
        }
        ::close(ready[1]);
        m_progress = ready[0];
        m_started = m_pid > 0 && next() == 'R';
        m_last = Clock::now();
    }
    ~WriterRun()
    {
        if (m_pid > 0 && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        ::close(m_progress);
    }
    WriterRun(const WriterRun&) = delete;
    WriterRun& operator=(const WriterRun&) = delete;

    bool started() const { return m_started; }

    // Waits until the writer has written all three files `rounds` times more;
    // false when it stopped reporting. The time of the last round is kept.
    bool wait_rounds(int rounds)
    {
        for (int i = 0; i < rounds; ++i) {
            if (next() != 'C')
                return false;
            const auto now = Clock::now();
            m_round = now - m_last;
            m_last = now;
        }
        return true;
    }
    std::optional<Clock::duration> last_round() const { return m_round; }

    // Kills the writer; answers whether it was still writing, rather than
    // gone by itself (which it only does on an error).
    bool kill()
    {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_reaped = true;
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

private:
    // The writer's next report, or 0 when none comes within ten seconds.
    char next()
    {
        pollfd waiting{m_progress, POLLIN, 0};
        char byte = 0;
        if (::poll(&waiting, 1, 10000) != 1 || ::read(m_progress, &byte, 1) != 1)
            return 0;
        return byte;
    }

    pid_t m_pid = -1;
    int m_progress = -1;
    bool m_started = false;
    bool m_reaped = false;
    Clock::time_point m_last;
    std::optional<Clock::duration> m_round;
};

// Kills writers at random moments: after zero to two whole rounds of writing,
// somewhere within the round after, so that the kills fall everywhere in a
// round however fast this machine writes.
class Killer {
public:
    void run(WriterRun& writer)
    {
        ASSERT_TRUE(writer.started()) << "the writer did not start";
        ASSERT_TRUE(writer.wait_rounds(std::uniform_int_distribution<int>(0, 2)(m_random)))
            << "the writer stopped; its message is above";
        if (const auto round = writer.last_round())
            m_round = *round;
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(m_round).count();
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<long long>(0, us)(m_random)));
        ASSERT_TRUE(writer.kill()) << "the writer stopped by itself; its message is above";
    }

private:
    std::mt19937 m_random{std::random_device{}()};
    Clock::duration m_round = std::chrono::milliseconds(2);
};

std::vector<std::string> temporaries_in(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp-") != std::string::npos)
            names.push_back(name);
    }
    return names;
}

TEST(CrashSafety, AWriterKilledAtRandomMomentsLeavesEveryFileOldOrNew)
{
    ScopedEnv tmp{"TMPDIR", fast_temp_folder()};
    const Versions versions = whole_versions();
    TempDir dir;
    ASSERT_EQ(write_all(dir.str(), 0), "");

    Killer killer;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    int kills = 0;
    int seen[3][2] = {};
    while (kills < 200 && Clock::now() < deadline) {
        WriterRun writer(dir.str(), WriterMode::Atomic);
        ASSERT_NO_FATAL_FAILURE(killer.run(writer));
        ++kills;

        const int settings = version_of(
            read_whole_file(settings_folder(dir.str()) + "/Driftway/settings.ini"), versions.settings);
        const int registry = version_of(read_whole_file(registry_file(dir.str())), versions.registry);
        const int favourite = version_of(read_whole_file(favourite_file(dir.str())), versions.favourite);
        ASSERT_NE(settings, -1) << "the settings file is torn after kill " << kills;
        ASSERT_NE(registry, -1) << "the registry file is torn after kill " << kills;
        ASSERT_NE(favourite, -1) << "the favourite is torn after kill " << kills;
        ++seen[0][settings];
        ++seen[1][registry];
        ++seen[2][favourite];

        // The programs' own readers see a whole version, with no complaint,
        // whatever temporary files lie beside the real ones.
        driftway::platform::SettingsStore store(settings_folder(dir.str()));
        EXPECT_EQ(store.get_setting(kCrashApplication, kCrashSection, kCrashKey), crash_value(settings));
        EXPECT_EQ(store.take_warnings(), std::vector<std::string>{});
        driftway::platform::RegistryStore registry_store(registry_file(dir.str()),
                                                         std::make_shared<NoFacts>());
        const auto value =
            registry_store.read_value(driftway::platform::Hkey::HKEY_CURRENT_USER, kCrashRegistryKey, "");
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->data, crash_value(registry) + '\0');
        EXPECT_EQ(registry_store.take_warnings(), std::vector<std::string>{});
        EXPECT_EQ(driftway::favourites::read_internet_shortcut(favourite_file(dir.str())),
                  crash_address(favourite));
        const auto scan = driftway::favourites::FavScan::read(favorites_folder(dir.str()) + "/", nullptr);
        ASSERT_EQ(scan.items().size(), 1u) << "a temporary file shows as a favourite after kill " << kills;
        EXPECT_EQ(scan.items()[0].path, favourite_file(dir.str()));
        // Nor does the folder's watcher take one for a change the views miss.
        for (const auto& name : temporaries_in(favorites_folder(dir.str())))
            EXPECT_TRUE(
                driftway::favourites::scan_shows(scan, {driftway::favourites::FolderChange::Kind::Entry,
                                                        favorites_folder(dir.str()) + "/" + name}));
    }
    const auto strays = temporaries_in(settings_folder(dir.str()) + "/Driftway").size() +
                        temporaries_in(favorites_folder(dir.str())).size();
    std::printf(
        "%d kills; settings old/new %d/%d, registry %d/%d, favourite %d/%d; %zu temporary files left\n",
        kills, seen[0][0], seen[0][1], seen[1][0], seen[1][1], seen[2][0], seen[2][1], strays);
    EXPECT_GE(kills, 20);
    // Both versions turned up: the kills fell between writes of every file.
    for (const auto& file : seen) {
        EXPECT_GT(file[0], 0);
        EXPECT_GT(file[1], 0);
    }
    for (const auto& entry : fs::recursive_directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".corrupt-"), std::string::npos) << entry.path();
}

// The check above must be able to fail: a file rewritten in place is caught
// torn within a few kills.
TEST(CrashSafety, AFileRewrittenInPlaceIsCaughtTorn)
{
    ScopedEnv tmp{"TMPDIR", fast_temp_folder()};
    const Versions versions = whole_versions();
    TempDir dir;
    ASSERT_EQ(write_all(dir.str(), 0), "");
    Killer killer;
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    int torn = 0;
    for (int kills = 0; torn == 0 && kills < 100 && Clock::now() < deadline; ++kills) {
        WriterRun writer(dir.str(), WriterMode::InPlace);
        ASSERT_NO_FATAL_FAILURE(killer.run(writer));
        torn += version_of(read_whole_file(settings_folder(dir.str()) + "/Driftway/settings.ini"),
                           versions.settings) == -1;
    }
    EXPECT_GT(torn, 0) << "no kill ever caught the in-place writer half-way";
}

TEST(AtomicWrites, TheLongestNamesAreWrittenAndTheirTemporaryNamesKnown)
{
    TempDir dir;
    const std::string path = dir.str() + "/" + std::string(251, 'n') + ".url";
    ASSERT_EQ(driftway::platform::write_file_atomic(path, "first"), std::nullopt);
    ASSERT_EQ(driftway::platform::write_file_atomic(path, "second"), std::nullopt);
    EXPECT_EQ(read_file(path), "second");
    EXPECT_EQ(temporaries_in(dir.str()), std::vector<std::string>{});

    using driftway::platform::is_atomic_temp_name;
    EXPECT_TRUE(is_atomic_temp_name("settings.ini.tmp-a1B2c3"));
    EXPECT_TRUE(is_atomic_temp_name(std::string(244, 'n') + ".tmp-ZZZZZZ"));
    EXPECT_FALSE(is_atomic_temp_name("settings.ini"));
    EXPECT_FALSE(is_atomic_temp_name(".tmp-a1B2c3"));
    EXPECT_FALSE(is_atomic_temp_name("notes.tmp-a1B2c"));
    EXPECT_FALSE(is_atomic_temp_name("notes.tmp-a1-2c3"));
    EXPECT_FALSE(is_atomic_temp_name("notes.tmp-a1B2c3.url"));
}

} // namespace
