// Menu marks that follow the engine (Work Offline, Text Size) and the
// full-screen sequence.
#include "commands/menu_bar.h"
#include "commands/mod_gen.h"
#include "context_double.h"

#include <gtest/gtest.h>

namespace {

using driftway::platform::MsgAnswer;
using driftway::testing::ContextDouble;
using namespace driftway::commands;
using Strings = std::vector<std::string>;

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

std::string marks(const ContextDouble& ctx)
{
    std::string out;
    for (int i = 0; i < 5; ++i)
        out += ctx.menu_checked(kTextSizeSet, i) ? 'x' : '.';
    return out;
}

TEST(Marks, TextSizeMarksTheEngineLevelAndAChoiceIsMarkedFirst)
{
    ContextDouble ctx, failing, empty, outside;
    ctx.eng.zoom_level = 3;
    ctx.checks[{kTextSizeSet, 0}] = true;
    EXPECT_TRUE(DoMenuOpening(kViewSet, 10, ctx));
    EXPECT_EQ(marks(ctx), "...x.");
    EXPECT_EQ(ctx.eng.calls, Strings{"ExecWB 19 0 out"});

    // A failing or empty query shows no message and marks Smallest: nothing converts to 0.
    failing.eng.fail("ExecWB 19", 5, "Invalid procedure call", 2);
    empty.eng.zoom_query_gives_nothing = true;
    outside.eng.zoom_level = 7;
    outside.checks[{kTextSizeSet, 2}] = true;
    for (auto* c : {&failing, &empty, &outside})
        DoViewCommand(10, *c);
    EXPECT_EQ(marks(failing) + marks(empty) + marks(outside), "x....x.........");

    // Choosing marks first; a failing zoom keeps the mark and says nothing.
    DoTextSizeCommand(4, failing);
    EXPECT_EQ(marks(failing), "....x");
    EXPECT_EQ(failing.eng.calls.back(), "ExecWB 19 0 in=4");
    EXPECT_TRUE(failing.ask.messages.empty());
    DoTextSizeCommand(5, failing); // no such item: nothing reaches the engine
    EXPECT_EQ(failing.eng.calls.size(), 2u);
}

TEST(Marks, FullScreenEntryOutlastsTheResizeItsMaximizeBrings)
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
