// The main window's logic without a display: layout arithmetic, the load's
// order and the engine's events. The rest is the GTK window tests'.
#include "browser/frm_browser.h"
#include "tests/unit/browser/view_double.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace driftway;
using namespace driftway::browser;
using driftway::testing::FactoryDouble;
using driftway::testing::TestWindow;
using Strings = std::vector<std::string>;

TEST(Layout, ResizePlacesTheBrowserBesideThePaneAndRefusesNegativeSizes)
{
    Layout l;
    bool fs = false;
    l.client_width = 15000;
    l.client_height = 10000;
    form_resize(l, WindowState::Normal, fs);
    EXPECT_FLOAT_EQ(l.address.width, 9000);
    EXPECT_FLOAT_EQ(l.browser.left, 0); // pane hidden: the browser starts at the left edge
    EXPECT_FLOAT_EQ(l.browser.width, 15000 - 20);
    EXPECT_FLOAT_EQ(l.browser.height, 10000 - 400 - 600);
    l.left_visible = true;
    form_resize(l, WindowState::Normal, fs);
    EXPECT_FLOAT_EQ(l.browser.left, 3015);
    EXPECT_FLOAT_EQ(l.browser.width, 15000 - 3015 - 20);

    // Minimized changes nothing; narrower than the address box's left edge
    // keeps the last sizes rather than going negative.
    fs = true;
    l.client_width = 100;
    EXPECT_FALSE(form_resize(l, WindowState::Minimized, fs));
    EXPECT_TRUE(fs);
    EXPECT_FLOAT_EQ(l.address.width, 9000);
    fs = false;
    l.client_height = 300;
    form_resize(l, WindowState::Normal, fs);
    EXPECT_FLOAT_EQ(l.address.width, 9000);
    EXPECT_GE(l.browser.width, 0);
    EXPECT_GE(l.browser.height, 0);
}

TEST(Layout, SplitterKeepsItsMinimumAndNeverGivesANegativeWidth)
{
    Layout l;
    l.left_visible = true;
    l.client_width = 15000;
    splitter_move(l, 100);
    EXPECT_FLOAT_EQ(l.left_width, 300);
    splitter_move(l, 4000);
    EXPECT_FLOAT_EQ(l.browser.left, 4000);
    EXPECT_FLOAT_EQ(l.browser.left + l.browser.width, 15000); // reaches the right edge
    EXPECT_FLOAT_EQ(l.tree.width, 4000 - 80);
    bool fs = false;
    form_resize(l, WindowState::Normal, fs);
    pane_resize(l);
    EXPECT_FLOAT_EQ(l.browser.left + l.browser.width, 15000 - 20);
    EXPECT_FLOAT_EQ(l.tree.width, 4000 - 60); // 20 twips wider than during the drag

    Layout narrow;
    narrow.client_width = 5000;
    splitter_move(narrow, 9000);
    EXPECT_FLOAT_EQ(narrow.left_width, 9000);
    EXPECT_FLOAT_EQ(narrow.browser.width, 0);
}

TEST(WindowLoad, TheEmptyPageThenTheCommandLinesPageThenTheFavourites)
{
    FactoryDouble f;
    auto& w = f.make("file:///tmp/x.html");
    ASSERT_GE(w.engine->calls.size(), 3u);
    EXPECT_EQ(Strings(w.engine->calls.begin(), w.engine->calls.begin() + 3),
              (Strings{"Navigate2 about:blank 2", "Navigate2 file:///tmp/x.html 0", "SetFocus"}));
    // Nothing the favourites might do comes between the page and its focus.
    EXPECT_EQ(w.calls_at_favourites, std::vector<Strings>{w.engine->calls});
    EXPECT_TRUE(w.view.timer);
    EXPECT_EQ(w.view.status, kDefaultStatus);
    EXPECT_EQ(w.view.address, "file:///tmp/x.html");
    EXPECT_EQ(w.view.list, (Strings{"file:///tmp/x.html", "about:blank"}));

    // The favourites are read without a command line and after a failed navigation.
    EXPECT_EQ(f.make().calls_at_favourites, std::vector<Strings>{{"Navigate2 about:blank 2"}});
    auto& failing = f.make("file:///tmp/x.html", [](TestWindow& t) {
        t.engine->fail("Navigate2", 5, "Invalid procedure call or argument", 2);
    });
    EXPECT_EQ(failing.calls_at_favourites.size(), 1u);
}

// The busy timer, the title and the status line are the GTK window tests'.
TEST(EngineEvents, BackAndForwardFollowTheEngine)
{
    FactoryDouble f;
    auto& w = f.make();
    auto& hooks = w.engine->hooks;
    hooks.command_state_change(platform::kCscBack, true);
    hooks.command_state_change(platform::kCscForward, false);
    hooks.command_state_change(7, true);
    EXPECT_EQ(w.view.enabled, (std::map<std::pair<std::string, int>, bool>{{{"mnuVItem", 4}, true},
                                                                           {{"mnuVItem", 5}, false}}));
}
