// Which action each menu item, toolbar button and Tools item runs, and that
// everything else does nothing; the menu bar's Favorites slot and shortcuts.
#include "commands/menu_bar.h"
#include "commands/mod_gen.h"
#include "commands/site_pages.h"
#include "commands/toolbar.h"
#include "context_double.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

namespace {

using driftway::platform::MenuEntry;
using driftway::platform::RuntimeError;
using driftway::testing::ContextDouble;
using namespace driftway::commands;
using Strings = std::vector<std::string>;

TEST(Routing, EveryMenuItemDoesExactlyItsActionAndTheOthersNothing)
{
    const std::string hostile = "file:///tmp/a b\"c';rm -rf ~;$(touch /tmp/x)`id`";
    const std::map<std::string, std::string> actions{
        {"mnuFItem 1", " / open Browse for offline web pages|NavNow /tmp/page.htm"},
        {"mnuFItem 3", "ExecWB 4 1 / "},
        {"mnuFItem 5", "ExecWB 8 0 / "},
        {"mnuFItem 6", "QueryStatusWB 6|ExecWB 6 0 / "},
        {"mnuFItem 7", "ExecWB 7 0 / "},
        {"mnuFItem 9", "ExecWB 10 0 / "},
        {"mnuFItem 10", "SetOffline true / check mnuFItem 10 1"},
        {"mnuFItem 12", " / close"},
        {"mnuEdItem 0", "ExecWB 11 0 / "},
        {"mnuEdItem 1", "ExecWB 12 0 / "},
        {"mnuEdItem 2", "ExecWB 13 0 / "},
        {"mnuEdItem 4", "ExecWB 17 0 / "},
        {"mnuEdItem 5", "ExecWB 18 0 / "},
        {"mnuVItem 0", " / check mnuVItem 0 1|pane 1|Form_Resize"},
        {"mnuVItem 2", "GoHome / "},
        {"mnuVItem 4", "GoBack / "},
        {"mnuVItem 5", "GoForward / "},
        {"mnuVItem 7", "ExecWB 23 0 / "},
        {"mnuVItem 8", "Refresh / "},
        {"mnuOnlItem 0", " / NavSite driftway.htm"},
        {"mnuOnlItem 1", " / NavSite "},
        {"mnuOnlItem 3", " / NavSite catalog.htm"},
        {"mnuOnlItem 4", " / NavSite store.htm"},
        {"mnuOnlItem 6", " / NavSite service.htm"},
        {"mnuOnlItem 7", " / NavSite Feedback.htm"},
        {"mnuOnlItem 12", " / NavSite Free_Downloads.htm"},
        {"mnuOnlItem 15", " / NavSite brindle.htm"}};
    for (const std::string set : {kFileSet, kEditSet, kViewSet, kOnlineSet}) {
        for (int index = -1; index <= 16; ++index) {
            if (set == kViewSet && (index == kTextSizeItem || index == kFullScreenItem))
                continue; // tested with their marks
            ContextDouble ctx;
            ctx.ask.files.push_back("/tmp/page.htm");
            ctx.eng.location_url = hostile;
            EXPECT_TRUE(DoMenuCommand(set, index, ctx));
            const auto it = actions.find(set + " " + std::to_string(index));
            EXPECT_EQ(ctx.trace(), it == actions.end() ? " / " : it->second) << set << " " << index;
            // New Window passes even a hostile address as one argument.
            const std::vector<Strings> spawned{{"/opt/drift way/Driftway", hostile}};
            EXPECT_EQ(ctx.sh.spawned, set == kFileSet && index == 0 ? spawned : std::vector<Strings>{});
        }
    }

    // The download and news submenus; outside its table each goes to the base address.
    const auto trace = [](const char* set, int index) {
        ContextDouble ctx;
        DoMenuCommand(set, index, ctx);
        return ctx.trace();
    };
    EXPECT_EQ(trace(kNewsSet, 4), " / NavSite world_news.htm");
    EXPECT_EQ(trace(kTrialSet, 7), " / NavSite " + site_page_path(trial_downloads(), 7));
    EXPECT_EQ(trace(kDemoSet, 6), " / NavSite " + site_page_path(demo_downloads(), 6));
    EXPECT_EQ(trace(kFreeSet, 0), " / NavSite " + site_page_path(free_downloads(), 0));
    for (const auto* set : {kNewsSet, kTrialSet, kDemoSet, kFreeSet})
        for (const int index : {8, -3})
            EXPECT_EQ(trace(set, index), " / NavSite ") << set << index;
}

TEST(Routing, ToolbarButtonsStartTheTimerThenActAndSkipFailingSteps)
{
    const Strings expected{"GoBack / timer start",
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

    ContextDouble ctx;
    ctx.eng.location_name = "Page";
    ctx.eng.fail("Stop", 5, "x");
    ctx.eng.fail("GoBack", 5, "x");
    PicToolClick(2, ctx);
    PicToolClick(0, ctx);
    EXPECT_EQ(ctx.log, (Strings{"timer start", "timer stop", "title Page", "timer start"}));
}

TEST(Routing, ToolsImportExportAndInternetOptions)
{
    ContextDouble ctx;
    ctx.ask.files = {std::string("/home/u/bookmarks 1.html"), std::string("/tmp/out.html")};
    for (const auto* item : {kImportItem, kExportItem, kOptionsItem})
        EXPECT_TRUE(DoMenuCommand(item, -1, ctx));
    EXPECT_EQ(ctx.log,
              (Strings{"open Import Netscape Bookmarks to Favorites", "import /home/u/bookmarks 1.html",
                       "save bookmarks.html Export Favorites", "export /tmp/out.html"}));
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

TEST(MenuBar, FavoritesGoBeforeToolsAndNoShortcutIsTakenTwice)
{
    auto bar = menu_bar();
    EXPECT_EQ(bar[favorites_menu_index(bar)].set, kToolsTitle);
    bar.insert(bar.begin(), MenuEntry{});
    bar.front().visible = false; // a hidden title does not count
    EXPECT_EQ(bar[favorites_menu_index(bar)].set, kToolsTitle);

    std::set<std::string> keys{kFindAccel, kFindNextAccel};
    std::function<void(const std::vector<MenuEntry>&)> walk = [&](const auto& entries) {
        for (const auto& e : entries) {
            EXPECT_TRUE(e.accel.empty() || keys.insert(e.accel).second) << e.accel;
            walk(e.children);
        }
    };
    walk(bar);
}

} // namespace
