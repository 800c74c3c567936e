#pragma once

// Helpers of the torture tests: changes to a folder snapshot, a
// favourites window on a temporary Favorites folder, and a way to run a test
// as an unprivileged user when the suite runs as root.

#include "favourites/context_menu.h"
#include "favourites/fav_menu.h"
#include "favourites/fav_search.h"
#include "favourites/file_ops.h"
#include "favourites/paths.h"
#include "platform/atomic_file.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/favourites/fav_doubles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <linux/magic.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace driftway::testing {

// Adds a line to a report of at most ten.
inline void note(std::string& report, const std::string& line)
{
    if (std::count(report.begin(), report.end(), '\n') < 10)
        report += line + "\n";
    else if (!report.ends_with("...\n"))
        report += "...\n";
}

inline std::string shown(std::string_view name)
{
    return "\"" + favourites::display_path(name) + "\"";
}

inline bool is_under(const std::string& path, const std::string& folder)
{
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

// The snapshot with the entry at `from` and everything below it moved to `to`.
inline Snapshot moved(Snapshot entries, const std::string& from, const std::string& to)
{
    Snapshot result;
    for (auto& [path, value] : entries)
        result[is_under(path, from) ? to + path.substr(from.size()) : path] = std::move(value);
    return result;
}

inline Snapshot without(Snapshot entries, const std::string& path)
{
    std::erase_if(entries, [&](const auto& entry) { return is_under(entry.first, path); });
    return entries;
}

// A line per entry that differs (at most ten); empty when equal.
inline std::string differences(const Snapshot& expected, const Snapshot& actual)
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

inline std::set<std::string> keys_of(const favourites::Tree& tree)
{
    std::set<std::string> keys;
    for (int i = 1; i <= tree.Count(); ++i)
        keys.insert(tree.Key(i));
    return keys;
}

// Where the tree is unsound whatever the folder holds (a key twice, a wrong
// first node, a node under the wrong parent); empty when sound.
inline std::string tree_structure(const favourites::Tree& tree, const std::string& root_key)
{
    std::string notes;
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
    return notes;
}

// The same, plus the keys missing from or extra to what the folder `root_key`
// must show: folders not starting with ".", and every other entry except
// links to folders and stray temporary files.
inline std::string tree_vs_disk(const favourites::Tree& tree, const std::string& root_key)
{
    std::string notes = tree_structure(tree, root_key);
    const std::set<std::string> shown_keys = keys_of(tree);
    std::set<std::string> wanted{root_key};
    walk(
        root_key,
        [&](const std::string& path, bool link, bool folder) {
            const std::string name(favourites::base_name(path));
            std::error_code ec;
            if (folder && name.front() != '.')
                wanted.insert(path + "/");
            else if (!folder && !(link && std::filesystem::is_directory(path, ec)) &&
                     !platform::is_atomic_temp_name(name))
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

// /dev/shm when it is a writable memory file system with `bytes` free (large
// trees are made there in a fraction of a disk's time), else the usual folder.
inline std::string fast_temp_folder(std::uint64_t bytes = 64 << 20)
{
    struct statfs st {};
    if (::statfs("/dev/shm", &st) == 0 && st.f_type == TMPFS_MAGIC &&
        ::access("/dev/shm", W_OK | X_OK) == 0 &&
        static_cast<std::uint64_t>(st.f_bavail) * static_cast<std::uint64_t>(st.f_bsize) >= bytes)
        return "/dev/shm";
    return std::filesystem::temp_directory_path().string();
}

// As root, runs the current test again as the user "nobody" (folder rights do
// not bind root), records its verdict and answers true: the caller returns.
inline bool ran_unprivileged()
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
                                std::filesystem::read_symlink("/proc/self/exe").string() +
                                "' --gtest_filter=" + info->test_suite_name() + "." + info->name() +
                                " --gtest_output=json:" + report;
    std::fflush(nullptr);
    EXPECT_EQ(std::system(command.c_str()), 0) << "the run as \"nobody\" failed; its output is above";
    const std::string json = read_file(report);
    EXPECT_NE(json.find("\"tests\": 1,"), std::string::npos) << "the child ran no test: " << json;
    EXPECT_NE(json.find("\"failures\": 0,"), std::string::npos) << json;
    return true;
}

struct TempFolderEnv {
    ScopedEnv tmp;
};
// A favourites window on a fresh Favorites folder, made in the fast temporary
// folder when asked to hold `fast_bytes`. The operations keep `expected`,
// what the folder should hold, up to date. Each operation lands at `to`; an
// empty `to` means refused, nothing changes.
struct FavRig : TempFolderEnv, FavFolder<FavWindowDouble> {
    explicit FavRig(std::uint64_t fast_bytes = 0)
        : TempFolderEnv{{"TMPDIR", fast_bytes ? fast_temp_folder(fast_bytes)
                                              : std::filesystem::temp_directory_path().string()}}
    {
    }
    void load()
    {
        faves.LoadFavorites(window);
        expected = snapshot(dir.str());
    }
    void rename(const std::string& from, const std::string& text, const std::string& to)
    {
        ASSERT_NO_FATAL_FAILURE(select(from));
        EXPECT_EQ(faves.AfterLabelEdit(window, text),
                  to.empty() ? favourites::LabelEdit::Cancel : favourites::LabelEdit::Accept)
            << shown(from);
        landed(from, to);
    }
    void move(const std::string& from, const std::string& folder, const std::string& to)
    {
        ASSERT_NO_FATAL_FAILURE(select(from));
        window.dialogs_double.browse_answer = root() + folder;
        favourites::mnuRFav_Click(faves, window, favourites::kRFavMoveTo);
        landed(from, to);
    }
    void remove(const std::string& path)
    {
        ASSERT_NO_FATAL_FAILURE(select(path));
        favourites::mnuRFav_Click(faves, window, favourites::kRFavDelete);
        expected = without(std::move(expected), favourites::strip_slash(path));
    }
    // The folder holds what was expected and the tree shows the folder.
    void check(const std::string& when = "") const
    {
        EXPECT_EQ(differences(expected, snapshot(dir.str())), "") << when;
        EXPECT_EQ(tree_vs_disk(window.tree, root()), "") << when;
    }
    void landed(const std::string& from, const std::string& to)
    {
        if (to.empty())
            return;
        expected = moved(std::move(expected), favourites::strip_slash(from), to);
        EXPECT_EQ(favourites::strip_slash(window.selected_key()), root() + to);
    }

    Snapshot expected;
    favourites::FavSearch search{window.tree, window.prompts_double};
};

} // namespace driftway::testing
