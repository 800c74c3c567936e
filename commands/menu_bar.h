#pragma once

#include "platform/menu_model.h"

#include <cstddef>
#include <string>
#include <vector>

namespace driftway::commands {

// Item sets of the menu bar, addressed with an index.
inline constexpr const char* kFileSet = "mnuFItem";
inline constexpr const char* kEditSet = "mnuEdItem";
inline constexpr const char* kViewSet = "mnuVItem";
inline constexpr const char* kTextSizeSet = "mnuTextS";
inline constexpr const char* kOnlineSet = "mnuOnlItem";
inline constexpr const char* kTrialSet = "mnuTrial";
inline constexpr const char* kDemoSet = "mnuDemo";
inline constexpr const char* kFreeSet = "mnuFree";
inline constexpr const char* kNewsSet = "mnuNews";
inline constexpr const char* kFavPopupSet = "mnuRFav";

// Menu titles and single items; their entries carry index -1.
inline constexpr const char* kFileTitle = "mnuFile";
inline constexpr const char* kEditTitle = "mnuEdIt";
inline constexpr const char* kViewTitle = "mnuView";
inline constexpr const char* kToolsTitle = "mnuTools";
inline constexpr const char* kOnlineTitle = "mnuOnline";
inline constexpr const char* kHelpTitle = "mnuHelp";
inline constexpr const char* kFavPopupTitle = "mnuPopUp";
inline constexpr const char* kImportItem = "mnuImpNetFav";
inline constexpr const char* kExportItem = "mnuExpFav";
inline constexpr const char* kToolsSeparator = "li0";
inline constexpr const char* kOptionsItem = "mnuIntOpt";
inline constexpr const char* kAboutItem = "mnuAbout";

// Indexes with a meaning outside their own command.
inline constexpr int kWorkOfflineItem = 10;  // mnuFItem
inline constexpr int kFavoritesPaneItem = 0; // mnuVItem
inline constexpr int kPreviousItem = 4;      // mnuVItem
inline constexpr int kNextItem = 5;          // mnuVItem
inline constexpr int kTextSizeItem = 10;     // mnuVItem
inline constexpr int kFullScreenItem = 12;   // mnuVItem

// The Favorites menu goes in at run time at this position, counted over the
// visible menu titles only: after File, Edit and View, before Tools.
inline constexpr std::size_t kFavoritesMenuPosition = 3;

// Find in page is bound by the window as plain accelerators; no menu item
// uses these keys.
inline constexpr const char* kFindAccel = "<Control>f";
inline constexpr const char* kFindNextAccel = "F3";

// The menu bar every main window carries, left to right: File, Edit, View,
// Tools, Online, Help, then the hidden title of the favourites tree's
// context menu. Every entry starts visible, enabled and unchecked except the
// context menu's hidden items.
std::vector<platform::MenuEntry> menu_bar();

// The index in bar before which the Favorites menu is inserted so that it
// stands at kFavoritesMenuPosition among the visible titles.
std::size_t favorites_menu_index(const std::vector<platform::MenuEntry>& bar);

// The entry of item set (or single item) `set` with `index`, searched through
// all submenus; nullptr when there is none.
const platform::MenuEntry* find_menu_entry(const std::vector<platform::MenuEntry>& bar,
                                           const std::string& set, int index = -1);

} // namespace driftway::commands
