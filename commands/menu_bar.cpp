#include "commands/menu_bar.h"

#include "commands/site_pages.h"
#include "favourites/context_menu.h"

#include <initializer_list>
#include <utility>

namespace driftway::commands {

using platform::MenuEntry;
using platform::MenuEntryKind;

namespace {

struct ItemSpec {
    const char* caption;
    const char* accel = "";
};

MenuEntry command(const std::string& set, int index, const std::string& caption,
                  const std::string& accel = "")
{
    MenuEntry e;
    e.kind = caption == "-" ? MenuEntryKind::Separator : MenuEntryKind::Command;
    e.caption = caption;
    e.set = set;
    e.index = index;
    e.accel = accel;
    return e;
}

MenuEntry submenu(const std::string& set, int index, const std::string& caption,
                  std::vector<MenuEntry> children)
{
    MenuEntry e;
    e.kind = MenuEntryKind::Submenu;
    e.caption = caption;
    e.set = set;
    e.index = index;
    e.children = std::move(children);
    return e;
}

// An item set from its captions in index order; "-" makes a separator.
std::vector<MenuEntry> item_set(const char* set, std::initializer_list<ItemSpec> items)
{
    std::vector<MenuEntry> entries;
    int index = 0;
    for (const auto& item : items)
        entries.push_back(command(set, index++, item.caption, item.accel));
    return entries;
}

std::vector<MenuEntry> page_set(const char* set, std::span<const SitePage> pages)
{
    std::vector<MenuEntry> entries;
    int index = 0;
    for (const auto& page : pages)
        entries.push_back(command(set, index++, page.caption));
    return entries;
}

std::vector<MenuEntry> file_menu()
{
    auto items = item_set(kFileSet, {
                                        {"&New Window", "<Control>n"},
                                        {"&Open...", "<Control>o"},
                                        {"-"},
                                        {"&Save As...", "<Control>s"},
                                        {"-"},
                                        {"Page Set&up..."},
                                        {"&Print...", "<Control>p"},
                                        {"Print Pre&view..."},
                                        {"-"},
                                        {"P&roperties"},
                                        {"&Work Offline"},
                                        {"-"},
                                        {"&Close Driftway", "<Alt>BackSpace"},
                                    });
    items[kWorkOfflineItem].checkable = true;
    return items;
}

std::vector<MenuEntry> edit_menu()
{
    return item_set(kEditSet, {
                                  {"Cu&t", "<Control>x"},
                                  {"&Copy", "<Control>c"},
                                  {"&Paste", "<Control>v"},
                                  {"-"},
                                  {"Select &All", "<Control>a"},
                                  {"C&lear Selection"},
                              });
}

std::vector<MenuEntry> view_menu()
{
    auto items = item_set(kViewSet, {
                                        {"&Favorites"},
                                        {"-"},
                                        {"&Home"},
                                        {"-"},
                                        {"&Previous", "<Alt>Left"},
                                        {"&Next", "<Alt>Right"},
                                        {"-"},
                                        {"Sto&p"},
                                        {"&Refresh", "F5"},
                                        {"-"},
                                        {"&Text Size"},
                                        {"-"},
                                        {"&Full Screen", "F11"},
                                    });
    auto sizes =
        item_set(kTextSizeSet, {{"&Smallest"}, {"&Smaller"}, {"&Normal"}, {"&Larger"}, {"&Largest"}});
    for (auto& size : sizes)
        size.checkable = true;
    items[kTextSizeItem] = submenu(kViewSet, kTextSizeItem, "&Text Size", std::move(sizes));
    items[kFavoritesPaneItem].checkable = true;
    items[kFullScreenItem].checkable = true;
    return items;
}

std::vector<MenuEntry> tools_menu()
{
    return {
        command(kImportItem, -1, "&Import Netscape Bookmarks..."),
        command(kExportItem, -1, "&Export Favorites..."),
        command(kToolsSeparator, -1, "-"),
        command(kOptionsItem, -1, "&Internet Options..."),
    };
}

std::vector<MenuEntry> online_menu()
{
    auto items = item_set(kOnlineSet, {
                                          {"Product &Page"},
                                          {"Publisher &Home"},
                                          {"-"},
                                          {"Software &Catalog"},
                                          {"Software &Store"},
                                          {"-"},
                                          {"Customer S&upport"},
                                          {"&Feedback"},
                                          {"-"},
                                          {"&Trial Downloads"},
                                          {"&Java Demo Downloads"},
                                          {"Free Downlo&ads"},
                                          {"&Free Downloads Page"},
                                          {"-"},
                                          {"Today's &News"},
                                          {"B&rindle Service"},
                                      });
    items[9] = submenu(kOnlineSet, 9, items[9].caption, page_set(kTrialSet, trial_downloads()));
    items[10] = submenu(kOnlineSet, 10, items[10].caption, page_set(kDemoSet, demo_downloads()));
    items[11] = submenu(kOnlineSet, 11, items[11].caption, page_set(kFreeSet, free_downloads()));
    items[14] = submenu(kOnlineSet, 14, items[14].caption, page_set(kNewsSet, news_pages()));
    return items;
}

const MenuEntry* find_in(const std::vector<MenuEntry>& entries, const std::string& set, int index)
{
    for (const auto& entry : entries) {
        if (entry.set == set && entry.index == index)
            return &entry;
        if (const auto* found = find_in(entry.children, set, index))
            return found;
    }
    return nullptr;
}

} // namespace

std::vector<MenuEntry> menu_bar()
{
    std::vector<MenuEntry> bar;
    bar.push_back(submenu(kFileTitle, -1, "&File", file_menu()));
    bar.push_back(submenu(kEditTitle, -1, "&Edit", edit_menu()));
    bar.push_back(submenu(kViewTitle, -1, "&View", view_menu()));
    bar.push_back(submenu(kToolsTitle, -1, "&Tools", tools_menu()));
    bar.push_back(submenu(kOnlineTitle, -1, "&Online", online_menu()));
    bar.push_back(submenu(kHelpTitle, -1, "&Help", {command(kAboutItem, -1, "&About Driftway...")}));
    // The favourites tree's context menu, never shown in the bar itself.
    auto popup = favourites::FavPopupMenu();
    popup.set = kFavPopupTitle;
    popup.index = -1;
    bar.push_back(std::move(popup));
    return bar;
}

std::size_t favorites_menu_index(const std::vector<MenuEntry>& bar)
{
    std::size_t visible = 0;
    for (std::size_t i = 0; i < bar.size(); ++i) {
        if (!bar[i].visible)
            continue;
        if (visible == kFavoritesMenuPosition)
            return i;
        ++visible;
    }
    return bar.size();
}

const MenuEntry* find_menu_entry(const std::vector<MenuEntry>& bar, const std::string& set, int index)
{
    return find_in(bar, set, index);
}

} // namespace driftway::commands
