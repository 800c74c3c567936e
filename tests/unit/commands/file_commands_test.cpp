// The File menu: every item's action, the Abort/Retry/Ignore report, the
// print-disabled message, the Work Offline mark and New Window's arguments.
// Needs the engine, prompts and window doubles only.
#include "commands/menu_bar.h"
#include "commands/mod_gen.h"
#include "context_double.h"

#include <gtest/gtest.h>

namespace {

using driftway::platform::MsgAnswer;
using driftway::platform::MsgButtons;
using driftway::platform::RuntimeError;
using driftway::testing::ContextDouble;
using namespace driftway::commands;
using Strings = std::vector<std::string>;

TEST(FileMenu, EveryIndexDoesExactlyItsAction)
{
    const std::string none = " / ";
    const std::vector<std::string> expected{none,
                                            " / open Browse for offline web pages|NavNow /tmp/page.htm",
                                            none,
                                            "ExecWB 4 1 / ",
                                            none,
                                            "ExecWB 8 0 / ",
                                            "QueryStatusWB 6|ExecWB 6 0 / ",
                                            "ExecWB 7 0 / ",
                                            none,
                                            "ExecWB 10 0 / ",
                                            "SetOffline true / check mnuFItem 10 1",
                                            none,
                                            " / close",
                                            none};
    for (int index = -1; index <= 13; ++index) {
        ContextDouble ctx;
        ctx.ask.files.push_back("/tmp/page.htm");
        DoFileCommand(index, ctx);
        EXPECT_EQ(ctx.trace(), index < 0 ? none : expected[static_cast<std::size_t>(index)]) << index;
        EXPECT_EQ(ctx.sh.spawned.size(), index == 0 ? 1u : 0u) << index;
    }

    ContextDouble cancelled; // no file scripted: the Open dialog is cancelled
    DoFileCommand(1, cancelled);
    EXPECT_EQ(cancelled.log, Strings{"open Browse for offline web pages"});
    EXPECT_EQ(cancelled.ask.filters.at(0).at(0).patterns, "*.htm; *.html ");
}

TEST(FileMenu, NewWindowPassesAHostileAddressAsOneArgument)
{
    const std::string hostile = "file:///tmp/a b\"c';rm -rf ~;$(touch /tmp/x)`id`";
    ContextDouble ctx;
    ctx.eng.location_url = hostile;
    DoFileCommand(0, ctx);
    EXPECT_EQ(ctx.sh.spawned.at(0), (Strings{"/opt/drift way/Driftway", hostile}));
}

TEST(FileMenu, ErrorsAreReportedWithAbortRetryIgnore)
{
    ContextDouble abort;
    abort.eng.fail("ExecWB 8", 438, "Object doesn't support this action", 5);
    abort.ask.answers = {MsgAnswer::Abort};
    DoFileCommand(5, abort);
    ASSERT_EQ(abort.ask.messages.size(), 1u);
    EXPECT_EQ(abort.ask.messages[0].text, "438 Object doesn't support this action");
    EXPECT_EQ(abort.ask.messages[0].caption, "ERROR:  Object doesn't support this action");
    EXPECT_EQ(abort.ask.messages[0].buttons, MsgButtons::AbortRetryIgnore);
    EXPECT_EQ(abort.ask.messages[0].icon, driftway::platform::MsgIcon::Critical);
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

    // Any other answer ends the command; the dialogs' cancel code says nothing.
    ContextDouble other;
    other.eng.fail("QueryStatusWB", 5, "x");
    other.ask.answers = {MsgAnswer::Cancel};
    DoFileCommand(6, other);
    EXPECT_EQ(other.log.size(), 1u);
    ContextDouble cancel;
    cancel.eng.fail("ExecWB 4", driftway::platform::error::kDialogCancelled, "Cancel was selected.");
    DoFileCommand(3, cancel);
    EXPECT_TRUE(cancel.log.empty());

    // A broken Open dialog ignored navigates nowhere.
    ContextDouble broken;
    broken.ask.dialog_error = RuntimeError(5, "No display");
    broken.ask.answers = {MsgAnswer::Ignore};
    DoFileCommand(1, broken);
    EXPECT_EQ(broken.log, (Strings{"open Browse for offline web pages", "message 5 No display"}));
}

TEST(FileMenu, PrintDisabledShowsOnlyTheMessage)
{
    ContextDouble ctx;
    ctx.eng.query_status[6] = driftway::browser::kOleCmdFSupported;
    DoFileCommand(6, ctx);
    EXPECT_EQ(ctx.eng.calls, Strings{"QueryStatusWB 6"});
    ASSERT_EQ(ctx.ask.messages.size(), 1u);
    EXPECT_EQ(ctx.ask.messages[0].text, "The Print command is currently disabled.");
    EXPECT_EQ(ctx.ask.messages[0].caption, "Driftway");
    EXPECT_EQ(ctx.ask.messages[0].buttons, MsgButtons::Ok);
}

TEST(FileMenu, WorkOfflineMarkMirrorsTheEngine)
{
    ContextDouble ctx;
    ctx.eng.offline = true; // set behind the menu's back
    EXPECT_TRUE(DoMenuOpening(kFileTitle, -1, ctx));
    EXPECT_TRUE(ctx.menu_checked(kFileSet, 10));
    DoFileCommand(10, ctx);
    EXPECT_FALSE(ctx.menu_checked(kFileSet, 10));
    EXPECT_FALSE(ctx.eng.offline);

    // Ignore after a failed switch keeps the toggled mark.
    ctx.eng.fail("SetOffline", 5, "Invalid procedure call");
    ctx.ask.answers = {MsgAnswer::Ignore};
    DoFileCommand(10, ctx);
    EXPECT_TRUE(ctx.menu_checked(kFileSet, 10));
    FileMenuOpening(ctx);
    EXPECT_FALSE(ctx.menu_checked(kFileSet, 10));
}

} // namespace
