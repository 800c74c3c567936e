#include "commands/mod_gen.h"

#include "commands/menu_bar.h"
#include "commands/site_pages.h"

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace driftway::commands {

using platform::OleCmd;
using platform::OleExecOpt;
using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::RuntimeError;

namespace {

using Step = std::function<void()>;

template <typename F> void skip_errors(F&& step)
{
    try {
        step();
    } catch (const RuntimeError&) {
    }
}

// The File menu's error report. Each command is a list of steps so that
// Retry can repeat exactly the step that failed and Ignore can go on with
// the one after it.
void run_reporting_steps(const std::vector<Step>& steps, platform::Prompts& prompts)
{
    std::size_t i = 0;
    while (i < steps.size()) {
        try {
            steps[i]();
            ++i;
        } catch (const RuntimeError& e) {
            if (e.number() == platform::error::kDialogCancelled)
                return;
            const auto answer = prompts.message_box(std::to_string(e.number()) + " " + e.description(),
                                                    "ERROR:  " + e.description(),
                                                    MsgButtons::AbortRetryIgnore, MsgIcon::Critical);
            if (answer == MsgAnswer::Retry)
                continue;
            if (answer != MsgAnswer::Ignore)
                return;
            ++i;
        }
    }
}

void cancelled()
{
    throw RuntimeError(platform::error::kDialogCancelled, "Cancel was selected.");
}

void exec(CommandContext& frm, OleCmd cmd, OleExecOpt opt = OleExecOpt::DoDefault)
{
    frm.engine().ExecWB(cmd, opt);
}

void new_window(CommandContext& frm)
{
    // The address travels as one argument of its own, so blanks, quotes or
    // shell syntax in it can neither split it nor run anything.
    std::vector<std::string> argv{frm.program_path()};
    const auto address = frm.engine().LocationURL();
    if (!address.empty())
        argv.push_back(address);
    frm.shell().spawn(argv, platform::WindowStyle::NormalFocus);
}

std::vector<Step> open_steps(CommandContext& frm)
{
    auto file = std::make_shared<std::string>();
    return {
        [&frm, file] {
            const auto chosen = frm.prompts().open_file(kOpenTitle, platform::parse_filter(kOpenFilter));
            if (!chosen)
                cancelled();
            *file = *chosen;
        },
        [&frm, file] {
            // Reached without a name only when the dialog failed and the user
            // chose Ignore; navigating to nothing would only blank the page.
            if (!file->empty())
                frm.NavNow(*file);
        },
    };
}

std::vector<Step> print_steps(CommandContext& frm)
{
    // A status query that fails and is ignored leaves 0: print counts as
    // disabled.
    auto status = std::make_shared<int>(0);
    return {
        [&frm, status] { *status = frm.engine().QueryStatusWB(OleCmd::Print); },
        [&frm, status] {
            if (*status & platform::kOleCmdFEnabled)
                exec(frm, OleCmd::Print);
            else
                frm.prompts().message_box(kPrintDisabled, platform::kAppTitle, MsgButtons::Ok, MsgIcon::None);
        },
    };
}

std::vector<Step> file_steps(int Index, CommandContext& frm)
{
    switch (Index) {
    case 0:
        return {[&frm] { new_window(frm); }};
    case 1:
        return open_steps(frm);
    case 3:
        return {[&frm] { exec(frm, OleCmd::SaveAs, OleExecOpt::PromptUser); }};
    case 5:
        return {[&frm] { exec(frm, OleCmd::PageSetup); }};
    case 6:
        return print_steps(frm);
    case 7:
        return {[&frm] { exec(frm, OleCmd::PrintPreview); }};
    case 9:
        return {[&frm] { exec(frm, OleCmd::Properties); }};
    case 10:
        return {
            [&frm] {
                frm.set_menu_checked(kFileSet, kWorkOfflineItem,
                                     !frm.menu_checked(kFileSet, kWorkOfflineItem));
            },
            [&frm] { frm.engine().SetOffline(frm.menu_checked(kFileSet, kWorkOfflineItem)); },
        };
    case 12:
        return {[&frm] { frm.close_window(); }};
    default:
        return {};
    }
}

void clear_text_size_marks(CommandContext& frm)
{
    for (int i = 0; i < 5; ++i)
        skip_errors([&] { frm.set_menu_checked(kTextSizeSet, i, false); });
}

void refresh_text_size_marks(CommandContext& frm)
{
    clear_text_size_marks(frm);
    std::optional<int> level;
    skip_errors([&] { frm.engine().ExecWB(OleCmd::Zoom, OleExecOpt::DoDefault, std::nullopt, &level); });
    // An engine that reports nothing counts as level 0, like an empty value
    // converted to a number; a level outside the submenu marks nothing.
    const int n = level.value_or(0);
    if (n >= 0 && n <= 4)
        skip_errors([&] { frm.set_menu_checked(kTextSizeSet, n, true); });
}

void toggle_full_screen(CommandContext& frm)
{
    frm.set_bFullSc(!frm.bFullSc());
    if (frm.bFullSc()) {
        frm.set_window_state(WindowState::Maximized);
        // The resize that the maximize brings may have ended full-screen mode.
        frm.set_bFullSc(true);
        LayOutFullScreen(frm);
    } else {
        frm.set_window_state(WindowState::Normal);
        frm.set_toolbar_height(kToolbarHeight);
        frm.set_status_height(kStatusHeight);
        frm.set_engine_top(kEngineTop);
        frm.set_engine_height(frm.inner_height() - kSpaceBelowEngine - frm.engine_top());
    }
    frm.set_menu_checked(kViewSet, kFullScreenItem, frm.bFullSc());
}

void nav_site(CommandContext& frm, const std::string& page)
{
    try {
        frm.NavSite(page);
    } catch (const RuntimeError& e) {
        ShowError(e, frm.prompts());
    }
}

// Asks for a file, then hands it to the import or export hook. A cancelled
// or failing dialog ends quietly. The hooks report refusals themselves, so a
// failure arriving here is one the user would otherwise never see.
template <typename Dialog, typename Hook>
void with_chosen_file(CommandContext& frm, const char* title, Dialog dialog, Hook hook)
{
    std::optional<std::string> path;
    try {
        path = dialog();
    } catch (const RuntimeError&) {
        return;
    }
    if (!path || path->empty())
        return;
    try {
        hook(*path);
    } catch (const std::exception& e) {
        frm.prompts().message_box(e.what(), title, MsgButtons::Ok, MsgIcon::Critical);
    }
}

} // namespace

void FileMenuOpening(CommandContext& frm)
{
    skip_errors([&] { frm.set_menu_checked(kFileSet, kWorkOfflineItem, frm.engine().Offline()); });
}

void DoFileCommand(int Index, CommandContext& frm)
{
    run_reporting_steps(file_steps(Index, frm), frm.prompts());
}

void DoEditCommand(int Index, CommandContext& frm)
{
    std::optional<OleCmd> cmd;
    switch (Index) {
    case 0:
        cmd = OleCmd::Cut;
        break;
    case 1:
        cmd = OleCmd::Copy;
        break;
    case 2:
        cmd = OleCmd::Paste;
        break;
    case 4:
        cmd = OleCmd::SelectAll;
        break;
    case 5:
        cmd = OleCmd::ClearSelection;
        break;
    default:
        return;
    }
    try {
        exec(frm, *cmd);
    } catch (const RuntimeError& e) {
        ShowError(e, frm.prompts());
    }
}

void DoViewCommand(int Index, CommandContext& frm)
{
    try {
        switch (Index) {
        case kFavoritesPaneItem: {
            frm.set_menu_checked(kViewSet, Index, !frm.menu_checked(kViewSet, Index));
            frm.set_favourites_pane_visible(frm.menu_checked(kViewSet, Index));
            frm.Form_Resize();
            break;
        }
        case 2:
            frm.engine().GoHome();
            break;
        case kPreviousItem:
            frm.engine().GoBack();
            break;
        case kNextItem:
            frm.engine().GoForward();
            break;
        case 7:
            exec(frm, OleCmd::Stop);
            break;
        case 8:
            frm.engine().Refresh();
            break;
        case kTextSizeItem:
            refresh_text_size_marks(frm);
            break;
        case kFullScreenItem:
            toggle_full_screen(frm);
            break;
        default:
            break;
        }
    } catch (const RuntimeError& e) {
        ShowError(e, frm.prompts());
    }
}

void DoTextSizeCommand(int Index, CommandContext& frm)
{
    // Only the five items exist; any other index would ask the engine for a
    // zoom level it does not have.
    if (Index < 0 || Index > 4)
        return;
    clear_text_size_marks(frm);
    skip_errors([&] { frm.set_menu_checked(kTextSizeSet, Index, true); });
    skip_errors([&] { frm.engine().ExecWB(OleCmd::Zoom, OleExecOpt::DoDefault, Index); });
}

void LayOutFullScreen(CommandContext& frm)
{
    frm.set_toolbar_height(kFullScreenBarHeight);
    frm.set_status_height(kFullScreenBarHeight);
    frm.set_engine_top(0);
    frm.set_engine_height(frm.inner_height());
}

void ShowError(const RuntimeError& e, platform::Prompts& prompts)
{
    prompts.message_box(e.description(), std::to_string(e.number()), MsgButtons::Ok, MsgIcon::Critical);
}

void OpenOnlinePage(int Index, CommandContext& frm)
{
    if (const auto path = online_page_path(Index))
        nav_site(frm, *path);
}

void OpenNewsPage(int Index, CommandContext& frm)
{
    nav_site(frm, site_page_path(news_pages(), Index));
}

void OpenTrialDownload(int Index, CommandContext& frm)
{
    nav_site(frm, site_page_path(trial_downloads(), Index));
}

void OpenDemoDownload(int Index, CommandContext& frm)
{
    nav_site(frm, site_page_path(demo_downloads(), Index));
}

void OpenFreeDownload(int Index, CommandContext& frm)
{
    nav_site(frm, site_page_path(free_downloads(), Index));
}

void ImportNetscapeBookmarks(CommandContext& frm)
{
    with_chosen_file(
        frm, kImportTitle,
        [&] { return frm.prompts().open_file(kImportTitle, platform::parse_filter(kImportFilter)); },
        [&](const std::string& path) { frm.import_bookmarks(path); });
}

void ExportFavorites(CommandContext& frm)
{
    with_chosen_file(
        frm, kExportTitle,
        [&] {
            return frm.prompts().save_file(kExportTitle, kExportSuggestedName,
                                           platform::parse_filter(kExportFilter));
        },
        [&](const std::string& path) { frm.export_favorites(path); });
}

void OpenInternetOptions(CommandContext& frm)
{
    // Our options dialog is a window of its own, so it is shown normally
    // rather than minimized like the host process it replaces.
    skip_errors([&] {
        frm.shell().spawn({frm.program_path(), kInternetOptionsArg}, platform::WindowStyle::NormalFocus);
    });
}

bool DoMenuCommand(const std::string& set, int index, CommandContext& frm)
{
    using Routine = void (*)(int, CommandContext&);
    static const std::pair<const char*, Routine> indexed[] = {
        {kFileSet, DoFileCommand},         {kEditSet, DoEditCommand},    {kViewSet, DoViewCommand},
        {kTextSizeSet, DoTextSizeCommand}, {kOnlineSet, OpenOnlinePage}, {kNewsSet, OpenNewsPage},
        {kTrialSet, OpenTrialDownload},    {kDemoSet, OpenDemoDownload}, {kFreeSet, OpenFreeDownload},
    };
    for (const auto& [name, routine] : indexed) {
        if (set == name) {
            routine(index, frm);
            return true;
        }
    }
    if (set == kImportItem)
        ImportNetscapeBookmarks(frm);
    else if (set == kExportItem)
        ExportFavorites(frm);
    else if (set == kOptionsItem)
        OpenInternetOptions(frm);
    else
        return false;
    return true;
}

bool DoMenuOpening(const std::string& set, int index, CommandContext& frm)
{
    if (set == kFileTitle) {
        FileMenuOpening(frm);
        return true;
    }
    if (set == kViewSet && index == kTextSizeItem) {
        DoViewCommand(index, frm);
        return true;
    }
    if (set == kOnlineSet) {
        OpenOnlinePage(index, frm);
        return true;
    }
    return false;
}

} // namespace driftway::commands
