#pragma once

#include "platform/prompts.h"
#include "platform/shell.h"

#include <memory>
#include <optional>
#include <string>

namespace driftway::favourites {

class FavMenu;
class Tree;

inline constexpr const char* kBrowseTitle = "Favorites";
inline constexpr const char* kBrowseInstruction = "Move to...";

// Where the user chose to save a new favourite.
struct AddFavoriteChoice {
    std::string folder; // a folder under the Favorites folder, without trailing "/"
    std::string name;   // the favourite's name as typed, without ".url"
};

// The modal dialogs of the favourites, each shown over its window.
class FavDialogs {
public:
    virtual ~FavDialogs() = default;

    // Add Favorite: the name (the suggestion preselected), a folder tree under
    // `favorites_folder` with New Folder, OK and Cancel. nullopt on cancel.
    // The caller writes the shortcut and asks before replacing one.
    virtual std::optional<AddFavoriteChoice> AddFavorite(const std::string& address,
                                                         const std::string& suggested_name,
                                                         const std::string& favorites_folder) = 0;

    // Organize Favorites over `favorites_folder`: create folder, rename, move
    // to folder, delete. Returns when the user closes it.
    virtual void OrganizeFavorites(const std::string& favorites_folder) = 0;

    // The folder picker titled kBrowseTitle with the instruction
    // kBrowseInstruction, showing only folders under `favorites_folder`
    // (itself included). The chosen folder's path, or "" on cancel.
    virtual std::string BrowseForFolder(const std::string& favorites_folder) = 0;

    // The properties of a favourite file or folder (path without trailing "/").
    virtual void ShowProperties(const std::string& path) = 0;
};

// What the favourites code needs of a main window. The main window implements
// it; ModFaves keeps a registry of the open ones. The window must call
// ModFaves::WindowClosed before it goes away.
class FavWindow {
public:
    virtual ~FavWindow() = default;

    // Navigates through the address box, as typing the address would.
    virtual void NavNow(const std::string& address) = 0;
    // The engine's current address and page title.
    virtual std::string LocationURL() const = 0;
    virtual std::string LocationName() const = 0;

    // The window's favourites tree (its TreeModel).
    virtual Tree& fav_tree() = 0;

    // Puts `menu` on the menu bar at position 3 (kFavMenuPosition), captioned
    // "Favorites", in place of the one there before. Folder submenus come
    // without children: fill one from menu->submenu(entry.index) the first
    // time it opens. A chosen entry with id > 0 goes to ModFaves::FavWndProc.
    virtual void install_favorites_menu(std::shared_ptr<const FavMenu> menu) = 0;

    // LockWindowUpdate on the whole window, around dialogs and refreshes.
    virtual void freeze_drawing() = 0;
    virtual void thaw_drawing() = 0;

    // Handles the pending window events once and returns (DoEvents).
    virtual void DoEvents() = 0;

    virtual FavDialogs& dialogs() = 0;
    virtual platform::Prompts& prompts() = 0;
    virtual platform::Shell& shell() = 0;

    // Opens a new main window 300 twips right of and below this one, showing
    // the contents of `folder` (a key ending in "/") through its engine without
    // a history entry.
    virtual void open_folder_window(const std::string& folder) = 0;

    // Pops up the tree's context menu (mnuPopUp) at the pointer. The window
    // runs mnuPopUp_Click first to learn the enabled states; a chosen item
    // goes to mnuRFav_Click.
    virtual void popup_context_menu() = 0;
};

} // namespace driftway::favourites
