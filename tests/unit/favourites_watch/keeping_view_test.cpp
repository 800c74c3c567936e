// A refresh that keeps each window's view: expanded folders and the selection
// survive where they still exist, plain refreshes still start afresh, and
// refreshes asked for during a scan run after it. Needs real temporary folders.
#include "favourites/mod_faves.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/favourites/fav_doubles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace driftway::favourites;
using driftway::testing::FavWindowDouble;
using driftway::testing::ScopedEnv;
using driftway::testing::TempDir;
using Strings = std::vector<std::string>;

class KeepingView : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv env{"DRIFTWAY_FAVORITES", dir.str()};
    ModFaves faves;
    FavWindowDouble window;

    std::string key(const std::string& relative) const { return dir.str() + "/" + relative; }
    void SetUp() override
    {
        dir.write("A/B/b.url", "x");
        dir.write("A/a.url", "x");
        dir.write("C/c.url", "x");
        dir.write("r.url", "x");
        faves.LoadFavorites(window);
    }
    void expand(FavWindowDouble& w, const std::string& relative)
    {
        w.tree.SetExpanded(w.node(key(relative)), true);
    }
    void select(FavWindowDouble& w, const std::string& relative)
    {
        w.tree.SetSelected(w.node(key(relative)), true);
    }
    Strings expanded(const FavWindowDouble& w) const
    {
        Strings keys;
        for (int i = 1; i <= w.tree.Count(); ++i) {
            if (w.tree.Expanded(i))
                keys.push_back(w.tree.Key(i).substr(dir.str().size()));
        }
        return keys;
    }
};

TEST_F(KeepingView, ExpandedFoldersAndTheSelectionSurviveWhileAPlainRefreshResets)
{
    expand(window, "A/");
    expand(window, "A/B/");
    select(window, "A/B/b.url");
    dir.write("A/B/new.url", "x");
    EXPECT_EQ(faves.RefreshKeepingView(), RefreshOutcome::Done);
    EXPECT_NE(window.node(key("A/B/new.url")), 0);
    EXPECT_EQ(window.selected_key(), key("A/B/b.url"));
    EXPECT_EQ(expanded(window), (Strings{"/", "/A/", "/A/B/"}));

    faves.RefreshFavorites(window);
    EXPECT_EQ(window.selected_key(), key(""));
    EXPECT_EQ(expanded(window), Strings{"/"});
}

TEST_F(KeepingView, AVanishedSelectionGoesToItsNearestRemainingAncestor)
{
    expand(window, "A/");
    select(window, "A/B/b.url");
    fs::remove(key("A/B/b.url"));
    faves.RefreshKeepingView();
    EXPECT_EQ(window.selected_key(), key("A/B/"));

    fs::remove_all(key("A/B"));
    faves.RefreshKeepingView();
    EXPECT_EQ(window.selected_key(), key("A/"));
    EXPECT_EQ(expanded(window), (Strings{"/", "/A/"}));

    // A folder that went and came back as a file is a different node.
    fs::remove_all(key("A"));
    dir.write("A", "x");
    faves.RefreshKeepingView();
    EXPECT_EQ(window.selected_key(), key(""));
    EXPECT_EQ(expanded(window), Strings{"/"});
}

TEST_F(KeepingView, EveryWindowKeepsItsOwnView)
{
    FavWindowDouble other;
    faves.LoadFavorites(other);
    expand(window, "A/");
    select(window, "A/a.url");
    expand(other, "C/");
    select(other, "C/c.url");
    dir.write("more.url", "x");
    faves.RefreshKeepingView();
    EXPECT_EQ(window.selected_key(), key("A/a.url"));
    EXPECT_EQ(other.selected_key(), key("C/c.url"));
    EXPECT_EQ(expanded(window), (Strings{"/", "/A/"}));
    EXPECT_EQ(expanded(other), (Strings{"/", "/C/"}));
    EXPECT_NE(other.node(key("more.url")), 0);
    EXPECT_EQ(faves.shown_scans().size(), 1u);
    EXPECT_EQ(faves.shown_scans().front(), faves.latest_scan());
    faves.WindowClosed(other);
}

TEST_F(KeepingView, DuringAScanItWaitsAndAPlainRefreshAskedMeanwhileWins)
{
    expand(window, "A/");
    select(window, "A/a.url");
    // Asked for while a kept refresh scans: it runs after, and it also keeps.
    bool asked = false;
    window.on_do_events = [&] {
        if (!asked) {
            asked = true;
            dir.write("during.url", "x");
            EXPECT_EQ(faves.RefreshKeepingView(), RefreshOutcome::Deferred);
        }
    };
    const int installed = window.menus_installed;
    faves.RefreshKeepingView();
    EXPECT_EQ(window.menus_installed, installed + 2);
    EXPECT_NE(window.node(key("during.url")), 0);
    EXPECT_EQ(window.selected_key(), key("A/a.url"));

    // A plain refresh asked for meanwhile resets the view, as its caller expects.
    asked = false;
    window.on_do_events = [&] {
        if (!asked) {
            asked = true;
            EXPECT_EQ(faves.RefreshFavorites(window), RefreshOutcome::Deferred);
        }
    };
    faves.RefreshKeepingView();
    window.on_do_events = nullptr;
    EXPECT_EQ(window.selected_key(), key(""));
    EXPECT_EQ(expanded(window), Strings{"/"});
}

} // namespace
