// A Favorites folder that changes while it is scanned: by the window's event
// handling between folders, and by another thread all the time. Scans stay
// sound, never lose an entry nobody touched, and the next quiet refresh shows
// the folder exactly. Needs real temporary folders and a thread.
#include "tests/unit/favourites/fav_doubles.h"
#include "torture_support.h"

#include "favourites/context_menu.h"
#include "favourites/fav_scan.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace driftway::favourites;
using driftway::testing::differences;
using driftway::testing::FavWindowDouble;
using driftway::testing::moved;
using driftway::testing::ScopedEnv;
using driftway::testing::Snapshot;
using driftway::testing::snapshot;
using driftway::testing::TempDir;
using driftway::testing::tree_structure;
using driftway::testing::tree_vs_disk;
using driftway::testing::without;
using Strings = std::vector<std::string>;

std::set<std::string> keys_of(const Tree& tree)
{
    std::set<std::string> keys;
    for (int i = 1; i <= tree.Count(); ++i)
        keys.insert(tree.Key(i));
    return keys;
}

TEST(ChangingFolder, AScanShowsEachFolderAsItWasWhenItWasRead)
{
    TempDir dir;
    const std::string root = dir.str() + "/";
    dir.write("A/a.url", "a");
    dir.write("B/b.url", "b");
    dir.write("C/Swap/s.url", "s");
    dir.write("C/Other/o.url", "o");
    dir.write("r.url", "r");

    // Folders are read root, A, B, C, C/Other, C/Swap; the yield after each
    // changes what comes later or what was read already.
    int yields = 0;
    const auto change = [&] {
        switch (++yields) {
        case 1:
            dir.write("B/late.url", "late");
            fs::remove(dir.path() / "A/a.url");
            dir.write("new.url", "new");
            dir.mkdir("D");
            break;
        case 4:
            // C listed Swap as a folder; now it is a link to the root.
            fs::rename(dir.path() / "C/Swap", dir.path() / "Swapped");
            fs::create_directory_symlink(dir.path(), dir.path() / "C/Swap");
            break;
        default:
            break;
        }
    };
    const FavScan scan = FavScan::read(root, change);
    TreeModel tree;
    scan.fill_tree(tree);
    EXPECT_EQ(tree_structure(tree, root), "");
    const auto keys = keys_of(tree);
    EXPECT_TRUE(keys.contains(root + "B/late.url"));
    EXPECT_FALSE(keys.contains(root + "A/a.url"));
    EXPECT_FALSE(keys.contains(root + "new.url"));
    EXPECT_FALSE(keys.contains(root + "D/"));
    EXPECT_TRUE(keys.contains(root + "C/Other/o.url"));
    EXPECT_TRUE(keys.contains(root + "r.url"));
    // A folder that became a link while the scan went on is not followed:
    // the root does not show up again below it.
    for (const auto& key : keys)
        EXPECT_FALSE(key.starts_with(root + "C/Swap/") && key.size() > (root + "C/Swap/").size()) << key;
}

TEST(ChangingFolder, ARefreshAskedForDuringTheChangesShowsTheFolderAsItEnds)
{
    TempDir dir;
    ScopedEnv env{"DRIFTWAY_FAVORITES", dir.str()};
    for (int i = 0; i < 5; ++i)
        dir.write("F" + std::to_string(i) + "/page.url", "p");
    ModFaves faves;
    FavWindowDouble window;
    int yields = 0;
    window.on_do_events = [&] {
        ++yields;
        if (yields <= 6) {
            dir.write("F" + std::to_string(yields % 5) + "/during " + std::to_string(yields) + ".url", "d");
            fs::remove_all(dir.path() / ("F" + std::to_string((yields + 2) % 5)));
        }
        if (yields == 2) {
            EXPECT_EQ(faves.RefreshFavorites(window), RefreshOutcome::Deferred);
        }
    };
    EXPECT_EQ(faves.LoadFavorites(window), RefreshOutcome::Done);
    EXPECT_EQ(tree_vs_disk(window.tree, dir.str() + "/"), "");
}

// Creates, renames and removes its own entries ("~churn...") in the stable
// folders, until told to stop.
class Churn {
public:
    Churn(std::string root, std::string tag, int folders)
        : m_root(std::move(root)), m_tag(std::move(tag)), m_folders(folders)
    {
    }

    void step()
    {
        const std::string folder = m_root + "Stable " + std::to_string(m_random() % m_folders) + "/";
        const std::string name = folder + "~churn-" + m_tag + "-" + std::to_string(m_next++);
        switch (m_random() % 4) {
        case 0:
        case 1:
            if (const int fd = ::open((name + ".url").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
                fd >= 0) {
                ::close(fd);
                m_alive.push_back(name + ".url");
            }
            break;
        case 2:
            if (::mkdir(name.c_str(), 0755) == 0) {
                if (const int fd =
                        ::open((name + "/inside.url").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
                    fd >= 0)
                    ::close(fd);
                m_alive.push_back(name);
            }
            break;
        default:
            if (!m_alive.empty() && ::rename(m_alive.front().c_str(), (name + ".url").c_str()) == 0) {
                m_alive.pop_front();
                m_alive.push_back(name + ".url");
            }
            break;
        }
        while (m_alive.size() > 40) {
            std::error_code ec;
            fs::remove_all(m_alive.front(), ec);
            m_alive.pop_front();
        }
    }

private:
    std::string m_root;
    std::string m_tag;
    int m_folders;
    std::minstd_rand m_random{12345};
    int m_next = 0;
    std::deque<std::string> m_alive;
};

// The snapshot without the churn's entries.
Snapshot stable_part(const Snapshot& entries)
{
    Snapshot stable;
    for (const auto& [path, value] : entries) {
        if (path.find("~churn") == std::string::npos)
            stable.emplace(path, value);
    }
    return stable;
}

TEST(ChangingFolder, UnderConstantChangeEveryUntouchedEntryIsShownAndOperationsLoseNothing)
{
    constexpr int kFolders = 30;
    ScopedEnv tmp{"TMPDIR", driftway::testing::fast_temp_folder()};
    TempDir dir;
    ScopedEnv env{"DRIFTWAY_FAVORITES", dir.str()};
    const std::string root = dir.str() + "/";
    for (int f = 0; f < kFolders; ++f) {
        for (int p = 0; p < 10; ++p)
            dir.write("Stable " + std::to_string(f) + "/page " + std::to_string(p) + ".url",
                      std::to_string(f * 100 + p));
        for (int p = 0; p < 5; ++p)
            dir.write("Stable " + std::to_string(f) + "/Inner/inner " + std::to_string(p) + ".url", "inner");
    }
    auto expected = snapshot(dir.str());

    ModFaves faves;
    FavWindowDouble window;
    Churn in_events(root, "e", kFolders);
    // Each operation's scan is asked once, part-way, for another one, as a
    // window hearing of a change would ask.
    int yields = 0;
    bool asked = false;
    window.on_do_events = [&] {
        in_events.step();
        if (!asked && ++yields % 7 == 0) {
            asked = true;
            EXPECT_EQ(faves.RefreshFavorites(window), RefreshOutcome::Deferred);
        }
    };
    std::atomic<bool> stop{false};
    std::atomic<int> thread_steps{0};
    std::thread churner([&] {
        Churn churn(root, "t", kFolders);
        while (!stop) {
            churn.step();
            ++thread_steps;
        }
    });

    // Every entry that stays put is in every tree, exactly where it belongs.
    const auto check = [&](const std::string& when) {
        asked = false;
        EXPECT_EQ(tree_structure(window.tree, root), "") << when;
        const auto keys = keys_of(window.tree);
        int missing = 0;
        for (const auto& [path, value] : expected) {
            const std::string key = root + path + (value == "<folder>" ? "/" : "");
            missing += !keys.contains(key);
        }
        EXPECT_EQ(missing, 0) << when;
    };
    faves.LoadFavorites(window);
    check("load");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    int refreshes = 0;
    while (std::chrono::steady_clock::now() < deadline || refreshes < 5) {
        mnuRFav_Click(faves, window, kRFavRefresh);
        check("refresh " + std::to_string(++refreshes));
    }

    window.tree.SetSelected(window.node(root + "Stable 3/page 4.url"), true);
    EXPECT_EQ(faves.AfterLabelEdit(window, "renamed"), LabelEdit::Accept);
    expected = moved(std::move(expected), "Stable 3/page 4.url", "Stable 3/renamed.url");
    check("rename");

    window.tree.SetSelected(window.node(root + "Stable 7/"), true);
    window.dialogs_double.browse_answer = root + "Stable 8";
    mnuRFav_Click(faves, window, kRFavMoveTo);
    expected = moved(std::move(expected), "Stable 7", "Stable 8/Stable 7");
    check("move");

    window.tree.SetSelected(window.node(root + "Stable 9/"), true);
    mnuRFav_Click(faves, window, kRFavDelete);
    expected = without(std::move(expected), "Stable 9");
    check("delete");
    EXPECT_TRUE(window.prompts_double.messages.empty());

    stop = true;
    churner.join();
    EXPECT_GT(thread_steps.load(), 100) << "the folder hardly changed";
    window.on_do_events = nullptr;
    mnuRFav_Click(faves, window, kRFavRefresh);
    EXPECT_EQ(tree_vs_disk(window.tree, root), "");
    EXPECT_EQ(differences(expected, stable_part(snapshot(dir.str()))), "");
}

} // namespace
