#include "torture_support.h"

#include "favourites/file_ops.h"
#include "favourites/paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <linux/magic.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace driftway::testing {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// One entry of a folder as readdir tells it.
struct Entry {
    std::string name;
    unsigned char type;
};

// The entries of a folder, or nullopt when it cannot be listed. The folder is
// closed again before the caller looks at any entry.
std::optional<std::vector<Entry>> list(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return std::nullopt;
    }
    std::vector<Entry> entries;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            entries.push_back({std::string(name), entry->d_type});
    }
    return entries;
}

// The entry's type, asking the file system when readdir did not say.
unsigned char type_of(const std::string& path, unsigned char listed)
{
    if (listed != DT_UNKNOWN)
        return listed;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return DT_UNKNOWN;
    return S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
}

std::string content_of(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return "<unreadable file>";
    // One read takes a small file whole; a short read means the end.
    std::string data;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        data.append(buffer, static_cast<std::size_t>(n));
        if (static_cast<std::size_t>(n) < sizeof buffer)
            break;
    }
    ::close(fd);
    return data;
}

bool is_under(const std::string& path, const std::string& folder)
{
    return path == folder ||
           (path.size() > folder.size() && path.starts_with(folder) && path[folder.size()] == '/');
}

// Collects numbered lines up to a limit and says how many were left out.
class Notes {
public:
    explicit Notes(std::size_t limit) : m_limit(limit) {}
    void add(const std::string& line)
    {
        if (m_count++ < m_limit)
            m_text += line + "\n";
    }
    std::string text() const
    {
        return m_count > m_limit ? m_text + "... and " + std::to_string(m_count - m_limit) + " more\n"
                                 : m_text;
    }

private:
    std::size_t m_limit;
    std::size_t m_count = 0;
    std::string m_text;
};

// The temporary name of an atomic write that was cut off: "<name>.tmp-" and
// six letters or digits.
bool is_stray_temporary(std::string_view name)
{
    constexpr std::string_view tag = ".tmp-";
    if (name.size() < tag.size() + 6 + 1)
        return false;
    const std::string_view tail = name.substr(name.size() - 6);
    return name.substr(name.size() - 6 - tag.size(), tag.size()) == tag &&
           std::all_of(tail.begin(), tail.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

} // namespace

Snapshot snapshot(const std::string& root)
{
    Snapshot entries;
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
        const std::string relative = std::move(pending.back());
        pending.pop_back();
        const std::string folder = relative.empty() ? root : root + "/" + relative;
        const auto names = list(folder);
        if (!names) {
            entries[relative.empty() ? "." : relative] = "<unreadable>";
            continue;
        }
        for (const auto& [name, listed] : *names) {
            const std::string child = relative.empty() ? name : relative + "/" + name;
            const std::string path = root + "/" + child;
            switch (type_of(path, listed)) {
            case DT_LNK: {
                char target[4096];
                const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
                entries[child] = "-> " + std::string(target, n < 0 ? 0 : static_cast<std::size_t>(n));
                break;
            }
            case DT_DIR:
                entries[child] = "<folder>";
                pending.push_back(child);
                break;
            case DT_UNKNOWN:
                entries[child] = "<vanished>";
                break;
            default:
                entries[child] = content_of(path);
                break;
            }
        }
    }
    return entries;
}

Snapshot moved(Snapshot entries, const std::string& from, const std::string& to)
{
    Snapshot result;
    for (auto& [path, value] : entries)
        result[is_under(path, from) ? to + path.substr(from.size()) : path] = std::move(value);
    return result;
}

Snapshot without(Snapshot entries, const std::string& path)
{
    std::erase_if(entries, [&](const auto& entry) { return is_under(entry.first, path); });
    return entries;
}

std::string shown(std::string_view name)
{
    return "\"" + favourites::display_path(name) + "\"";
}

std::string differences(const Snapshot& expected, const Snapshot& actual, std::size_t limit)
{
    Notes notes(limit);
    for (const auto& [path, value] : expected) {
        const auto it = actual.find(path);
        if (it == actual.end())
            notes.add("missing " + shown(path));
        else if (it->second != value)
            notes.add("changed " + shown(path) + ": " + shown(value.substr(0, 60)) + " became " +
                      shown(it->second.substr(0, 60)));
    }
    for (const auto& [path, value] : actual) {
        if (!expected.contains(path))
            notes.add("unexpected " + shown(path));
    }
    return notes.text();
}

std::vector<std::string> expected_keys(const std::string& root_key)
{
    std::vector<std::string> keys{root_key};
    std::vector<std::string> pending{root_key};
    while (!pending.empty()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        const auto names = list(folder);
        if (!names)
            continue;
        for (const auto& [name, listed] : *names) {
            const std::string path = folder + name;
            const unsigned char type = type_of(path, listed);
            if (type == DT_DIR) {
                if (name.front() != '.') {
                    keys.push_back(path + "/");
                    pending.push_back(path + "/");
                }
                continue;
            }
            struct stat target {};
            if (type == DT_UNKNOWN ||
                (type == DT_LNK && ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)))
                continue;
            if (!is_stray_temporary(name))
                keys.push_back(path);
        }
    }
    return keys;
}

namespace {

std::set<std::string> check_structure(const favourites::Tree& tree, const std::string& root_key, Notes& notes)
{
    std::set<std::string> keys;
    for (int i = 1; i <= tree.Count(); ++i) {
        const std::string& key = tree.Key(i);
        if (!keys.insert(key).second)
            notes.add("twice " + shown(key));
        if (i == 1) {
            if (key != root_key)
                notes.add("the first node is " + shown(key));
            continue;
        }
        const std::string bare = favourites::is_folder_key(key) ? key.substr(0, key.size() - 1) : key;
        const std::string parent_key = bare.substr(0, bare.rfind('/') + 1);
        const int parent = tree.Parent(i);
        if (parent < 1 || tree.Key(parent) != parent_key)
            notes.add("misplaced " + shown(key));
    }
    return keys;
}

} // namespace

std::string tree_structure(const favourites::Tree& tree, const std::string& root_key, std::size_t limit)
{
    Notes notes(limit);
    check_structure(tree, root_key, notes);
    return notes.text();
}

std::string tree_vs_disk(const favourites::Tree& tree, const std::string& root_key, std::size_t limit)
{
    Notes notes(limit);
    const std::set<std::string> shown_keys = check_structure(tree, root_key, notes);
    const auto keys = expected_keys(root_key);
    const std::set<std::string> wanted(keys.begin(), keys.end());
    for (const auto& key : wanted) {
        if (!shown_keys.contains(key))
            notes.add("missing " + shown(key));
    }
    for (const auto& key : shown_keys) {
        if (!wanted.contains(key))
            notes.add("extra " + shown(key));
    }
    return notes.text();
}

std::string fast_temp_folder(std::uint64_t bytes)
{
    struct statfs fs {};
    if (::statfs("/dev/shm", &fs) == 0 && fs.f_type == TMPFS_MAGIC &&
        ::access("/dev/shm", W_OK | X_OK) == 0 &&
        static_cast<std::uint64_t>(fs.f_bavail) * static_cast<std::uint64_t>(fs.f_bsize) >= bytes)
        return "/dev/shm";
    return std::filesystem::temp_directory_path().string();
}

bool ran_unprivileged()
{
    if (::geteuid() != 0)
        return false;
    const char* setpriv = "/usr/bin/setpriv";
    if (::access(setpriv, X_OK) != 0) {
        ADD_FAILURE() << "running as root and " << setpriv << " is missing: cannot drop privileges";
        return true;
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string("--gtest_filter=") + info->test_suite_name() + "." + info->name();
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) {
        ADD_FAILURE() << "cannot find the test program";
        return true;
    }
    exe[n] = '\0';

    // The child's report tells that the test really ran there: a filter that
    // matched nothing would also end with status 0.
    std::string report_dir = "/tmp/driftway-unprivileged-XXXXXX";
    if (!::mkdtemp(report_dir.data()) || ::chmod(report_dir.c_str(), 0777) != 0) {
        ADD_FAILURE() << "cannot make a folder for the child's report";
        return true;
    }
    const std::string report = report_dir + "/report.json";
    const std::string output = "--gtest_output=json:" + report;

    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    if (child == 0) {
        const char* argv[] = {setpriv, "--reuid=nobody", "--regid=nogroup", "--clear-groups",
                              exe,     filter.c_str(),   output.c_str(),    nullptr};
        ::execv(setpriv, const_cast<char* const*>(argv));
        ::_exit(127);
    }
    if (child < 0) {
        ADD_FAILURE() << "cannot fork";
        return true;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(120);
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            ADD_FAILURE() << "the unprivileged run took longer than two minutes";
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the run as \"nobody\" failed (status " << status << "); its output is above";
    const std::string json = content_of(report);
    EXPECT_NE(json.find("\"tests\": 1,"), std::string::npos) << "the child ran no test: " << json;
    EXPECT_NE(json.find("\"failures\": 0,"), std::string::npos) << json;
    ::unlink(report.c_str());
    ::rmdir(report_dir.c_str());
    return true;
}

} // namespace driftway::testing
