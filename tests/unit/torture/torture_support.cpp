#include "torture_support.h"

#include "favourites/file_ops.h"
#include "favourites/paths.h"
#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <linux/magic.h>
#include <set>
#include <sys/statfs.h>
#include <unistd.h>

namespace driftway::testing {

namespace fs = std::filesystem;

namespace {

// Adds a line to a report of at most ten.
void note(std::string& report, const std::string& line)
{
    if (std::count(report.begin(), report.end(), '\n') < 10)
        report += line + "\n";
    else if (!report.ends_with("...\n"))
        report += "...\n";
}

bool is_under(const std::string& path, const std::string& folder)
{
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

std::set<std::string> check_structure(const favourites::Tree& tree, const std::string& root_key,
                                      std::string& notes)
{
    std::set<std::string> keys;
    for (int i = 1; i <= tree.Count(); ++i) {
        const std::string& key = tree.Key(i);
        if (!keys.insert(key).second)
            note(notes, "twice " + shown(key));
        const std::string bare = favourites::strip_slash(key);
        const int parent = tree.Parent(i);
        if (i == 1 ? key != root_key : parent < 1 || tree.Key(parent) != bare.substr(0, bare.rfind('/') + 1))
            note(notes, "misplaced " + shown(key));
    }
    return keys;
}

} // namespace

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

std::string differences(const Snapshot& expected, const Snapshot& actual)
{
    std::string notes;
    for (const auto& [path, value] : expected) {
        const auto it = actual.find(path);
        if (it == actual.end())
            note(notes, "missing " + shown(path));
        else if (it->second != value)
            note(notes, "changed " + shown(path) + " to " + shown(it->second.substr(0, 60)));
    }
    for (const auto& [path, value] : actual)
        if (!expected.contains(path))
            note(notes, "unexpected " + shown(path));
    return notes;
}

std::string tree_structure(const favourites::Tree& tree, const std::string& root_key)
{
    std::string notes;
    check_structure(tree, root_key, notes);
    return notes;
}

std::string tree_vs_disk(const favourites::Tree& tree, const std::string& root_key)
{
    std::string notes;
    const std::set<std::string> shown_keys = check_structure(tree, root_key, notes);
    std::set<std::string> wanted{root_key};
    walk(
        root_key,
        [&](const std::string& path, bool link, bool folder) {
            const std::string name(favourites::base_name(path));
            std::error_code ec;
            if (folder && name.front() != '.')
                wanted.insert(path + "/");
            else if (!folder && !(link && fs::is_directory(path, ec)) && !platform::is_atomic_temp_name(name))
                wanted.insert(path);
            return folder && name.front() != '.';
        },
        [](const std::string&) {});
    for (const auto& key : wanted)
        if (!shown_keys.contains(key))
            note(notes, "missing " + shown(key));
    for (const auto& key : shown_keys)
        if (!wanted.contains(key))
            note(notes, "extra " + shown(key));
    return notes;
}

std::string fast_temp_folder(std::uint64_t bytes)
{
    struct statfs fs {};
    if (::statfs("/dev/shm", &fs) == 0 && fs.f_type == TMPFS_MAGIC &&
        ::access("/dev/shm", W_OK | X_OK) == 0 &&
        static_cast<std::uint64_t>(fs.f_bavail) * static_cast<std::uint64_t>(fs.f_bsize) >= bytes)
        return "/dev/shm";
    return fs::temp_directory_path().string();
}

bool ran_unprivileged()
{
    if (::geteuid() != 0)
        return false;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // The child's report shows that the test really ran there: a filter that
    // matches nothing also ends with status 0.
    TempDir report_dir;
    ::chmod(report_dir.path().c_str(), 0777);
    const std::string report = report_dir.str() + "/report.json";
    const std::string command = "timeout 120 setpriv --reuid=nobody --regid=nogroup --clear-groups '" +
                                fs::read_symlink("/proc/self/exe").string() +
                                "' --gtest_filter=" + info->test_suite_name() + "." + info->name() +
                                " --gtest_output=json:" + report;
    std::fflush(nullptr);
    EXPECT_EQ(std::system(command.c_str()), 0) << "the run as \"nobody\" failed; its output is above";
    const std::string json = read_file(report);
    EXPECT_NE(json.find("\"tests\": 1,"), std::string::npos) << "the child ran no test: " << json;
    EXPECT_NE(json.find("\"failures\": 0,"), std::string::npos) << json;
    return true;
}

} // namespace driftway::testing
