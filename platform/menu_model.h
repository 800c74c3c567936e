#pragma once

#include <string>
#include <vector>

namespace driftway::platform {

enum class MenuEntryKind { Command, Submenu, Separator };

// A menu as plain data. The designed menus address their items by set name and
// index ("mnuFItem", 6); the Favorites menu by command id (1097, 1100 + k).
// One GTK adapter renders either kind.
struct MenuEntry {
    MenuEntryKind kind = MenuEntryKind::Command;
    std::string caption;  // "&" marks the access key
    std::string set;      // item set, e.g. "mnuFItem"; empty for id-addressed entries
    int index = -1;       // index within the set
    int id = 0;           // command id for id-addressed entries
    std::string accel;    // GTK accelerator, e.g. "<Control>n"; empty for none
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    bool checkable = false;
    std::vector<MenuEntry> children;  // entries of a submenu
};

}  // namespace driftway::platform
