// Following the Favorites folder without a display: whether the views already
// show a change, the watch list, the watch's refresh decisions
// on a clock the tests move, and the refresh that keeps each window's view.
#include "favourites/folder_watch.h"
#include "favourites/mod_faves.h"
#include "tests/unit/favourites/fav_doubles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <utility>

namespace {

namespace fs = std::filesystem;
using namespace driftway::favourites;
using namespace std::chrono_literals;
using namespace driftway::testing;
using Kind = FolderChange::Kind;
using Outcome = FolderWatch::Outcome;
using Strings = std::vector<std::string>;

// The watch over a real ModFaves with one window, on a clock the test moves.
class Watch : public FavFolderTest {
protected:
    WatchClock::time_point now{};
    FolderWatch watch{faves, {300ms, 900ms}, [this] { return now; }};

    std::string p(const std::string& relative) const { return root() + relative; }
    void load_and_watch()
    {
        load();
        watch.update_watches();
    }
    // Moves the clock on in steps of 10 ms, ticking whenever the watch is due.
    std::vector<Outcome> run_for(std::chrono::milliseconds span)
    {
        std::vector<Outcome> seen;
        for (const auto end = now + span; now < end; now += 10ms) {
            if (const auto when = watch.deadline(); when && now >= *when)
                seen.push_back(watch.tick());
        }
        return seen;
    }
};

TEST_F(Watch, AChangeMatchesExactlyWhenAFreshScanWouldShowTheSameThere)
{
    const auto scan = [&] { return FavScan::read(root(), nullptr); };
    for (const char* file : {"A/a.url", "A/B/b.url", "r.url"})
        dir.write(file, "x");
    dir.mkdir(".hidden");
    dir.mkdir("Empty");
    const FavScan before = scan();

    // Every kind of change the scan's rules distinguish.
    fs::remove(p("r.url"));
    dir.write("new.url", "x");
    fs::remove_all(p("Empty"));
    dir.write("Empty", "now a file");
    fs::rename(p("A/B"), p("A/C"));
    dir.mkdir(".dotfolder");
    dir.write(".dotfile", "x");
    dir.write(".hidden/inside.url", "x");
    dir.mkdir("D");
    fs::create_symlink(p("A"), p("link-to-folder"));
    fs::create_symlink(p("gone"), p("broken-link"));
    fs::create_symlink(p("A/a.url"), p("A/link-to-file"));
    const FavScan after = scan();
    // The scan's rules: dot files and broken links are items; dot folders,
    // what is inside them and linked folders are not shown.
    const Strings changed{"r.url",     "new.url",  "Empty", "A/B",         "A/C",
                          "A/B/b.url", ".dotfile", "D",     "broken-link", "A/link-to-file"};
    const Strings same{"A",           "A/a.url",      ".dotfolder", ".hidden/inside.url", "link-to-folder",
                       "never-there", "Nowhere/x.url"};
    for (const auto* list : {&changed, &same}) {
        for (const auto& relative : *list) {
            EXPECT_EQ(scan_shows(before, {Kind::Entry, p(relative)}), list == &same) << relative;
            EXPECT_TRUE(scan_shows(after, {Kind::Entry, p(relative)})) << relative;
        }
    }
    // The root coming or going takes its watch along: always worth a refresh.
    EXPECT_FALSE(scan_shows(after, {Kind::Entry, dir.str()}));
    EXPECT_FALSE(scan_shows(after, {Kind::Unknown, ""}));

    // Contents compares a folder with everything below it, and only folders the views show.
    dir.write("A/C/deeper/c.url", "x");
    EXPECT_FALSE(scan_shows(after, {Kind::Contents, p("A")}));
    EXPECT_FALSE(scan_shows(after, {Kind::Contents, p("A/C")}));
    EXPECT_TRUE(scan_shows(after, {Kind::Contents, p("D")}));
    EXPECT_TRUE(scan_shows(after, {Kind::Contents, p(".hidden")}));
    EXPECT_TRUE(scan_shows(scan(), {Kind::Contents, p("A")}));

    // The watch list goes breadth first and keeps the shallowest when cut.
    const WatchList all = folders_to_watch(scan(), 100);
    EXPECT_FALSE(all.limited);
    EXPECT_EQ(all.folders, (Strings{dir.str(), p("A"), p("D"), p("A/C"), p("A/C/deeper")}));
    const WatchList cut = folders_to_watch(scan(), 3);
    EXPECT_TRUE(cut.limited);
    EXPECT_EQ(cut.folders, (Strings{dir.str(), p("A"), p("D")}));
    EXPECT_TRUE(folders_to_watch(FavScan(""), 100).folders.empty());
}

TEST_F(Watch, ABurstIsCappedWaitsForAScanUnderWayOrAHoldAndThenLooksAgain)
{
    load_and_watch();
    dir.write("late.url", "x");
    watch.changed({Kind::Entry, p("late.url")});
    now += 1s;
    std::vector<Outcome> during;
    window.on_do_events = [&] { during.push_back(watch.tick()); };
    faves.RefreshFavorites(window);
    window.on_do_events = nullptr;
    ASSERT_FALSE(during.empty());
    EXPECT_EQ(during.front(), Outcome::Postponed);
    // The refresh under way saw the file already.
    EXPECT_EQ(run_for(1s), std::vector<Outcome>{Outcome::UpToDate});

    bool editing = true;
    watch.hold_while([&] { return editing; });
    watch.changed({Kind::Unknown, ""});
    const auto held = run_for(1s);
    ASSERT_FALSE(held.empty());
    EXPECT_EQ(std::count(held.begin(), held.end(), Outcome::Postponed), static_cast<long>(held.size()));
    editing = false;
    EXPECT_EQ(run_for(200ms), std::vector<Outcome>{Outcome::Refreshed});

    // Overfull bursts refresh without checking (lost notices did just above).
    for (std::size_t i = 0; i <= FolderWatch::kMaxPending; ++i)
        watch.changed({Kind::Entry, p("gone" + std::to_string(i))});
    EXPECT_EQ(run_for(2s), std::vector<Outcome>{Outcome::Refreshed});

    // A notice every 100 ms: the quiet time never comes, the longest wait does.
    const auto burst = now;
    for (int i = 0; i < 20; ++i, now += 100ms)
        watch.changed({Kind::Unknown, ""});
    EXPECT_EQ(*watch.deadline(), burst + 900ms);
    now = burst + 900ms;
    EXPECT_EQ(watch.tick(), Outcome::Refreshed);

    // A slow refresh keeps the next one at least as far away.
    window.on_do_events = [&] { now += 300ms; }; // two folders: 600 ms a scan
    dir.mkdir("F");
    watch.changed({Kind::Unknown, ""});
    now += 300ms;
    ASSERT_EQ(watch.tick(), Outcome::Refreshed);
    const auto finished = now;
    watch.changed({Kind::Unknown, ""});
    EXPECT_EQ(*watch.deadline(), finished + 600ms);
}

// New folders watched, and files written before their watch began, are the
// GTK monitor test's, with real notices; a watch the platform refused is not.
TEST_F(Watch, AWatchThatCouldNotStartIsAskedForAgainAfterTheNextScan)
{
    dir.mkdir("New");
    load_and_watch();
    watch.not_watched(p("New"));
    faves.RefreshFavorites(window);
    const auto again = watch.update_watches();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->add, Strings{p("New")});
}

// A refresh that keeps each window's view: expanded folders and the selection
// survive where they still exist (the GTK monitor test's), a vanished selection
// goes to its nearest remaining ancestor; plain refreshes still start afresh.
TEST_F(Watch, ARefreshKeepingTheViewWaitsForAScanAndFallsBackToWhatRemains)
{
    for (const char* file : {"A/B/b.url", "A/a.url", "C/c.url", "r.url"})
        dir.write(file, "x");
    load();
    const auto expanded = [&] {
        Strings keys;
        for (int i = 1; i <= window.tree.Count(); ++i)
            if (window.tree.Expanded(i))
                keys.push_back(window.tree.Key(i).substr(dir.str().size()));
        return keys;
    };
    for (const char* folder : {"A/", "A/B/", "C/"})
        window.tree.SetExpanded(window.node(p(folder)), true);
    select("A/B/b.url");
    // Asked for while a kept refresh scans: it runs after, and it also keeps.
    bool asked = false;
    window.on_do_events = [&] {
        if (!std::exchange(asked, true)) {
            dir.write("during.url", "x");
            EXPECT_EQ(faves.RefreshKeepingView(), RefreshOutcome::Deferred);
        }
    };
    const int installed = window.menus_installed;
    faves.RefreshKeepingView();
    EXPECT_EQ(window.menus_installed, installed + 2);
    EXPECT_NE(window.node(p("during.url")), 0);
    EXPECT_EQ(window.selected_key(), p("A/B/b.url"));
    window.on_do_events = nullptr;

    fs::remove(p("A/B/b.url"));
    faves.RefreshKeepingView();
    EXPECT_EQ(window.selected_key(), p("A/B/"));
    fs::remove_all(p("A/B"));
    faves.RefreshKeepingView();
    EXPECT_EQ(window.selected_key(), p("A/"));
    EXPECT_EQ(expanded(), (Strings{"/", "/A/", "/C/"}));
    // A folder that went and came back as a file is a different node.
    fs::remove_all(p("A"));
    dir.write("A", "x");
    faves.RefreshKeepingView();
    EXPECT_EQ(window.selected_key(), root());
    EXPECT_EQ(expanded(), (Strings{"/", "/C/"}));

    // A plain refresh asked for meanwhile resets the view, as its caller expects.
    select("C/c.url");
    asked = false;
    window.on_do_events = [&] {
        if (!std::exchange(asked, true)) {
            EXPECT_EQ(faves.RefreshFavorites(window), RefreshOutcome::Deferred);
        }
    };
    faves.RefreshKeepingView();
    window.on_do_events = nullptr;
    EXPECT_EQ(window.selected_key(), root());
    EXPECT_EQ(expanded(), Strings{"/"});
}

} // namespace
