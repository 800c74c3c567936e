// A Favorites folder that changes while it is scanned, by the window's event
// handling between folders and by another thread all the time: scans stay
// sound, never lose an entry nobody touched, and a quiet refresh shows the
// folder exactly.
#include "torture_support.h"

#include "favourites/fav_scan.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace driftway::favourites;
using namespace driftway::testing;

TEST(ChangingFolder, AScanShowsEachFolderAsItWasWhenItWasRead)
{
    FavRig rig;
    const std::string root = rig.root();
    for (const char* page : {"A/a.url", "B/b.url", "C/Swap/s.url", "C/Other/o.url", "r.url"})
        rig.dir.write(page, "p");
    // Folders are read root, A, B, C, C/Other, C/Swap; the yield after each
    // changes what comes later or what was read already.
    int yields = 0;
    const auto change = [&] {
        if (++yields == 1) {
            rig.dir.write("B/late.url", "late");
            fs::remove(rig.dir.path() / "A/a.url");
            rig.dir.write("new.url", "new");
            rig.dir.mkdir("D");
        } else if (yields == 4) {
            // C listed Swap as a folder; now it is a link to the root.
            fs::rename(rig.dir.path() / "C/Swap", rig.dir.path() / "Swapped");
            fs::create_directory_symlink(rig.dir.path(), rig.dir.path() / "C/Swap");
        }
    };
    TreeModel tree;
    FavScan::read(root, change).fill_tree(tree);
    EXPECT_EQ(tree_structure(tree, root), "");
    const auto keys = keys_of(tree);
    for (const char* key : {"B/late.url", "C/Other/o.url", "r.url"})
        EXPECT_TRUE(keys.contains(root + key)) << key;
    for (const char* key : {"A/a.url", "new.url", "D/"})
        EXPECT_FALSE(keys.contains(root + key)) << key;
    // A folder that became a link during the scan is not followed.
    for (const auto& key : keys)
        EXPECT_FALSE(key.starts_with(root + "C/Swap/") && key.size() > (root + "C/Swap/").size()) << key;

    // A refresh, and a window's load, asked for during a load's changes are
    // run after it, before the load ends.
    FavWindowDouble late;
    yields = 0;
    rig.window.on_do_events = [&] {
        if (++yields <= 6) {
            rig.dir.write("F" + std::to_string(yields % 5) + "/during " + std::to_string(yields) + ".url",
                          "d");
            fs::remove_all(rig.dir.path() / ("F" + std::to_string((yields + 2) % 5)));
        }
        if (yields == 2) {
            EXPECT_EQ(rig.faves.RefreshFavorites(rig.window), RefreshOutcome::Deferred);
            EXPECT_EQ(rig.faves.LoadFavorites(late), RefreshOutcome::Deferred);
            EXPECT_TRUE(rig.faves.scanning());
        }
    };
    for (int i = 0; i < 5; ++i)
        rig.dir.write("F" + std::to_string(i) + "/page.url", "p");
    EXPECT_EQ(rig.faves.LoadFavorites(rig.window), RefreshOutcome::Done);
    EXPECT_FALSE(rig.faves.scanning());
    EXPECT_EQ(tree_vs_disk(rig.window.tree, root), "");
    EXPECT_EQ(late.texts(), rig.window.texts());
}

// A step of change each call: a "~churn" file or folder made in a stable
// folder, or an earlier one renamed; the oldest removed past forty.
std::function<void()> churn(const std::string& root, const std::string& tag)
{
    return [=, random = std::minstd_rand(12345), next = 0, alive = std::deque<std::string>()]() mutable {
        const std::string name =
            root + "Stable " + std::to_string(random() % 30) + "/~churn-" + tag + std::to_string(next++);
        std::error_code ec;
        if (random() % 4 == 0) {
            fs::create_directory(name, ec);
            std::ofstream(name + "/inside.url").put('x');
            alive.push_back(name);
        } else {
            if (random() % 3 == 0 && !alive.empty()) {
                fs::rename(alive.front(), name + ".url", ec);
                alive.pop_front();
            } else {
                std::ofstream(name + ".url").put('x');
            }
            alive.push_back(name + ".url");
        }
        for (; alive.size() > 40; alive.pop_front())
            fs::remove_all(alive.front(), ec);
    };
}

TEST(ChangingFolder, UnderConstantChangeEveryUntouchedEntryIsShownAndOperationsLoseNothing)
{
    FavRig rig(64 << 20);
    const std::string root = rig.root();
    for (int f = 0; f < 30; ++f) {
        const std::string folder = "Stable " + std::to_string(f);
        for (int p = 0; p < 10; ++p)
            rig.dir.write(folder + "/page " + std::to_string(p) + ".url", std::to_string(f * 100 + p));
        for (int p = 0; p < 5; ++p)
            rig.dir.write(folder + "/Inner/inner " + std::to_string(p) + ".url", "inner");
    }
    rig.expected = snapshot(rig.dir.str());

    // Each operation's scan is asked once, part-way, for another one, as a
    // window hearing of a change would ask.
    auto in_events = churn(root, "e");
    int yields = 0;
    bool asked = false;
    rig.window.on_do_events = [&] {
        in_events();
        if (!asked && ++yields % 7 == 0) {
            asked = true;
            EXPECT_EQ(rig.faves.RefreshFavorites(rig.window), RefreshOutcome::Deferred);
        }
    };
    std::atomic<bool> stop{false};
    std::atomic<int> thread_steps{0};
    std::thread churner([&] {
        for (auto step = churn(root, "t"); !stop; ++thread_steps)
            step();
    });

    // Every entry that stays put is in every tree, exactly where it belongs.
    const auto check = [&](const std::string& when) {
        asked = false;
        EXPECT_EQ(tree_structure(rig.window.tree, root), "") << when;
        const auto keys = keys_of(rig.window.tree);
        int missing = 0;
        for (const auto& [path, value] : rig.expected)
            missing += !keys.contains(root + path + (value == "<folder>" ? "/" : ""));
        EXPECT_EQ(missing, 0) << when;
    };
    rig.faves.LoadFavorites(rig.window);
    check("load");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    for (int refreshes = 1; std::chrono::steady_clock::now() < deadline || refreshes <= 5; ++refreshes) {
        mnuRFav_Click(rig.faves, rig.window, kRFavRefresh);
        check("refresh " + std::to_string(refreshes));
    }
    rig.rename("Stable 3/page 4.url", "renamed", "Stable 3/renamed.url");
    check("rename");
    rig.move("Stable 7/", "Stable 8", "Stable 8/Stable 7");
    check("move");
    rig.remove("Stable 9/");
    check("delete");
    EXPECT_TRUE(rig.window.prompts_double.messages.empty());

    stop = true;
    churner.join();
    EXPECT_GT(thread_steps.load(), 100) << "the folder hardly changed";
    rig.window.on_do_events = nullptr;
    mnuRFav_Click(rig.faves, rig.window, kRFavRefresh);
    EXPECT_EQ(tree_vs_disk(rig.window.tree, root), "");
    auto now = snapshot(rig.dir.str());
    std::erase_if(now, [](const auto& entry) { return entry.first.find("~churn") != std::string::npos; });
    EXPECT_EQ(differences(rig.expected, now), "");
}

} // namespace
