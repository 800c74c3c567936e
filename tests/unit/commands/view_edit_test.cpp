// The Edit and View menus: every item's action, ShowError, the Text Size
// marks and the full-screen sequence. Needs the engine, prompts and window
// doubles only.
#include "commands/menu_bar.h"
#include "commands/mod_gen.h"
#include "context_double.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using driftway::testing::ContextDouble;
using namespace driftway::commands;
using Strings = std::vector<std::string>;

TEST(EditAndViewMenus, EveryIndexDoesExactlyItsAction)
{
    const std::map<int, std::string> edit{{0, "ExecWB 11 0 / "},
                                          {1, "ExecWB 12 0 / "},
                                          {2, "ExecWB 13 0 / "},
                                          {4, "ExecWB 17 0 / "},
                                          {5, "ExecWB 18 0 / "}};
    const std::map<int, std::string> view{{0, " / check mnuVItem 0 1|pane 1|Form_Resize"},
                                          {2, "GoHome / "},
                                          {4, "GoBack / "},
                                          {5, "GoForward / "},
                                          {7, "ExecWB 23 0 / "},
                                          {8, "Refresh / "}};
    for (int index = -1; index <= 13; ++index) {
        ContextDouble e, v;
        DoEditCommand(index, e);
        EXPECT_EQ(e.trace(), edit.contains(index) ? edit.at(index) : " / ") << index;
        if (index == 10 || index == 12)
            continue; // Text Size and Full Screen have tests of their own
        DoViewCommand(index, v);
        EXPECT_EQ(v.trace(), view.contains(index) ? view.at(index) : " / ") << index;
    }
}

TEST(EditAndViewMenus, ErrorsGoToShowErrorAndEndTheCommand)
{
    ContextDouble ctx;
    ctx.eng.fail("GoBack", -2147467259, "Unspecified error");
    DoViewCommand(4, ctx);
    ASSERT_EQ(ctx.ask.messages.size(), 1u);
    EXPECT_EQ(ctx.ask.messages[0].text, "Unspecified error");
    EXPECT_EQ(ctx.ask.messages[0].caption, "-2147467259");
    EXPECT_EQ(ctx.ask.messages[0].buttons, driftway::platform::MsgButtons::Ok);
    EXPECT_EQ(ctx.ask.messages[0].icon, driftway::platform::MsgIcon::Critical);

    ContextDouble edit;
    edit.eng.fail("ExecWB 13", 438, "Object doesn't support this action", 3);
    DoEditCommand(2, edit);
    EXPECT_EQ(edit.eng.calls.size(), 1u); // nothing is retried
    EXPECT_EQ(edit.ask.messages.at(0).caption, "438");
}

std::string marks(const ContextDouble& ctx)
{
    std::string out;
    for (int i = 0; i < 5; ++i)
        out += ctx.menu_checked(kTextSizeSet, i) ? 'x' : '.';
    return out;
}

TEST(TextSize, OpeningMarksTheEngineLevel)
{
    ContextDouble ctx;
    ctx.eng.zoom_level = 3;
    ctx.checks[{kTextSizeSet, 0}] = true;
    EXPECT_TRUE(DoMenuOpening(kViewSet, 10, ctx));
    EXPECT_EQ(marks(ctx), "...x.");
    EXPECT_EQ(ctx.eng.calls, Strings{"ExecWB 19 0 out"});

    // A failing or empty query shows no message and marks Smallest: nothing converts to 0.
    ContextDouble failing, empty, outside;
    failing.eng.fail("ExecWB 19", 5, "Invalid procedure call");
    empty.eng.zoom_query_gives_nothing = true;
    outside.eng.zoom_level = 7;
    outside.checks[{kTextSizeSet, 2}] = true;
    for (auto* c : {&failing, &empty, &outside})
        DoViewCommand(10, *c);
    EXPECT_EQ(marks(failing), "x....");
    EXPECT_TRUE(failing.ask.messages.empty());
    EXPECT_EQ(marks(empty), "x....");
    EXPECT_EQ(marks(outside), ".....");

    // Choosing marks first; a failing zoom keeps the mark and says nothing.
    failing.eng.fail("ExecWB 19", 5, "Invalid procedure call");
    DoTextSizeCommand(4, failing);
    EXPECT_EQ(marks(failing), "....x");
    EXPECT_EQ(failing.eng.calls.back(), "ExecWB 19 0 in=4");
    EXPECT_TRUE(failing.ask.messages.empty());
    DoTextSizeCommand(5, failing); // no such item: nothing reaches the engine
    EXPECT_EQ(failing.eng.calls.size(), 2u);
}

TEST(FullScreen, EntryOutlastsTheResizeItsMaximizeBrings)
{
    ContextDouble ctx;
    ctx.on_window_state = [&] { // the window's resize ends full-screen mode
        if (ctx.full) {
            ctx.set_bFullSc(false);
            ctx.set_toolbar_height(495);
        }
    };
    ctx.inner = 10000;
    DoViewCommand(12, ctx);
    EXPECT_EQ(ctx.log, (Strings{"bFullSc 1", "state 2", "bFullSc 0", "toolbar 495", "bFullSc 1", "toolbar 15",
                                "status 15", "top 0", "height 10000", "check mnuVItem 12 1"}));

    ctx.log.clear();
    ctx.on_window_state = nullptr;
    DoViewCommand(12, ctx);
    EXPECT_EQ(ctx.log, (Strings{"bFullSc 0", "state 0", "toolbar 495", "status 375", "top 600", "height 9000",
                                "check mnuVItem 12 0"}));
}

} // namespace
