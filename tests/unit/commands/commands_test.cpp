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
using namespace driftway::testing;
using namespace driftway::commands;
using Strings = std::vector<std::string>;
using Messages = std::vector<ShownMessage>;

// Calls visit with every entry of the menus, those of submenus included.
void for_each_entry(const std::vector<MenuEntry>& entries, const std::function<void(const MenuEntry&)>& visit)
{
    for (const auto& e : entries) {
        visit(e);
        for_each_entry(e.children, visit);
    }
}

// Rather than copy each item's action from the menu code: every item of the
// menu bar acts, nothing else does, and no two items act alike.
TEST(Routing, EveryMenuItemActsNoTwoAlikeAndTheOthersDoNothing)
{
    std::set<std::pair<std::string, int>> items;
    for_each_entry(menu_bar(), [&](const MenuEntry& e) {
        if (e.kind == driftway::platform::MenuEntryKind::Command)
            items.insert({e.set, e.index});
    });
    const std::string hostile = "file:///tmp/a b\"c';rm -rf ~;$(touch /tmp/x)`id`";
    std::map<std::string, std::string> actions; // what an item did, to the item
    for (const std::string set : {kFileSet, kEditSet, kViewSet, kOnlineSet}) {
        for (int index = -1; index <= 16; ++index) {
            if (set == kViewSet && (index == kTextSizeItem || index == kFullScreenItem))
                continue; // tested with their marks
            ContextDouble ctx;
            ctx.ask.files.push_back("/tmp/page.htm");
            ctx.eng.location_url = hostile;
            EXPECT_TRUE(DoMenuCommand(set, index, ctx));
            const std::string item = set + " " + std::to_string(index);
            std::string did = ctx.trace();
            for (const auto& argv : ctx.sh.spawned) // New Window: even a hostile address is one argument
                did += argv == Strings{"/opt/drift way/Driftway", hostile} ? "spawn" : "spawn, split";
            EXPECT_EQ(did != " / ", items.contains({set, index})) << item << ": " << did;
            if (did != " / ") {
                EXPECT_TRUE(actions.emplace(did, item).second)
                    << item << " does what " << actions[did] << " does";
            }
        }
    }
    EXPECT_TRUE(actions.contains(" / spawn"));

    // The download and news submenus; outside its table each goes to the base address.
    const auto trace = [](const char* set, int index) {
        ContextDouble ctx;
        DoMenuCommand(set, index, ctx);
        return ctx.trace();
    };
    EXPECT_EQ(trace(kNewsSet, 4), " / NavSite world_news.htm");
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
    for_each_entry(bar, [&](const MenuEntry& e) {
        EXPECT_TRUE(e.accel.empty() || keys.insert(e.accel).second) << e.accel;
    });
}

// The File menu asks Abort/Retry/Ignore (Retry repeats only the failed step);
// the other menus show the error and end.
TEST(ErrorPolicy, FileCommandsAskAbortRetryIgnoreTheOthersShowTheErrorOnce)
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

    // The other menus show the error once and end the command.
    ContextDouble edit;
    edit.eng.fail("ExecWB 13", 438, "Object doesn't support this action", 3);
    DoEditCommand(2, edit);
    EXPECT_EQ(edit.eng.calls.size(), 1u); // nothing is retried
    EXPECT_EQ(edit.ask.messages,
              (Messages{{"Object doesn't support this action", "438", MsgButtons::Ok, MsgIcon::Critical}}));
}

TEST(Marks, WorkOfflineMirrorsTheEngineTextSizeTheEngineLevelAndAChoiceIsMarkedFirst)
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

    const auto marks = [](const ContextDouble& c) {
        std::string out;
        for (int i = 0; i < 5; ++i)
            out += c.menu_checked(kTextSizeSet, i) ? 'x' : '.';
        return out;
    };
    ContextDouble zoom, failing;
    zoom.eng.zoom_level = 3;
    zoom.checks[{kTextSizeSet, 0}] = true;
    EXPECT_TRUE(DoMenuOpening(kViewSet, 10, zoom));
    EXPECT_EQ(marks(zoom), "...x.");
    EXPECT_EQ(zoom.eng.calls, Strings{"ExecWB 19 0 out"});

    // Choosing marks first; a failing zoom keeps the mark and says nothing.
    failing.eng.fail("ExecWB 19", 5, "Invalid procedure call", 2);
    DoTextSizeCommand(4, failing);
    EXPECT_EQ(marks(failing), "....x");
    EXPECT_TRUE(failing.ask.messages.empty());
}

} // namespace
