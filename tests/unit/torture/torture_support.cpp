#include "torture_support.h"

#include "favourites/context_menu.h"
#include "favourites/file_ops.h"
#include "favourites/paths.h"
#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <functional>
#include <linux/magic.h>
#include <set>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace driftway::testing {

namespace fs = std::filesystem;

namespace {

// Collects up to ten lines and says how many more there were.
struct Notes {
    std::size_t count = 0;
    std::string text;
    void add(const std::string& line)
    {
        if (count++ < 10)
            text += line + "\n";
    }
    std::string str() const
    {
        return count > 10 ? text + "... " + std::to_string(count - 10) + " more\n" : text;
    }
};

bool is_under(const std::string& path, const std::string& folder)
{
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

// Walks the folder, one listing open at a time; `visit` gets each entry's
// path and whether it is a link or a real folder, and answers whether to go in.
void walk(const std::string& root, const std::function<bool(const std::string&, bool, bool)>& visit,
          const std::function<void(const std::string&)>& unlistable)
{
    std::vector<std::string> pending{root};
    while (!pending.empty()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        DIR* listing = ::opendir(folder.c_str());
        if (!listing) {
            unlistable(folder);
            continue;
        }
        std::vector<std::pair<std::string, unsigned char>> entries;
        while (const dirent* entry = ::readdir(listing))
            if (std::string_view(entry->d_name) != "." && std::string_view(entry->d_name) != "..")
                entries.emplace_back(entry->d_name, entry->d_type);
        ::closedir(listing);
        for (auto& [name, type] : entries) {
            const std::string path = (folder.ends_with('/') ? folder : folder + "/") + name;
            struct stat st {};
            if (type == DT_UNKNOWN && ::lstat(path.c_str(), &st) == 0)
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
            if (visit(path, type == DT_LNK, type == DT_DIR))
                pending.push_back(path);
        }
    }
}

std::set<std::string> check_structure(const favourites::Tree& tree, const std::string& root_key, Notes& notes)
{
    std::set<std::string> keys;
    for (int i = 1; i <= tree.Count(); ++i) {
        const std::string& key = tree.Key(i);
        if (!keys.insert(key).second)
            notes.add("twice " + shown(key));
        const std::string bare = favourites::strip_slash(key);
        const int parent = tree.Parent(i);
        if (i == 1 ? key != root_key : parent < 1 || tree.Key(parent) != bare.substr(0, bare.rfind('/') + 1))
            notes.add("misplaced " + shown(key));
    }
    return keys;
}

} // namespace

Snapshot snapshot(const std::string& root)
{
    Snapshot entries;
    const auto relative = [&](const std::string& path) {
        return path == root ? "." : path.substr(root.size() + 1);
    };
    walk(
        root,
        [&](const std::string& path, bool link, bool folder) {
            std::error_code ec;
            entries[relative(path)] = link     ? "-> " + fs::read_symlink(path, ec).string()
                                      : folder ? "<folder>"
                                               : read_file(path);
            return folder;
        },
        [&](const std::string& folder) { entries[relative(folder)] = "<unreadable>"; });
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

std::string differences(const Snapshot& expected, const Snapshot& actual)
{
    Notes notes;
    for (const auto& [path, value] : expected) {
        const auto it = actual.find(path);
        if (it == actual.end())
            notes.add("missing " + shown(path));
        else if (it->second != value)
            notes.add("changed " + shown(path) + " to " + shown(it->second.substr(0, 60)));
    }
    for (const auto& [path, value] : actual)
        if (!expected.contains(path))
            notes.add("unexpected " + shown(path));
    return notes.str();
}

std::string tree_structure(const favourites::Tree& tree, const std::string& root_key)
{
    Notes notes;
    check_structure(tree, root_key, notes);
    return notes.str();
}

std::string tree_vs_disk(const favourites::Tree& tree, const std::string& root_key)
{
    Notes notes;
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
            notes.add("missing " + shown(key));
    for (const auto& key : shown_keys)
        if (!wanted.contains(key))
            notes.add("extra " + shown(key));
    return notes.str();
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

FavRig::FavRig(std::uint64_t fast_bytes)
    : tmp("TMPDIR", fast_bytes ? fast_temp_folder(fast_bytes) : fs::temp_directory_path().string())
{
}

void FavRig::load()
{
    faves.LoadFavorites(window);
    expected = snapshot(dir.str());
}

void FavRig::select(const std::string& path)
{
    const int node = window.node(root() + path);
    ASSERT_NE(node, 0) << shown(path);
    window.tree.SetSelected(node, true);
}

void FavRig::rename(const std::string& from, const std::string& text, const std::string& to)
{
    ASSERT_NO_FATAL_FAILURE(select(from));
    EXPECT_EQ(faves.AfterLabelEdit(window, text),
              to.empty() ? favourites::LabelEdit::Cancel : favourites::LabelEdit::Accept)
        << shown(from);
    if (!to.empty()) {
        expected = moved(std::move(expected), favourites::strip_slash(from), to);
        EXPECT_EQ(favourites::strip_slash(window.selected_key()), root() + to);
    }
}

void FavRig::move(const std::string& from, const std::string& folder, const std::string& to)
{
    ASSERT_NO_FATAL_FAILURE(select(from));
    window.dialogs_double.browse_answer = root() + folder;
    favourites::mnuRFav_Click(faves, window, favourites::kRFavMoveTo);
    if (!to.empty()) {
        expected = moved(std::move(expected), favourites::strip_slash(from), to);
        EXPECT_EQ(favourites::strip_slash(window.selected_key()), root() + to);
    }
}

void FavRig::remove(const std::string& path)
{
    ASSERT_NO_FATAL_FAILURE(select(path));
    favourites::mnuRFav_Click(faves, window, favourites::kRFavDelete);
    expected = without(std::move(expected), favourites::strip_slash(path));
}

void FavRig::check(const std::string& when) const
{
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "") << when;
    EXPECT_EQ(tree_vs_disk(window.tree, root()), "") << when;
}

} // namespace driftway::testing
