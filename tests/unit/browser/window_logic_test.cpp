// The main window's logic without a display: layout arithmetic, the address
// history, command-line quotes, the busy timer and the engine's events.
#include "browser/frm_browser.h"
#include "tests/unit/browser/view_double.h"

#include <gtest/gtest.h>

using namespace driftway;
using namespace driftway::browser;
using driftway::testing::FactoryDouble;

TEST(Layout, ResizePlacesBrowserAndAddressBox)
{
    Layout l;
    bool fs = false;
    l.client_width = 15000;
    l.client_height = 10000;
    form_resize(l, WindowState::Normal, fs);
    EXPECT_FLOAT_EQ(l.address.width, 9000);
    EXPECT_FLOAT_EQ(l.browser.left, 0);  // pane hidden: the browser starts at the left edge
    EXPECT_FLOAT_EQ(l.browser.width, 15000 - 20);
    EXPECT_FLOAT_EQ(l.browser.height, 10000 - 400 - 600);

    l.left_visible = true;
    form_resize(l, WindowState::Normal, fs);
    EXPECT_FLOAT_EQ(l.browser.left, 3015);
    EXPECT_FLOAT_EQ(l.browser.width, 15000 - 3015 - 20);
}

TEST(Layout, MinimizedChangesNothingAndTinyWindowsKeepLastSizes)
{
    Layout l;
    bool fs = true;
    const Layout before = l;
    l.client_width = 100;
    EXPECT_FALSE(form_resize(l, WindowState::Minimized, fs));
    EXPECT_TRUE(fs);
    EXPECT_FLOAT_EQ(l.address.width, before.address.width);

    // Narrower than the address box's left edge: negative widths are refused.
    fs = false;
    l.client_height = 300;
    form_resize(l, WindowState::Normal, fs);
    EXPECT_FLOAT_EQ(l.address.width, before.address.width);
    EXPECT_GE(l.browser.width, 0);
    EXPECT_GE(l.browser.height, 0);
}

TEST(Layout, SplitterDragThenResizeMargins)
{
    Layout l;
    l.left_visible = true;
    l.client_width = 15000;
    splitter_move(l, 100);
    EXPECT_FLOAT_EQ(l.left_width, 300);  // never narrower than 300

    splitter_move(l, 4000);
    EXPECT_FLOAT_EQ(l.browser.left, 4000);
    EXPECT_FLOAT_EQ(l.browser.left + l.browser.width, 15000);  // reaches the right edge
    EXPECT_FLOAT_EQ(l.tree.width, 4000 - 80);

    bool fs = false;
    form_resize(l, WindowState::Normal, fs);
    pane_resize(l);
    EXPECT_FLOAT_EQ(l.browser.left + l.browser.width, 15000 - 20);
    EXPECT_FLOAT_EQ(l.tree.width, 4000 - 60);  // 20 twips wider than during the drag
}

TEST(Layout, SplitterPastTheRightEdgeNeverGivesNegativeWidth)
{
    Layout l;
    l.client_width = 5000;
    splitter_move(l, 9000);
    EXPECT_FLOAT_EQ(l.left_width, 9000);
    EXPECT_FLOAT_EQ(l.browser.width, 0);
}

TEST(Layout, ResizeEndsFullScreenAndRestoresBars)
{
    Layout l;
    bool fs = true;
    enter_full_screen_geometry(l);
    EXPECT_FLOAT_EQ(l.toolbar_height, 15);
    EXPECT_FLOAT_EQ(l.browser.top, 0);
    EXPECT_TRUE(form_resize(l, WindowState::Maximized, fs));
    EXPECT_FALSE(fs);
    EXPECT_FLOAT_EQ(l.toolbar_height, 495);
    EXPECT_FLOAT_EQ(l.status_height, 375);
    EXPECT_FLOAT_EQ(l.browser.top, 600);
}

TEST(Layout, ToolbarTilesOfAHundredPixelToolbar)
{
    // 100 pixels at 15 twips per pixel: tiles at 0, 6, ..., 96 pixels.
    const TileRow row = tile_row(1500, 15);
    std::vector<int> xs;
    for (int x = 0; x <= row.last_twips; x += row.step_twips)
        xs.push_back(x / 15);
    ASSERT_EQ(xs.size(), 17u);
    EXPECT_EQ(xs.front(), 0);
    EXPECT_EQ(xs.back(), 96);
    EXPECT_EQ(round_half_even(2.5f), 2);
    EXPECT_EQ(round_half_even(3.5f), 4);
}

TEST(CommandLine, AtMostTwoQuotesAreRemoved)
{
    EXPECT_EQ(strip_command_line_quotes("\"/tmp/a b.html\""), "/tmp/a b.html");
    EXPECT_EQ(strip_command_line_quotes("\"a\"b\"c"), "ab\"c");
    EXPECT_EQ(strip_command_line_quotes("plain"), "plain");
    EXPECT_EQ(strip_command_line_quotes(std::string("\xff\"\x01", 3)), std::string("\xff\x01", 2));
}

TEST(WindowLoad, StartsOnTheEmptyPageAndOpensTheCommandLine)
{
    FactoryDouble f;
    auto& w = f.make("\"file:///tmp/x.html\"");
    ASSERT_GE(w.engine->calls.size(), 3u);
    EXPECT_EQ(w.engine->calls[0], "Navigate2 about:blank 2");
    EXPECT_EQ(w.engine->calls[1], "Navigate2 file:///tmp/x.html 0");
    EXPECT_EQ(w.engine->calls[2], "SetFocus");
    EXPECT_TRUE(w.view.timer);
    EXPECT_EQ(w.view.status, kDefaultStatus);
    // History: newest first, both navigations recorded.
    EXPECT_EQ(w.view.list, (std::vector<std::string>{"file:///tmp/x.html", "about:blank"}));
}

TEST(AddressBox, HistoryIsNewestFirstWithoutDuplicates)
{
    FactoryDouble f;
    auto& w = f.make();
    w.frm->NavNow("http://a/");
    w.frm->NavNow("http://b/");
    w.frm->NavNow("http://a/");
    w.frm->NavNow("http://A/");
    EXPECT_EQ(w.view.list, (std::vector<std::string>{"http://A/", "http://a/", "http://b/", "about:blank"}));
    EXPECT_EQ(w.view.address, "http://A/");
    // The Click raised by selecting the list entry started no second navigation.
    int navs = 0;
    for (const auto& c : w.engine->calls)
        navs += c.rfind("Navigate2", 0) == 0;
    EXPECT_EQ(navs, 5);
}

TEST(AddressBox, EnterNavigatesAndCtrlVTakesTheClipboard)
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
    w.frm->cboAddress_KeyUp(86, 3);  // Ctrl+Shift+V: the box's own paste stays
    EXPECT_EQ(w.view.address, "old+pasted");
    w.frm->cboAddress_KeyUp(86, 2);
    EXPECT_EQ(w.view.address, "pasted");
    w.view.clipboard.reset();
    w.frm->cboAddress_KeyUp(86, 2);
    EXPECT_EQ(w.view.address, "");
}

TEST(AddressBox, ClickWhileHistoryUpdatesDoesNothingAndNavSiteAppends)
{
    FactoryDouble f;
    auto& w = f.make();
    const auto before = w.engine->calls.size();
    w.frm->bHistUpdate = true;
    w.frm->cboAddress_Click();
    EXPECT_EQ(w.engine->calls.size(), before);
    w.frm->bHistUpdate = false;
    w.frm->NavSite("store.htm");
    EXPECT_TRUE(w.engine->called("Navigate2 https://www.quillmere.example/store.htm 0"));
}

TEST(BusyTimer, WorkingTitleThenPageTitleAndStop)
{
    FactoryDouble f;
    auto& w = f.make();
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

TEST(EngineEvents, TitleStatusAndBackForward)
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

    w.engine->fire_command_state_change(kCscBack, true);
    w.engine->fire_command_state_change(kCscForward, false);
    w.engine->fire_command_state_change(7, true);
    EXPECT_TRUE((w.view.enabled[{"mnuVItem", 4}]));
    EXPECT_FALSE((w.view.enabled[{"mnuVItem", 5}]));
    EXPECT_EQ(w.view.enabled.size(), 2u);
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
    EXPECT_FLOAT_EQ(second.view.pos.first, first.view.pos.first + 300);
    EXPECT_FLOAT_EQ(second.view.pos.second, first.view.pos.second + 300);
    EXPECT_EQ(second.view.list, std::vector<std::string>{"about:blank"});
}

TEST(FormResize, ClearsTheFullScreenMarkWhenItEndsFullScreen)
{
    FactoryDouble f;
    auto& w = f.make();
    w.frm->set_bFullSc(true);
    w.view.state = WindowState::Minimized;
    w.frm->Form_Resize();
    EXPECT_TRUE(w.frm->bFullSc());
    w.view.state = WindowState::Maximized;
    w.frm->Form_Resize();
    EXPECT_FALSE(w.frm->bFullSc());
    EXPECT_FALSE((w.view.checked[{"mnuVItem", 12}]));
}

TEST(FullScreen, OwnMaximizeKeepsFullScreenButAUserResizeEndsIt)
{
    FactoryDouble f;
    auto& w = f.make();
    w.frm->set_client_size(15000, 10000);
    w.frm->Form_Resize();
    w.frm->menu_activated("mnuVItem", 12, false);  // Full Screen
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

    // A later resize by the user ends it.
    w.frm->Form_Resize();
    EXPECT_FALSE(w.frm->bFullSc());
    EXPECT_FALSE((w.view.checked[{"mnuVItem", 12}]));
    EXPECT_FLOAT_EQ(w.view.layout.toolbar_height, 495);
    EXPECT_FLOAT_EQ(w.view.layout.browser.top, 600);
}

TEST(Menus, FavouritesToggleShowsThePaneAndPlacesTheBrowser)
{
    FactoryDouble f;
    auto& w = f.make();
    w.frm->menu_activated("mnuVItem", 0, false);
    EXPECT_TRUE(w.view.layout.left_visible);
    EXPECT_FLOAT_EQ(w.view.layout.browser.left, w.view.layout.left_width);
    EXPECT_TRUE((w.view.checked[{"mnuVItem", 0}]));
    w.frm->menu_activated("mnuVItem", 0, false);
    EXPECT_FALSE(w.view.layout.left_visible);
    EXPECT_FLOAT_EQ(w.view.layout.browser.left, 0);
}
