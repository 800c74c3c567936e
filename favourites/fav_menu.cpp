#include "favourites/fav_menu.h"

#include "favourites/display_text.h"

namespace driftway::favourites {

namespace {

platform::MenuEntry command(int id, std::string caption)
{
    platform::MenuEntry entry;
    entry.kind = platform::MenuEntryKind::Command;
    entry.id = id;
    entry.caption = std::move(caption);
    return entry;
}

void fill(const FavMenu& menu, platform::MenuEntry& entry)
{
    if (entry.kind != platform::MenuEntryKind::Submenu || entry.set != kFolderSet)
        return;
    entry.children = menu.submenu(entry.index);
    for (auto& child : entry.children)
        fill(menu, child);
}

} // namespace

void FavMenu::append_folder(std::vector<platform::MenuEntry>& entries, int folder) const
{
    const FavScan& scan = *m_scan;
    for (const int sub : scan.subfolders(folder)) {
        platform::MenuEntry entry;
        entry.kind = platform::MenuEntryKind::Submenu;
        entry.caption = menu_caption(scan.folders()[static_cast<std::size_t>(sub)].text);
        entry.set = kFolderSet;
        entry.index = sub;
        entries.push_back(std::move(entry));
    }
    const FavFolder& f = scan.folders()[static_cast<std::size_t>(folder)];
    for (int i = f.first_item; i < f.first_item + f.item_count; ++i)
        entries.push_back(
            command(kIdFirstItem + i + 1, menu_caption(scan.items()[static_cast<std::size_t>(i)].text())));
}

platform::MenuEntry FavMenu::root() const
{
    platform::MenuEntry menu;
    menu.kind = platform::MenuEntryKind::Submenu;
    menu.caption = kFavMenuCaption;
    menu.children.push_back(command(kIdAddToFavorites, "Add to Favorites..."));
    menu.children.back().accel = kAddToFavoritesAccel;
    menu.children.push_back(command(kIdOrganizeFavorites, "Organize Favorites..."));
    platform::MenuEntry separator;
    separator.kind = platform::MenuEntryKind::Separator;
    separator.id = kIdSeparator;
    menu.children.push_back(std::move(separator));
    append_folder(menu.children, 0);
    return menu;
}

std::size_t FavMenu::root_size() const
{
    const FavScan& scan = *m_scan;
    return 3 + scan.subfolders(0).size() + static_cast<std::size_t>(scan.folders()[0].item_count);
}

std::vector<platform::MenuEntry> FavMenu::submenu(int folder) const
{
    std::vector<platform::MenuEntry> entries;
    if (folder <= 0 || static_cast<std::size_t>(folder) >= m_scan->folders().size())
        return entries;
    append_folder(entries, folder);
    return entries;
}

platform::MenuEntry FavMenu::full() const
{
    platform::MenuEntry menu = root();
    for (auto& child : menu.children)
        fill(*this, child);
    return menu;
}

} // namespace driftway::favourites
