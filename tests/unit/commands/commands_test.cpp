// The commands against a recording window: which action each menu item and
// toolbar button runs, the error policy, and the menu marks that follow the
// engine.
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
using driftway::platform::MsgAnswer;
using driftway::platform::MsgButtons;
using driftway::platform::MsgIcon;
using driftway::platform::RuntimeError;
using driftway::testing::ContextDouble;
using driftway::testing::ShownMessage;
using namespace driftway::commands;
using Strings = std::vector<std::string>;
using Messages = std::vector<ShownMessage>;

TEST(Routing, EveryMenuItemDoesExactlyItsActionAndTheOthersNothing)
{
    const std::string hostile = "file:///tmp/a b\"c';rm -rf ~;$(touch /tmp/x)`id`";
    std::map<std::string, std::string> actions{
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
        {"mnuVItem 8", "Refresh / "}};
    for (int index = 0; index <= 16; ++index)
        if (const auto page = online_page_path(index))
            actions[std::string(kOnlineSet) + " " + std::to_string(index)] = " / NavSite " + *page;
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

// The File menu asks Abort/Retry/Ignore (Retry repeats only the failed step);
// the other menus show the error and end.
TEST(ErrorPolicy, FileCommandsAskAbortRetryIgnore)
{
    ContextDouble abort;
    abort.eng.fail("ExecWB 8", 438, "Object doesn't support this action", 5);
    abort.ask.answers = {MsgAnswer::Abort};
    DoFileCommand(5, abort);
    EXPECT_EQ(abort.ask.messages, (Messages{{"438 Object doesn't support this action",
                                             "ERROR:  Object doesn't support this action",
                                             MsgButtons::AbortRetryIgnore, MsgIcon::Critical}}));
    EXPECT_EQ(abort.eng.calls.size(), 1u);

    // Retry runs the print command again, not the status query before it.
    ContextDouble retry;
    retry.eng.fail("ExecWB 6", 5, "Invalid procedure call", 2);
    retry.ask.answers = {MsgAnswer::Retry, MsgAnswer::Retry};
    DoFileCommand(6, retry);
    EXPECT_EQ(retry.eng.calls, (Strings{"QueryStatusWB 6", "ExecWB 6 0", "ExecWB 6 0", "ExecWB 6 0"}));

    // Ignore goes on: a failed status query counts as 0, so print is disabled.
    ContextDouble ignore;
    ignore.eng.fail("QueryStatusWB", -2147467259, "Unspecified error");
    ignore.ask.answers = {MsgAnswer::Ignore};
    DoFileCommand(6, ignore);
    EXPECT_EQ(ignore.eng.calls, Strings{"QueryStatusWB 6"});
    EXPECT_EQ(ignore.log.back(), "message The Print command is currently disabled.");
}

TEST(ErrorPolicy, OtherMenusShowTheErrorOnceAndEndTheCommand)
{
    ContextDouble edit;
    edit.eng.fail("ExecWB 13", 438, "Object doesn't support this action", 3);
    DoEditCommand(2, edit);
    EXPECT_EQ(edit.eng.calls.size(), 1u); // nothing is retried
    EXPECT_EQ(edit.ask.messages,
              (Messages{{"Object doesn't support this action", "438", MsgButtons::Ok, MsgIcon::Critical}}));
}

std::string marks(const ContextDouble& ctx)
{
    std::string out;
    for (int i = 0; i < 5; ++i)
        out += ctx.menu_checked(kTextSizeSet, i) ? 'x' : '.';
    return out;
}

TEST(Marks, WorkOfflineMirrorsTheEngine)
{
    ContextDouble ctx;
    ctx.eng.offline = true; // set behind the menu's back
    EXPECT_TRUE(DoMenuOpening(kFileTitle, -1, ctx));
    EXPECT_TRUE(ctx.menu_checked(kFileSet, 10));
    DoFileCommand(10, ctx);
    EXPECT_FALSE(ctx.menu_checked(kFileSet, 10));
    EXPECT_FALSE(ctx.eng.offline);

    // Ignore after a failed switch keeps the toggled mark until the menu opens.
    ctx.eng.fail("SetOffline", 5, "Invalid procedure call");
    ctx.ask.answers = {MsgAnswer::Ignore};
    DoFileCommand(10, ctx);
    EXPECT_TRUE(ctx.menu_checked(kFileSet, 10));
    FileMenuOpening(ctx);
    EXPECT_FALSE(ctx.menu_checked(kFileSet, 10));
}

TEST(Marks, TextSizeMarksTheEngineLevelAndAChoiceIsMarkedFirst)
{
    ContextDouble ctx, failing;
    ctx.eng.zoom_level = 3;
    ctx.checks[{kTextSizeSet, 0}] = true;
    EXPECT_TRUE(DoMenuOpening(kViewSet, 10, ctx));
    EXPECT_EQ(marks(ctx), "...x.");
    EXPECT_EQ(ctx.eng.calls, Strings{"ExecWB 19 0 out"});

    // Choosing marks first; a failing zoom keeps the mark and says nothing.
    failing.eng.fail("ExecWB 19", 5, "Invalid procedure call", 2);
    DoTextSizeCommand(4, failing);
    EXPECT_EQ(marks(failing), "....x");
    EXPECT_TRUE(failing.ask.messages.empty());
}

} // namespace
