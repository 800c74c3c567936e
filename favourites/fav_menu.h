#pragma once

#include "favourites/fav_scan.h"
#include "platform/menu_model.h"

#include <memory>
#include <string>
#include <vector>

namespace driftway::favourites {

// Command ids of the Favorites menu.
inline constexpr int kIdAddToFavorites = 1097;
inline constexpr int kIdOrganizeFavorites = 1098;
inline constexpr int kIdSeparator = 1099;
inline constexpr int kIdFirstItem = 1100; // item k has id 1100 + k; 1100 itself is never used
// Where the Favorites menu sits on the menu bar: after File, Edit and View.
inline constexpr int kFavMenuPosition = 3;
inline constexpr const char* kFavMenuCaption = "Favorites";
// Add to Favorites' shortcut, Ctrl+D as in other browsers.
inline constexpr const char* kAddToFavoritesAccel = "<Control>d";
// The set name of a folder's submenu entry; its index is the folder number to
// pass to FavMenu::submenu.
inline constexpr const char* kFolderSet = "FavFolder";

// The Favorites menu of one scan, as data. A large Favorites folder has many
// thousands of entries, so submenus are described on demand: a folder's entry
// comes with no children, and the menu adapter asks submenu(entry.index) the
// first time that submenu opens. Ids and numbering are those of the whole
// menu either way. The object keeps its scan alive, so a menu built from it
// stays valid until the adapter drops it.
class FavMenu {
public:
    explicit FavMenu(std::shared_ptr<const FavScan> scan) : m_scan(std::move(scan)) {}

    // The popup "Favorites": Add to Favorites..., Organize Favorites..., a
    // separator, one submenu per top-level folder, the root's items.
    platform::MenuEntry root() const;
    // How many entries root() has, without making them.
    std::size_t root_size() const;
    // The entries of one folder's submenu: its subfolders, then its items.
    std::vector<platform::MenuEntry> submenu(int folder) const;
    // The whole menu with every submenu filled in (tests, small folders).
    platform::MenuEntry full() const;

    const FavScan& scan() const { return *m_scan; }

private:
    void append_folder(std::vector<platform::MenuEntry>& entries, int folder) const;
    std::shared_ptr<const FavScan> m_scan;
};

} // namespace driftway::favourites
