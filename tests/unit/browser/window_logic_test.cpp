// The main window's logic without a display: layout arithmetic, the load's
// order, the address history, command-line quotes, the busy timer and the
// engine's events. New windows and full-screen mode are the GTK window tests'.
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

TEST(CommandLine, AtMostTwoQuotesAreRemoved)
{
    EXPECT_EQ(strip_command_line_quotes("\"/tmp/a b.html\""), "/tmp/a b.html");
    EXPECT_EQ(strip_command_line_quotes("\"a\"b\"c"), "ab\"c");
    EXPECT_EQ(strip_command_line_quotes("plain"), "plain");
    EXPECT_EQ(strip_command_line_quotes(std::string("\xff\"\x01", 3)), std::string("\xff\x01", 2));
}

TEST(WindowLoad, TheEmptyPageThenTheCommandLinesPageThenTheFavourites)
{
    FactoryDouble f;
    auto& w = f.make("\"file:///tmp/x.html\"");
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

TEST(AddressBox, HistoryIsNewestFirstWithoutDuplicatesAndItsClickNavigatesOnce)
{
    FactoryDouble f;
    auto& w = f.make();
    // Newest first without duplicates is the GTK window test's; case counts.
    for (const char* address : {"http://a/", "http://b/", "http://a/", "http://A/"})
        w.frm->NavNow(address);
    EXPECT_EQ(w.view.list, (Strings{"http://A/", "http://a/", "http://b/", "about:blank"}));
    // The Click raised by selecting the list entry started no second navigation.
    const auto navigations = [&] {
        return std::count_if(w.engine->calls.begin(), w.engine->calls.end(),
                             [](const std::string& c) { return c.starts_with("Navigate2"); });
    };
    EXPECT_EQ(navigations(), 5);
    w.frm->bHistUpdate = true;
    w.frm->cboAddress_Click();
    EXPECT_EQ(navigations(), 5);
}

TEST(AddressBox, EnterNavigatesCtrlVTakesTheClipboardAndNavSiteAppends)
{
    FactoryDouble f;
    auto& w = f.make();
    w.view.address = "typed text";
    const auto called = [&](const std::string& c) { return std::ranges::count(w.engine->calls, c) == 1; };
    w.frm->cboAddress_KeyPress('a');
    EXPECT_FALSE(called("Navigate2 typed text 0"));
    w.frm->cboAddress_KeyPress(13);
    EXPECT_TRUE(called("Navigate2 typed text 0"));

    w.view.address = "old+pasted";
    w.view.clipboard = "pasted";
    w.frm->cboAddress_KeyUp(86, 3); // Ctrl+Shift+V: the box's own paste stays
    EXPECT_EQ(w.view.address, "old+pasted");
    w.frm->cboAddress_KeyUp(86, 2);
    EXPECT_EQ(w.view.address, "pasted");
    w.view.clipboard.reset();
    w.frm->cboAddress_KeyUp(86, 2);
    EXPECT_EQ(w.view.address, "");

    w.frm->NavSite("store.htm");
    EXPECT_TRUE(called("Navigate2 https://www.quillmere.example/store.htm 0"));
}

TEST(EngineEvents, BackForwardAndTheBusyTimer)
{
    FactoryDouble f;
    auto& w = f.make();
    auto& hooks = w.engine->hooks;
    // The title and the status line from the page are the GTK window tests'.
    hooks.command_state_change(platform::kCscBack, true);
    hooks.command_state_change(platform::kCscForward, false);
    hooks.command_state_change(7, true);
    EXPECT_EQ(w.view.enabled, (std::map<std::pair<std::string, int>, bool>{{{"mnuVItem", 4}, true},
                                                                           {{"mnuVItem", 5}, false}}));

    // While the engine is busy the timer shows "Working..."; then the page title, and it stops.
    w.frm->NavNow("http://x/");
    w.engine->busy = true;
    w.frm->timTimer_Timer();
    EXPECT_EQ(w.view.title, "Driftway\u2122 - Working...");
    EXPECT_TRUE(w.frm->timer_running());
    w.engine->busy = false;
    w.engine->location_name = "Page";
    w.frm->timTimer_Timer();
    EXPECT_EQ(w.view.title, "Driftway\u2122 - Page");
    EXPECT_FALSE(w.frm->timer_running());
    EXPECT_FALSE(w.view.timer);
}
