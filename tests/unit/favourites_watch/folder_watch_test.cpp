// Following the Favorites folder without a display: the debounce, whether the
// views already show a change, the watch list, and the watch's refresh
// decisions on a clock the tests move. Needs real temporary folders.
#include "favourites/folder_watch.h"
#include "favourites/mod_faves.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/favourites/fav_doubles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace driftway::favourites;
using namespace std::chrono_literals;
using driftway::testing::FavWindowDouble;
using driftway::testing::ScopedEnv;
using driftway::testing::TempDir;
using Kind = FolderChange::Kind;
using Outcome = FolderWatch::Outcome;
using Strings = std::vector<std::string>;

const WatchClock::time_point t0{};

TEST(Debouncer, ABurstEndsAfterTheQuietTimeOrAtTheLongestWaitButNotBeforeAFloor)
{
    Debouncer d({300ms, 900ms});
    EXPECT_FALSE(d.deadline());
    d.notice(t0);
    EXPECT_FALSE(d.due(t0 + 299ms));
    EXPECT_TRUE(d.due(t0 + 300ms));
    // A notice every 100 ms: the quiet time never comes, the cap does.
    for (auto t = t0 + 100ms; t < t0 + 2s; t += 100ms)
        d.notice(t);
    EXPECT_EQ(*d.deadline(), t0 + 900ms);

    // A floor holds back this burst and the next, but never moves one earlier.
    d.not_before(t0 + 1500ms);
    EXPECT_EQ(*d.deadline(), t0 + 1500ms);
    d.clear();
    EXPECT_FALSE(d.pending());
    d.notice(t0 + 1s);
    EXPECT_EQ(*d.deadline(), t0 + 1500ms);
    d.clear();
    d.notice(t0 + 5s);
    d.not_before(t0 + 1s);
    EXPECT_EQ(*d.deadline(), t0 + 5300ms);
}

// How a scan shows a path: "folder", "item" or "".
std::string shown_in(const FavScan& scan, const std::string& path)
{
    for (const FavFolder& f : scan.folders()) {
        if (f.key == path + "/")
            return "folder";
    }
    for (const FavItem& i : scan.items()) {
        if (i.path == path)
            return "item";
    }
    return "";
}

class ScanShows : public ::testing::Test {
protected:
    TempDir dir;
    std::string root = dir.str() + "/Fav";
    std::string p(const std::string& relative) const { return root + "/" + relative; }
    void SetUp() override
    {
        dir.write("Fav/A/a.url", "x");
        dir.write("Fav/A/B/b.url", "x");
        dir.write("Fav/r.url", "x");
        dir.mkdir("Fav/.hidden");
        dir.mkdir("Fav/Empty");
    }
    FavScan scan() const { return FavScan::read(root + "/", nullptr); }
};

TEST_F(ScanShows, AnEntryMatchesExactlyWhenAFreshScanWouldShowTheSameThere)
{
    const FavScan before = scan();
    // Every kind of change the scan's rules distinguish.
    fs::remove(p("r.url"));
    dir.write("Fav/new.url", "x");
    fs::remove_all(p("Empty"));
    dir.write("Fav/Empty", "now a file");
    fs::rename(p("A/B"), p("A/C"));
    dir.mkdir("Fav/.dotfolder");
    dir.write("Fav/.dotfile", "x");
    dir.write("Fav/.hidden/inside.url", "x");
    ASSERT_EQ(::symlink(p("A").c_str(), p("link-to-folder").c_str()), 0);
    ASSERT_EQ(::symlink(p("gone").c_str(), p("broken-link").c_str()), 0);
    ASSERT_EQ(::symlink(p("A/a.url").c_str(), p("A/link-to-file").c_str()), 0);
    const FavScan after = scan();

    const Strings paths{"r.url",
                        "new.url",
                        "Empty",
                        "A",
                        "A/a.url",
                        "A/B",
                        "A/C",
                        "A/B/b.url",
                        ".dotfolder",
                        ".dotfile",
                        ".hidden/inside.url",
                        "link-to-folder",
                        "broken-link",
                        "A/link-to-file",
                        "never-there",
                        "Nowhere/deep.url"};
    for (const std::string& relative : paths) {
        const bool same = shown_in(before, p(relative)) == shown_in(after, p(relative));
        EXPECT_EQ(scan_shows(before, {Kind::Entry, p(relative)}), same) << relative;
        EXPECT_TRUE(scan_shows(after, {Kind::Entry, p(relative)})) << relative;
    }
    // The root coming or going takes its watch along: always worth a refresh.
    EXPECT_FALSE(scan_shows(after, {Kind::Entry, root}));
    EXPECT_FALSE(scan_shows(after, {Kind::Unknown, ""}));
}

TEST_F(ScanShows, ContentsComparesAFolderWithEverythingBelowIt)
{
    const FavScan before = scan();
    EXPECT_TRUE(scan_shows(before, {Kind::Contents, p("A")}));
    EXPECT_TRUE(scan_shows(before, {Kind::Contents, root}));
    dir.write("Fav/A/B/deeper/c.url", "x");
    EXPECT_FALSE(scan_shows(before, {Kind::Contents, p("A")}));
    EXPECT_FALSE(scan_shows(before, {Kind::Contents, p("A/B")}));
    EXPECT_TRUE(scan_shows(before, {Kind::Contents, p("Empty")}));
    fs::remove(p("A/a.url"));
    EXPECT_TRUE(scan_shows(scan(), {Kind::Contents, p("A")}));
    EXPECT_FALSE(scan_shows(before, {Kind::Contents, p("A")}));
    // A folder the views do not show is not theirs to compare.
    EXPECT_TRUE(scan_shows(before, {Kind::Contents, p(".hidden")}));
}

TEST_F(ScanShows, WatchListGoesBreadthFirstAndKeepsTheShallowestWhenCut)
{
    dir.mkdir("Fav/A/B/C/D");
    const FavScan s = scan();
    const WatchList all = folders_to_watch(s, 100);
    EXPECT_FALSE(all.limited);
    EXPECT_EQ(all.folders, (Strings{root, p("A"), p("Empty"), p("A/B"), p("A/B/C"), p("A/B/C/D")}));
    const WatchList cut = folders_to_watch(s, 3);
    EXPECT_TRUE(cut.limited);
    EXPECT_EQ(cut.folders, (Strings{root, p("A"), p("Empty")}));
    EXPECT_TRUE(folders_to_watch(FavScan(""), 100).folders.empty());
}

// The watch over a real ModFaves with one window, on a clock the test moves.
class Watch : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv env{"DRIFTWAY_FAVORITES", dir.str()};
    ModFaves faves;
    FavWindowDouble window;
    WatchClock::time_point now = t0;
    FolderWatch watch{faves, {300ms, 900ms}, [this] { return now; }};

    std::string p(const std::string& relative) const { return dir.str() + "/" + relative; }
    void load()
    {
        faves.LoadFavorites(window);
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

TEST_F(Watch, AConstantStreamStillRefreshesAboutOnceASecond)
{
    load();
    for (int i = 0; i < 30; ++i) {
        dir.write("f" + std::to_string(i) + ".url", "x");
        watch.changed({Kind::Entry, p("f" + std::to_string(i) + ".url")});
        const auto seen = run_for(100ms);
        EXPECT_LE(seen.size(), 1u);
    }
    // Three seconds of changes: a refresh at each cap, none in between.
    EXPECT_EQ(watch.refreshes(), 3);
    EXPECT_EQ(window.menus_installed, 4);
    EXPECT_NE(window.node(p("f29.url")), 0);
    EXPECT_TRUE(run_for(1s).empty());
}

TEST_F(Watch, TheProgramsOwnChangesCauseNoSecondRefresh)
{
    dir.write("A/a.url", "x");
    dir.write("B/b.url", "x");
    load();
    // A rename by label edit, as the watcher would hear it afterwards.
    window.tree.SetSelected(window.node(p("A/a.url")), true);
    ASSERT_EQ(faves.AfterLabelEdit(window, "renamed"), LabelEdit::Accept);
    // A folder moved by hand, then the refresh its command makes.
    fs::rename(p("B"), p("A/B"));
    faves.RefreshFavorites(window);
    const int installed = window.menus_installed;
    for (const char* heard : {"A/a.url", "A/renamed.url", "B", "B/b.url", "A/B"})
        watch.changed({Kind::Entry, p(heard)});
    EXPECT_EQ(run_for(2s), std::vector<Outcome>{Outcome::UpToDate});
    EXPECT_EQ(window.menus_installed, installed);
}

TEST_F(Watch, LostNoticesAndOverfullBurstsRefreshWithoutChecking)
{
    load();
    watch.changed({Kind::Unknown, ""});
    watch.changed({Kind::Entry, p("x.url")});
    EXPECT_EQ(run_for(1s), std::vector<Outcome>{Outcome::Refreshed});
    for (std::size_t i = 0; i <= FolderWatch::kMaxPending; ++i)
        watch.changed({Kind::Entry, p("gone" + std::to_string(i))});
    EXPECT_EQ(run_for(2s), std::vector<Outcome>{Outcome::Refreshed});
}

TEST_F(Watch, ADueBurstWaitsForAScanUnderWayOrAHoldAndThenLooksAgain)
{
    load();
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

    // A hold keeps a due refresh waiting until it is released.
    bool editing = true;
    watch.hold_while([&] { return editing; });
    watch.changed({Kind::Unknown, ""});
    const auto held = run_for(1s);
    ASSERT_FALSE(held.empty());
    EXPECT_EQ(std::count(held.begin(), held.end(), Outcome::Postponed), static_cast<long>(held.size()));
    editing = false;
    EXPECT_EQ(run_for(200ms), std::vector<Outcome>{Outcome::Refreshed});
}

TEST_F(Watch, ASlowRefreshKeepsTheNextOneAtLeastAsFarAway)
{
    for (int i = 0; i < 5; ++i)
        dir.mkdir("F" + std::to_string(i));
    load();
    window.on_do_events = [&] { now += 100ms; }; // six folders: 600 ms a scan
    watch.changed({Kind::Unknown, ""});
    now += 300ms;
    ASSERT_EQ(watch.tick(), Outcome::Refreshed);
    const auto finished = now;
    watch.changed({Kind::Unknown, ""});
    EXPECT_EQ(*watch.deadline(), finished + 600ms);
}

TEST_F(Watch, NewFoldersAreWatchedAndCheckedForWhatCameBeforeTheirWatch)
{
    dir.mkdir("Old/Sub");
    faves.LoadFavorites(window);
    const auto first = watch.update_watches();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->add, (Strings{dir.str(), p("Old"), p("Old/Sub")}));
    EXPECT_FALSE(watch.deadline()); // nothing to check at the start
    EXPECT_FALSE(watch.update_watches());

    dir.mkdir("New/Inner");
    fs::remove_all(p("Old"));
    watch.changed({Kind::Entry, p("New")});
    EXPECT_EQ(run_for(1s), std::vector<Outcome>{Outcome::Refreshed});
    // A file written after the refresh's scan, before the new watches began.
    dir.write("New/Inner/early.url", "x");
    const auto update = watch.update_watches();
    ASSERT_TRUE(update);
    EXPECT_EQ(update->add, (Strings{p("New"), p("New/Inner")}));
    Strings removed = update->remove;
    std::sort(removed.begin(), removed.end());
    EXPECT_EQ(removed, (Strings{p("Old"), p("Old/Sub")}));
    EXPECT_EQ(run_for(1s), std::vector<Outcome>{Outcome::Refreshed});
    EXPECT_NE(window.node(p("New/Inner/early.url")), 0);

    // A watch the platform could not start is asked for again after the next scan.
    watch.not_watched(p("New"));
    faves.RefreshFavorites(window);
    const auto again = watch.update_watches();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->add, Strings{p("New")});
}

} // namespace
