#pragma once

#include "platform/menu_model.h"

namespace driftway::favourites {

class FavWindow;
class ModFaves;

inline constexpr const char* kPopUpCaption = "Fav Pop up";
inline constexpr const char* kPopUpSet = "mnuRFav";

// Indexes of the context menu's item set mnuRFav.
enum RFav : int {
    kRFavAdd = 0, // hidden
    kRFavMoveTo = 2,
    kRFavRename = 3,
    kRFavDelete = 4,
    kRFavProperties = 5,
    kRFavOpenFolder = 7,
    kRFavNewFolder = 8,
    kRFavImport = 10, // hidden
    kRFavExport = 11, // hidden
    kRFavRefresh = 13,
};
inline constexpr int kRFavCount = 14;

// mnuPopUp as laid out in the window's menus: a title that is never on the
// menu bar, with the items mnuRFav 0 to 13 (set kPopUpSet, index i), the hidden
// ones marked not visible.
platform::MenuEntry FavPopupMenu();

// The context menu is about to open: selects the root when nothing is
// selected, and answers the menu with Move To..., Rename and Delete disabled
// while the root is selected.
platform::MenuEntry mnuPopUp_Click(ModFaves& faves, FavWindow& window);

// An item of the context menu was chosen. Every command acts on the tree's
// selected node; indexes without a command do nothing.
void mnuRFav_Click(ModFaves& faves, FavWindow& window, int index);

class Tree;

// Dragging in the tree: whether `node` may be dropped onto `target`, which
// must be a folder (or the root) that is neither the node itself, nor inside
// it, nor the folder the node is in already. The root is never dragged.
bool can_drop_into(const Tree& tree, int node, int target);

// `node` was dropped onto the folder `target`: it moves there by the rules of
// Move To (never into itself, never over another entry; a taken name gets a
// free one), and ends up selected in its new place.
void DropOnFolder(ModFaves& faves, FavWindow& window, int node, int target);

} // namespace driftway::favourites
