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
using driftway::platform::MsgIcon;
using driftway::testing::ContextDouble;
using namespace driftway::commands;

using Strings = std::vector<std::string>;

struct FileCase {
    int index;
    Strings engine_calls;
    Strings log;
};

TEST(FileMenu, EveryIndexDoesExactlyItsAction)
{
    const std::vector<FileCase> cases{
        {0, {}, {}},
        {1, {}, {"open Browse for offline web pages", "NavNow /tmp/page.htm"}},
        {2, {}, {}},
        {3, {"ExecWB 4 1"}, {}},
        {4, {}, {}},
        {5, {"ExecWB 8 0"}, {}},
        {6, {"QueryStatusWB 6", "ExecWB 6 0"}, {}},
        {7, {"ExecWB 7 0"}, {}},
        {8, {}, {}},
        {9, {"ExecWB 10 0"}, {}},
        {10, {"SetOffline true"}, {"check mnuFItem 10 1"}},
        {11, {}, {}},
        {12, {}, {"close"}},
        {13, {}, {}},
        {-1, {}, {}},
    };
    for (const auto& c : cases) {
        ContextDouble ctx;
        ctx.engine_double.location_url = "https://example.org/";
        ctx.prompts_double.files.push_back("/tmp/page.htm");
        DoFileCommand(c.index, ctx);
        EXPECT_EQ(ctx.engine_double.calls, c.engine_calls) << c.index;
        EXPECT_EQ(ctx.log, c.log) << c.index;
        EXPECT_EQ(ctx.shell_double.spawned.size(), c.index == 0 ? 1u : 0u) << c.index;
    }
}

TEST(FileMenu, OpenOffersWebPagesAndEndsQuietlyWhenCancelled)
{
    ContextDouble ctx;
    DoFileCommand(1, ctx);  // no file scripted: the dialog is cancelled
    EXPECT_EQ(ctx.log, Strings{"open Browse for offline web pages"});
    EXPECT_TRUE(ctx.prompts_double.messages.empty());
    ASSERT_EQ(ctx.prompts_double.dialog_filters[0].size(), 2u);
    EXPECT_EQ(ctx.prompts_double.dialog_filters[0][0].patterns, "*.htm; *.html ");
    EXPECT_EQ(ctx.prompts_double.dialog_filters[0][1].name, "All Files");
}

TEST(FileMenu, NewWindowPassesAHostileAddressAsOneArgument)
{
    const std::string hostile = "file:///tmp/a b\"c';rm -rf ~;$(touch /tmp/x)`id`";
    ContextDouble ctx;
    ctx.engine_double.location_url = hostile;
    DoFileCommand(0, ctx);
    ASSERT_EQ(ctx.shell_double.spawned.size(), 1u);
    EXPECT_EQ(ctx.shell_double.spawned[0], (Strings{"/opt/drift way/Driftway", hostile}));
    EXPECT_EQ(ctx.shell_double.styles[0], driftway::platform::WindowStyle::NormalFocus);

    ContextDouble blank;
    blank.engine_double.location_url = "about:blank";
    DoFileCommand(0, blank);
    EXPECT_EQ(blank.shell_double.spawned[0], (Strings{"/opt/drift way/Driftway", "about:blank"}));
}

TEST(FileMenu, ErrorsAreReportedWithAbortRetryIgnore)
{
    ContextDouble abort;
    abort.engine_double.fail("ExecWB 8", 438, "Object doesn't support this action", 5);
    abort.prompts_double.answers = {MsgAnswer::Abort};
    DoFileCommand(5, abort);
    ASSERT_EQ(abort.prompts_double.messages.size(), 1u);
    const auto& m = abort.prompts_double.messages[0];
    EXPECT_EQ(m.text, "438 Object doesn't support this action");
    EXPECT_EQ(m.caption, "ERROR:  Object doesn't support this action");
    EXPECT_EQ(m.buttons, MsgButtons::AbortRetryIgnore);
    EXPECT_EQ(m.icon, MsgIcon::Critical);
    EXPECT_EQ(abort.engine_double.calls, Strings{"ExecWB 8 0"});

    // Retry runs the print command again, not the status query before it.
    ContextDouble retry;
    retry.engine_double.fail("ExecWB 6", 5, "Invalid procedure call", 2);
    retry.prompts_double.answers = {MsgAnswer::Retry, MsgAnswer::Retry};
    DoFileCommand(6, retry);
    EXPECT_EQ(retry.engine_double.calls, (Strings{"QueryStatusWB 6", "ExecWB 6 0", "ExecWB 6 0", "ExecWB 6 0"}));
    EXPECT_EQ(retry.prompts_double.messages.size(), 2u);

    // Ignore after a failed offline switch leaves the mark as toggled.
    ContextDouble ignore;
    ignore.engine_double.fail("SetOffline", 5, "Invalid procedure call");
    ignore.prompts_double.answers = {MsgAnswer::Ignore};
    DoFileCommand(10, ignore);
    EXPECT_TRUE(ignore.checked(kFileSet, 10));
    EXPECT_EQ(ignore.prompts_double.messages.size(), 1u);

    // Any answer but the three ends the command.
    ContextDouble other;
    other.engine_double.fail("QueryStatusWB", 5, "x");
    other.prompts_double.answers = {MsgAnswer::Cancel};
    DoFileCommand(6, other);
    EXPECT_EQ(other.engine_double.calls, Strings{"QueryStatusWB 6"});
}

TEST(FileMenu, CancelErrorIsSilentAndIgnoredOpenFailureNavigatesNowhere)
{
    ContextDouble cancel;
    cancel.engine_double.fail("ExecWB 4", driftway::platform::error::kDialogCancelled, "Cancel was selected.");
    DoFileCommand(3, cancel);
    EXPECT_TRUE(cancel.prompts_double.messages.empty());

    ContextDouble broken;
    broken.prompts_double.dialog_error = driftway::platform::RuntimeError(5, "No display");
    broken.prompts_double.answers = {MsgAnswer::Ignore};
    DoFileCommand(1, broken);
    EXPECT_EQ(broken.log, (Strings{"open Browse for offline web pages", "message 5 No display"}));
}

TEST(FileMenu, PrintDisabledShowsOnlyTheMessage)
{
    ContextDouble ctx;
    ctx.engine_double.query_status[6] = driftway::browser::kOleCmdFSupported;
    DoFileCommand(6, ctx);
    EXPECT_EQ(ctx.engine_double.calls, Strings{"QueryStatusWB 6"});
    ASSERT_EQ(ctx.prompts_double.messages.size(), 1u);
    EXPECT_EQ(ctx.prompts_double.messages[0].text, "The Print command is currently disabled.");
    EXPECT_EQ(ctx.prompts_double.messages[0].caption, "Driftway");
    EXPECT_EQ(ctx.prompts_double.messages[0].buttons, MsgButtons::Ok);

    // A failed status query answered with Ignore counts as 0.
    ContextDouble failed;
    failed.engine_double.fail("QueryStatusWB", -2147467259, "Unspecified error");
    failed.prompts_double.answers = {MsgAnswer::Ignore};
    DoFileCommand(6, failed);
    EXPECT_EQ(failed.engine_double.calls, Strings{"QueryStatusWB 6"});
    ASSERT_EQ(failed.prompts_double.messages.size(), 2u);
    EXPECT_EQ(failed.prompts_double.messages[1].text, "The Print command is currently disabled.");
}

TEST(FileMenu, WorkOfflineMarkMirrorsTheEngine)
{
    ContextDouble ctx;
    ctx.engine_double.offline = true;  // set behind the menu's back
    FileMenuOpening(ctx);
    EXPECT_TRUE(ctx.checked(kFileSet, 10));
    DoFileCommand(10, ctx);
    EXPECT_FALSE(ctx.checked(kFileSet, 10));
    EXPECT_FALSE(ctx.engine_double.offline);
    EXPECT_TRUE(DoMenuOpening("mnuFile", -1, ctx));
    EXPECT_FALSE(ctx.checked(kFileSet, 10));
}

}  // namespace
