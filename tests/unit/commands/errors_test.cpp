// The commands' error policy: the File menu asks Abort/Retry/Ignore (Retry
// repeats only the failed step), the other menus show the error and end.
#include "commands/mod_gen.h"
#include "context_double.h"

#include <gtest/gtest.h>

namespace {

using driftway::platform::MsgAnswer;
using driftway::platform::MsgButtons;
using driftway::platform::MsgIcon;
using driftway::platform::RuntimeError;
using driftway::testing::ContextDouble;
using namespace driftway::commands;
using Strings = std::vector<std::string>;

TEST(ErrorPolicy, FileCommandsAskAbortRetryIgnore)
{
    ContextDouble abort;
    abort.eng.fail("ExecWB 8", 438, "Object doesn't support this action", 5);
    abort.ask.answers = {MsgAnswer::Abort};
    DoFileCommand(5, abort);
    ASSERT_EQ(abort.ask.messages.size(), 1u);
    EXPECT_EQ(abort.ask.messages[0].text, "438 Object doesn't support this action");
    EXPECT_EQ(abort.ask.messages[0].caption, "ERROR:  Object doesn't support this action");
    EXPECT_EQ(abort.ask.messages[0].buttons, MsgButtons::AbortRetryIgnore);
    EXPECT_EQ(abort.ask.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(abort.eng.calls.size(), 1u);

    // Retry runs the print command again, not the status query before it.
    ContextDouble retry;
    retry.eng.fail("ExecWB 6", 5, "Invalid procedure call", 2);
    retry.ask.answers = {MsgAnswer::Retry, MsgAnswer::Retry};
    DoFileCommand(6, retry);
    EXPECT_EQ(retry.eng.calls, (Strings{"QueryStatusWB 6", "ExecWB 6 0", "ExecWB 6 0", "ExecWB 6 0"}));

    // Ignore goes on: a failed status query counts as 0, so print is disabled,
    // as it is when the engine says so.
    ContextDouble ignore, disabled;
    ignore.eng.fail("QueryStatusWB", -2147467259, "Unspecified error");
    ignore.ask.answers = {MsgAnswer::Ignore};
    disabled.eng.query_status[6] = driftway::browser::kOleCmdFSupported;
    for (auto* c : {&ignore, &disabled}) {
        DoFileCommand(6, *c);
        EXPECT_EQ(c->eng.calls, Strings{"QueryStatusWB 6"});
        EXPECT_EQ(c->log.back(), "message The Print command is currently disabled.");
    }

    // Any other answer ends the command; the dialogs' cancel code says nothing.
    ContextDouble other, cancel, cancelled;
    other.eng.fail("QueryStatusWB", 5, "x");
    other.ask.answers = {MsgAnswer::Cancel};
    DoFileCommand(6, other);
    EXPECT_EQ(other.log.size(), 1u);
    cancel.eng.fail("ExecWB 4", driftway::platform::error::kDialogCancelled, "Cancel was selected.");
    DoFileCommand(3, cancel);
    EXPECT_TRUE(cancel.log.empty());
    DoFileCommand(1, cancelled);
    EXPECT_EQ(cancelled.log, Strings{"open Browse for offline web pages"});

    // A broken Open dialog ignored navigates nowhere.
    ContextDouble broken;
    broken.ask.dialog_error = RuntimeError(5, "No display");
    broken.ask.answers = {MsgAnswer::Ignore};
    DoFileCommand(1, broken);
    EXPECT_EQ(broken.log, (Strings{"open Browse for offline web pages", "message 5 No display"}));
}

TEST(ErrorPolicy, OtherMenusShowTheErrorOnceAndEndTheCommand)
{
    ContextDouble view, edit, online;
    view.eng.fail("GoBack", -2147467259, "Unspecified error");
    DoViewCommand(4, view);
    ASSERT_EQ(view.ask.messages.size(), 1u);
    EXPECT_EQ(view.ask.messages[0].text, "Unspecified error");
    EXPECT_EQ(view.ask.messages[0].caption, "-2147467259");
    EXPECT_EQ(view.ask.messages[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(view.ask.messages[0].icon, MsgIcon::Critical);

    edit.eng.fail("ExecWB 13", 438, "Object doesn't support this action", 3);
    DoEditCommand(2, edit);
    EXPECT_EQ(edit.eng.calls.size(), 1u); // nothing is retried
    EXPECT_EQ(edit.ask.messages.at(0).caption, "438");

    online.nav_error = RuntimeError(-2147467259, "Unspecified error");
    OpenOnlinePage(4, online);
    EXPECT_EQ(online.ask.messages.at(0).caption, "-2147467259");
}

} // namespace
