#pragma once

#include "commands/command_context.h"

#include <array>

namespace driftway::commands {

// Tooltips of the nine toolbar buttons (PicTool), by index.
inline constexpr std::array<const char*, 9> kToolTips{
    "Previous", "Next", "Stop", "Refresh", "Go Home", "Search", "Favorites", "Print...", "Browse Offline...",
};

// A toolbar button clicked: starts the busy timer, then does the button's
// action; the last three run the View and File menu commands. Failing steps
// are skipped.
void PicToolClick(int Index, CommandContext& frm);

} // namespace driftway::commands
