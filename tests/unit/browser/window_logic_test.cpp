// The main window's logic without a display: layout arithmetic, the load's
// order, the address history, command-line quotes, the busy timer and the
// engine's events.
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

TEST(Layout, ToolbarTilesOfAHundredPixelToolbar)
{
    // 100 pixels at 15 twips per pixel: tiles at 0, 6, ..., 96 pixels.
    const TileRow row = tile_row(1500, 15);
    std::vector<int> xs;
    for (int x = 0; x <= row.last_twips; x += row.step_twips)
        xs.push_back(x / 15);
    ASSERT_EQ(xs.size(), 17u);
    EXPECT_EQ(xs.back(), 96);
    EXPECT_EQ(round_half_even(2.5f), 2);
    EXPECT_EQ(round_half_even(3.5f), 4);
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

TEST(AddressBox, HistoryIsNewestFirstWithoutDuplicatesAndItsClickNavigatesOnce)
{
    FactoryDouble f;
    auto& w = f.make();
    for (const char* address : {"http://a/", "http://b/", "http://a/", "http://A/"})
        w.frm->NavNow(address);
    EXPECT_EQ(w.view.list, (Strings{"http://A/", "http://a/", "http://b/", "about:blank"}));
    EXPECT_EQ(w.view.address, "http://A/");
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
    w.frm->cboAddress_KeyPress('a');
    EXPECT_FALSE(w.engine->called("Navigate2 typed text 0"));
    w.frm->cboAddress_KeyPress(13);
    EXPECT_TRUE(w.engine->called("Navigate2 typed text 0"));

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
    EXPECT_TRUE(w.engine->called("Navigate2 https://www.quillmere.example/store.htm 0"));
}

TEST(EngineEvents, TitleStatusBackForwardAndTheBusyTimer)
{
    FactoryDouble f;
    auto& w = f.make();
    w.engine->fire_before_navigate("http://loading/");
    EXPECT_EQ(w.view.title, "Driftway\u2122 - http://loading/");
    w.engine->location_name = "Loaded";
    w.engine->fire_navigate_complete();
    EXPECT_EQ(w.view.title, "Driftway\u2122 - Loaded");

    w.engine->fire_status_text_change("http://hover/");
    EXPECT_EQ(w.view.status, "http://hover/");
    w.engine->fire_status_text_change("");
    EXPECT_EQ(w.view.status, kDefaultStatus);

    w.engine->fire_command_state_change(platform::kCscBack, true);
    w.engine->fire_command_state_change(platform::kCscForward, false);
    w.engine->fire_command_state_change(7, true);
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

TEST(EngineEvents, NewWindowIsOffsetAndHasItsOwnHistory)
{
    FactoryDouble f;
    auto& first = f.make();
    first.frm->NavNow("http://opener/");
    Engine* other = first.engine->fire_new_window();
    ASSERT_EQ(f.windows.size(), 2u);
    auto& second = *f.windows[1];
    EXPECT_EQ(other, second.engine);
    EXPECT_TRUE(second.view.shown);
    EXPECT_EQ(second.view.pos, std::make_pair(first.view.pos.first + 300, first.view.pos.second + 300));
    EXPECT_EQ(second.view.list, Strings{"about:blank"});
}

TEST(Menus, FavouritesPlaceTheBrowserAndFullScreenOutlastsItsOwnMaximize)
{
    FactoryDouble f;
    auto& w = f.make();
    w.frm->menu_activated("mnuVItem", 0, false); // Favorites
    EXPECT_TRUE(w.view.layout.left_visible);
    EXPECT_FLOAT_EQ(w.view.layout.browser.left, w.view.layout.left_width);
    EXPECT_TRUE((w.view.checked[{"mnuVItem", 0}]));
    w.frm->menu_activated("mnuVItem", 0, false);
    EXPECT_FALSE(w.view.layout.left_visible);
    EXPECT_FLOAT_EQ(w.view.layout.browser.left, 0);

    w.frm->set_client_size(15000, 10000);
    w.frm->Form_Resize();
    w.frm->menu_activated("mnuVItem", 12, false); // Full Screen
    EXPECT_TRUE(w.frm->bFullSc());
    EXPECT_EQ(w.view.state, WindowState::Maximized);
    EXPECT_FLOAT_EQ(w.view.layout.toolbar_height, 15);

    // The maximize arrives later, bringing its own resize.
    w.frm->set_client_size(19200, 14000);
    w.frm->Form_Resize_after_own_state_change();
    EXPECT_TRUE(w.frm->bFullSc());
    EXPECT_TRUE((w.view.checked[{"mnuVItem", 12}]));
    EXPECT_FLOAT_EQ(w.view.layout.browser.top, 0);
    EXPECT_FLOAT_EQ(w.view.layout.browser.height, 14000);

    // A later resize by the user ends it and brings the bars back.
    w.frm->Form_Resize();
    EXPECT_FALSE(w.frm->bFullSc());
    EXPECT_FALSE((w.view.checked[{"mnuVItem", 12}]));
    EXPECT_FLOAT_EQ(w.view.layout.toolbar_height, 495);
    EXPECT_FLOAT_EQ(w.view.layout.status_height, 375);
    EXPECT_FLOAT_EQ(w.view.layout.browser.top, 600);
}
