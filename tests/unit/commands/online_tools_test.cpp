// The Online and Tools menus and the toolbar buttons: relative site paths,
// out-of-range indexes, the import/export dialogs and hooks, the Internet
// Options process, and each button's action. Needs the doubles only.
#include "commands/menu_bar.h"
#include "commands/mod_gen.h"
#include "commands/site_pages.h"
#include "commands/toolbar.h"
#include "context_double.h"

#include <gtest/gtest.h>

namespace {

using driftway::platform::RuntimeError;
using driftway::testing::ContextDouble;
using namespace driftway::commands;
using Strings = std::vector<std::string>;

Strings log_of(const std::string& set, int index)
{
    ContextDouble ctx;
    EXPECT_TRUE(DoMenuCommand(set, index, ctx));
    return ctx.log;
}

TEST(OnlineMenu, ItemsOpenTheirRelativePages)
{
    const std::vector<std::pair<int, std::string>> pages{{0, "driftway.htm"},        {1, ""},
                                                         {3, "catalog.htm"},         {4, "store.htm"},
                                                         {6, "service.htm"},         {7, "Feedback.htm"},
                                                         {12, "Free_Downloads.htm"}, {15, "brindle.htm"}};
    for (const auto& [index, page] : pages)
        EXPECT_EQ(log_of(kOnlineSet, index), Strings{"NavSite " + page}) << index;
    // Separators, submenu titles (also raised when a submenu opens) and strangers do nothing.
    for (const int index : {2, 5, 8, 9, 10, 11, 13, 14, 16, -1})
        EXPECT_EQ(log_of(kOnlineSet, index), Strings{}) << index;

    EXPECT_EQ(log_of(kNewsSet, 4), Strings{"NavSite world_news.htm"});
    EXPECT_EQ(log_of(kTrialSet, 7), Strings{"NavSite " + site_page_path(trial_downloads(), 7)});
    EXPECT_EQ(log_of(kDemoSet, 6), Strings{"NavSite " + site_page_path(demo_downloads(), 6)});
    EXPECT_EQ(log_of(kFreeSet, 0), Strings{"NavSite " + site_page_path(free_downloads(), 0)});
    // Outside its table a submenu routine goes to the base address itself.
    for (const auto* set : {kNewsSet, kTrialSet, kDemoSet, kFreeSet}) {
        EXPECT_EQ(log_of(set, 8), Strings{"NavSite "}) << set;
        EXPECT_EQ(log_of(set, -3), Strings{"NavSite "}) << set;
    }

    ContextDouble failing; // a failing navigation is shown, not thrown
    failing.nav_error = RuntimeError(-2147467259, "Unspecified error");
    OpenOnlinePage(4, failing);
    EXPECT_EQ(failing.ask.messages.at(0).caption, "-2147467259");
}

TEST(ToolsMenu, ImportExportAndInternetOptions)
{
    ContextDouble ctx;
    ctx.ask.files = {std::string("/home/u/bookmarks 1.html"), std::string("/tmp/out.html")};
    DoMenuCommand(kImportItem, -1, ctx);
    DoMenuCommand(kExportItem, -1, ctx);
    DoMenuCommand(kOptionsItem, -1, ctx);
    EXPECT_EQ(ctx.log,
              (Strings{"open Import Netscape Bookmarks to Favorites", "import /home/u/bookmarks 1.html",
                       "save bookmarks.html Export Favorites", "export /tmp/out.html"}));
    EXPECT_EQ(ctx.ask.filters.at(0).at(0).name, "Bookmark files (*.htm)");
    EXPECT_NE(ctx.ask.filters.at(0).at(0).patterns.find("*.html"), std::string::npos);
    EXPECT_EQ(ctx.sh.spawned, (std::vector<Strings>{{"/opt/drift way/Driftway", "--internet-options"}}));
    EXPECT_FALSE(DoMenuCommand(kAboutItem, -1, ctx));
    EXPECT_FALSE(DoMenuCommand(kFavPopupSet, 13, ctx));

    // Cancelled, empty or failing dialogs end quietly before the importer.
    ContextDouble cancelled, empty, broken;
    empty.ask.files = {std::string()};
    broken.ask.dialog_error = RuntimeError(5, "No display");
    for (auto* c : {&cancelled, &empty, &broken}) {
        ImportNetscapeBookmarks(*c);
        EXPECT_EQ(c->log.size(), 1u);
    }
    // An importer failure is reported rather than lost; a failed spawn is skipped.
    ContextDouble failing;
    failing.ask.files = {std::string("/tmp/b.htm")};
    failing.import_error = RuntimeError(70, "Permission denied");
    failing.sh.fail = true;
    ImportNetscapeBookmarks(failing);
    OpenInternetOptions(failing);
    EXPECT_EQ(failing.log.back(), "message Permission denied");
    EXPECT_EQ(failing.ask.messages.size(), 1u);
}

TEST(Toolbar, EveryButtonStartsTheTimerThenActs)
{
    const std::vector<std::string> expected{"GoBack / timer start",
                                            "GoForward / timer start",
                                            "Stop / timer start|timer stop|title Start",
                                            "Refresh / timer start",
                                            "GoHome / timer start",
                                            "GoSearch / timer start",
                                            " / timer start|check mnuVItem 0 1|pane 1|Form_Resize",
                                            "QueryStatusWB 6|ExecWB 6 0 / timer start",
                                            " / timer start|open Browse for offline web pages",
                                            " / timer start"};
    for (int index = 0; index <= 9; ++index) {
        ContextDouble ctx;
        ctx.eng.location_name = "Start";
        PicToolClick(index, ctx);
        EXPECT_EQ(ctx.trace(), expected[static_cast<std::size_t>(index)]) << index;
    }

    ContextDouble ctx; // failing steps are skipped without a word
    ctx.eng.location_name = "Page";
    ctx.eng.fail("Stop", 5, "x");
    ctx.eng.fail("GoBack", 5, "x");
    PicToolClick(2, ctx);
    PicToolClick(0, ctx);
    EXPECT_EQ(ctx.log, (Strings{"timer start", "timer stop", "title Page", "timer start"}));
}

} // namespace
