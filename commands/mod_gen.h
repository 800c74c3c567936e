#pragma once

#include "commands/command_context.h"
#include "platform/runtime_error.h"

#include <string>

namespace driftway::commands {

inline constexpr const char* kOpenTitle = "Browse for offline web pages";
inline constexpr const char* kOpenFilter = "Web Pages|*.htm; *.html |All Files|*.*";
inline constexpr const char* kPrintDisabled = "The Print command is currently disabled.";
inline constexpr const char* kImportTitle = "Import Netscape Bookmarks to Favorites";
inline constexpr const char* kImportFilter = "Bookmark files (*.htm)|*.htm;*.html";
inline constexpr const char* kExportTitle = "Export Favorites";
inline constexpr const char* kExportFilter = "Bookmark files (*.html)|*.html;*.htm";
inline constexpr const char* kExportSuggestedName = "bookmarks.html";
inline constexpr const char* kInternetOptionsArg = "--internet-options";

// Layout values in twips for the normal and the full-screen window.
inline constexpr float kToolbarHeight = 495;
inline constexpr float kStatusHeight = 375;
inline constexpr float kEngineTop = 600;
inline constexpr float kSpaceBelowEngine = 400;
inline constexpr float kFullScreenBarHeight = 15;

// Runs as the File menu drops down: the Work Offline mark shows the engine's
// real offline state. Errors are skipped.
void FileMenuOpening(CommandContext& frm);

// The File menu (mnuFItem). Errors are reported with Abort, Retry (the failed
// step again) and Ignore (the next step); a cancelled dialog ends quietly.
void DoFileCommand(int Index, CommandContext& frm);

// The Edit menu (mnuEdItem). An error goes to ShowError and ends the command.
void DoEditCommand(int Index, CommandContext& frm);

// The View menu (mnuVItem); index 10 is the opening of the Text Size
// submenu. An error goes to ShowError and ends the command.
void DoViewCommand(int Index, CommandContext& frm);

// A Text Size item (mnuTextS) chosen. Errors are skipped.
void DoTextSizeCommand(int Index, CommandContext& frm);

// The full-screen geometry: both bars 15 twips, the engine from the top over
// the whole inner height. The window applies it again when its own maximize
// arrives late.
void LayOutFullScreen(CommandContext& frm);

// Shows the error's description with the critical icon, captioned with its
// number.
void ShowError(const platform::RuntimeError& e, platform::Prompts& prompts);

// The Online menu (mnuOnlItem) and its four submenus. Each navigates through
// NavSite at most once; a failing navigation goes to ShowError.
void OpenOnlinePage(int Index, CommandContext& frm);
void OpenNewsPage(int Index, CommandContext& frm);
void OpenTrialDownload(int Index, CommandContext& frm);
void OpenDemoDownload(int Index, CommandContext& frm);
void OpenFreeDownload(int Index, CommandContext& frm);

// The Tools menu.
void ImportNetscapeBookmarks(CommandContext& frm);
void ExportFavorites(CommandContext& frm);
void OpenInternetOptions(CommandContext& frm);

// Runs the command of a menu item chosen, by set name (or single item name)
// and index. False when the item is not one of these commands (Help, the
// favourites context menu, the Favorites menu).
bool DoMenuCommand(const std::string& set, int index, CommandContext& frm);

// Runs as a menu or submenu drops down (the File menu, Text Size, the Online
// submenus). False when nothing is attached to that opening.
bool DoMenuOpening(const std::string& set, int index, CommandContext& frm);

} // namespace driftway::commands
