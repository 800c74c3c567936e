// The address history keeps at most its cap (the oldest go) and says what
// each visit changed; page titles and addresses reach the window title with
// control characters and direction overrides made harmless.
#include "browser/frm_browser.h"
#include "browser/window_title.h"
#include "tests/unit/browser/view_double.h"

#include <gtest/gtest.h>

using namespace driftway::browser;
using driftway::testing::FactoryDouble;

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
