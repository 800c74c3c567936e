#include "store_writer.h"

#include "favourites/internet_shortcut.h"
#include "platform/atomic_file.h"
#include "platform/registry_store.h"
#include "platform/settings_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace driftway::testing {

namespace {

struct NoFacts : platform::SystemFacts {
    std::vector<platform::MachineValue> machine_values() const override { return {}; }
};

// The careless writer: truncates the file and writes it in pieces.
std::string write_in_place(const std::string& path, const std::string& content)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return "cannot open " + path;
    for (std::size_t done = 0; done < content.size();) {
        const ssize_t n =
            ::write(fd, content.data() + done, std::min<std::size_t>(4096, content.size() - done));
        if (n <= 0) {
            ::close(fd);
            return "cannot write " + path;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return {};
}

[[noreturn]] void run_writer(const std::string& folder)
{
    const char* mode = std::getenv(kWriterModeVariable);
    const bool in_place = mode && std::string(mode) == "in-place";
    std::string contents[2];
    if (in_place) {
        // Exactly what the store writes, so that only the manner differs.
        for (int version = 0; version < 2; ++version) {
            const std::string scratch = folder + "/scratch " + std::to_string(version);
            platform::SettingsStore store(scratch);
            store.save_setting(kCrashApplication, kCrashSection, kCrashKey, crash_value(version));
            contents[version] = platform::read_whole_file(store.file_for(kCrashApplication)).value_or("");
        }
    }
    const char* ready = std::getenv(kWriterReadyVariable);
    const int progress = ready ? std::atoi(ready) : -1;
    const auto tell = [&](char what) {
        if (progress >= 0 && ::write(progress, &what, 1) != 1)
            ::_exit(4);
    };
    tell('R');
    // Bounded even if nobody comes to kill it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int i = 1; std::chrono::steady_clock::now() < deadline; ++i) {
        const std::string error =
            in_place ? write_in_place(settings_folder(folder) + "/Driftway/settings.ini", contents[i % 2])
                     : write_all(folder, i % 2);
        if (!error.empty()) {
            std::fprintf(stderr, "store writer: %s\n", error.c_str());
            ::_exit(3);
        }
        tell('C');
    }
    ::_exit(0);
}

// Runs before the first test, once the whole program is initialised; the
// writer never returns to the tests.
class WriterMode : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (const char* folder = std::getenv(kWriterFolderVariable))
            run_writer(folder);
    }
};

// The test framework takes ownership of the environment.
[[maybe_unused]] ::testing::Environment* const g_writer_mode =
    ::testing::AddGlobalTestEnvironment(new WriterMode);

} // namespace

std::string crash_value(int version)
{
    // Lines make the settings file escape them; quotes and backslashes too.
    std::string value;
    for (int line = 0; line < 2000; ++line)
        value +=
            "version " + std::to_string(version) + " line " + std::to_string(line) + " \"quoted\" \\ end\n";
    return value;
}

std::string crash_address(int version)
{
    return "https://example.org/" + std::to_string(version) + "?" + std::string(60000, version ? 'b' : 'a');
}

std::string settings_folder(const std::string& folder)
{
    return folder + "/config";
}

std::string registry_file(const std::string& folder)
{
    return folder + "/config/Driftway/registry";
}

std::string favorites_folder(const std::string& folder)
{
    return folder + "/Favorites";
}

std::string favourite_file(const std::string& folder)
{
    return favorites_folder(folder) + "/" + std::string(251, 'f') + ".url";
}

std::string write_all(const std::string& folder, int version)
{
    platform::SettingsStore settings(settings_folder(folder));
    if (const auto error =
            settings.save_setting(kCrashApplication, kCrashSection, kCrashKey, crash_value(version)))
        return *error;
    platform::RegistryStore registry(registry_file(folder), std::make_shared<NoFacts>());
    const auto status = registry.RegSetValueA(platform::Hkey::HKEY_CURRENT_USER, kCrashRegistryKey,
                                              platform::RegType::REG_SZ, crash_value(version));
    if (status != platform::RegStatus::ERROR_SUCCESS)
        return "the registry store answered " + std::to_string(static_cast<int>(status));
    if (const auto error =
            favourites::write_internet_shortcut(favourite_file(folder), crash_address(version)))
        return *error;
    return {};
}

} // namespace driftway::testing
