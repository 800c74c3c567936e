// The main window's logic without a display: layout arithmetic, the load's
// order and the engine's events; the address history's cap and what each
// visit changed, and titles made harmless. The rest is the GTK window tests'.
#include "browser/frm_browser.h"
#include "browser/window_title.h"
#include "tests/unit/browser/view_double.h"

#include <gtest/gtest.h>

using namespace driftway;
using namespace driftway::browser;
using namespace driftway::testing;
using Strings = std::vector<std::string>;

TEST(Layout, TheBrowserSitsBesideThePaneAndNoSizeGoesNegative)
{
    Layout l;
    bool fs = false;
    l.client_width = 15000;
    l.client_height = 10000;
    form_resize(l, WindowState::Normal, fs);
    EXPECT_FLOAT_EQ(l.browser.left, 0); // pane hidden: the browser starts at the left edge
    const float address = l.address.width, right = l.browser.width;
    l.left_visible = true;
    splitter_move(l, 100);
    EXPECT_FLOAT_EQ(l.left_width, 300); // the pane's minimum
    splitter_move(l, 4000);
    EXPECT_FLOAT_EQ(l.browser.left + l.browser.width, 15000); // reaches the right edge during the drag
    form_resize(l, WindowState::Normal, fs);
    pane_resize(l);
    EXPECT_FLOAT_EQ(l.browser.left, 4000);
    EXPECT_FLOAT_EQ(l.browser.left + l.browser.width, right);
    EXPECT_LT(l.tree.width, 4000);

    // Minimized changes nothing; a window too small keeps the last sizes
    // rather than going negative, and a pane past the edge leaves width 0.
    fs = true;
    l.client_width = 100;
    EXPECT_FALSE(form_resize(l, WindowState::Minimized, fs));
    EXPECT_TRUE(fs);
    fs = false;
    l.client_height = 300;
    form_resize(l, WindowState::Normal, fs);
    EXPECT_FLOAT_EQ(l.address.width, address);
    EXPECT_GE(l.browser.width, 0);
    EXPECT_GE(l.browser.height, 0);
    Layout narrow;
    narrow.client_width = 5000;
    splitter_move(narrow, 9000);
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

TEST(AddressHistory, KeepsTheNewestThousandAndSaysWhatEachVisitChanged)
{
    AddressHistory history;
    const auto address = [](int i) { return "http://page/" + std::to_string(i); };
    for (int i = 0; i < 1000; ++i)
        EXPECT_FALSE(history.visit(address(i)).dropped_oldest);
    HistoryChange change = history.visit(address(1000));
    EXPECT_TRUE(change.dropped_oldest);
    ASSERT_EQ(history.entries().size(), AddressHistory::kMaxEntries);
    EXPECT_EQ(history.entries().front(), address(1000));
    EXPECT_EQ(history.entries().back(), address(1));

    // A revisit moves the entry up and drops nothing.
    change = history.visit(address(1));
    EXPECT_EQ(change.removed, 999);
    EXPECT_FALSE(change.dropped_oldest);
    EXPECT_EQ(history.entries().front(), address(1));
    EXPECT_EQ(history.entries().back(), address(2));
    EXPECT_EQ(history.entries().size(), AddressHistory::kMaxEntries);
}

TEST(WindowTitle, ControlCharactersAndDirectionOverridesNeverReachTheTitle)
{
    EXPECT_EQ(safe_title("Plain title, caf\xC3\xA9"), "Plain title, caf\xC3\xA9");
    EXPECT_EQ(safe_title("two\r\n\tlines\x01\x7F"
                         "end"),
              "two lines end");
    EXPECT_EQ(safe_title("invoice\xE2\x80\xAEgpj.exe"), "invoicegpj.exe");
    EXPECT_EQ(safe_title("\xE2\x81\xA6isolated\xE2\x81\xA9 \xE2\x80\x8Fmark\xC2\x85next"),
              "isolated mark next");
    // Bytes that are not UTF-8 are left for the window to replace.
    EXPECT_EQ(safe_title("caf\xE9 \xE2\x80"), "caf\xE9 \xE2\x80");

    FactoryDouble f;
    auto& w = f.make();
    w.engine->hooks.before_navigate("http://x/\xE2\x80\xAE\nlmth.exe");
    EXPECT_EQ(w.view.title, "Driftway\u2122 - http://x/ lmth.exe");
    w.engine->location_name = "Bank\xE2\x80\xAE\x1B[2J";
    w.engine->hooks.navigate_complete();
    EXPECT_EQ(w.view.title, "Driftway\u2122 - Bank [2J");
}
