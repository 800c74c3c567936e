// The menu bar as data: titles, captions, access keys, shortcuts and the
// hidden entries, compared against literal tables. Needs nothing else.
#include "commands/menu_bar.h"
#include "commands/site_pages.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <tuple>

namespace {

using driftway::platform::MenuEntry;
using driftway::platform::MenuEntryKind;
using namespace driftway::commands;

using Row = std::tuple<std::string, int, std::string, std::string>;  // set, index, caption, accel

std::vector<Row> rows(const MenuEntry& menu)
{
    std::vector<Row> out;
    for (const auto& e : menu.children)
        out.emplace_back(e.set, e.index, e.caption, e.accel);
    return out;
}

const MenuEntry& title(const std::vector<MenuEntry>& bar, const std::string& name)
{
    const auto* entry = find_menu_entry(bar, name);
    EXPECT_NE(entry, nullptr) << name;
    return *entry;
}

TEST(MenuBar, TitlesInOrderWithTheFavoritesSlotAfterView)
{
    const auto bar = menu_bar();
    std::vector<std::tuple<std::string, std::string, bool>> titles;
    for (const auto& e : bar)
        titles.emplace_back(e.set, e.caption, e.visible);
    const std::vector<std::tuple<std::string, std::string, bool>> expected{
        {"mnuFile", "&File", true},      {"mnuEdIt", "&Edit", true},     {"mnuView", "&View", true},
        {"mnuTools", "&Tools", true},    {"mnuOnline", "&Online", true}, {"mnuHelp", "&Help", true},
        {"mnuPopUp", "Fav Pop up", false},
    };
    EXPECT_EQ(titles, expected);
    EXPECT_EQ(favorites_menu_index(bar), 3u);

    // A hidden title before the slot must not shift it.
    auto shifted = bar;
    MenuEntry hidden;
    hidden.visible = false;
    shifted.insert(shifted.begin(), hidden);
    EXPECT_EQ(shifted[favorites_menu_index(shifted)].set, "mnuTools");
}

TEST(MenuBar, FileEditAndViewItems)
{
    const auto bar = menu_bar();
    const std::vector<Row> file{
        {"mnuFItem", 0, "&New Window", "<Control>n"}, {"mnuFItem", 1, "&Open...", "<Control>o"},
        {"mnuFItem", 2, "-", ""},                     {"mnuFItem", 3, "&Save As...", "<Control>s"},
        {"mnuFItem", 4, "-", ""},                     {"mnuFItem", 5, "Page Set&up...", ""},
        {"mnuFItem", 6, "&Print...", "<Control>p"},   {"mnuFItem", 7, "Print Pre&view...", ""},
        {"mnuFItem", 8, "-", ""},                     {"mnuFItem", 9, "P&roperties", ""},
        {"mnuFItem", 10, "&Work Offline", ""},        {"mnuFItem", 11, "-", ""},
        {"mnuFItem", 12, "&Close Driftway", "<Alt>BackSpace"},
    };
    EXPECT_EQ(rows(title(bar, "mnuFile")), file);

    const std::vector<Row> edit{
        {"mnuEdItem", 0, "Cu&t", "<Control>x"},       {"mnuEdItem", 1, "&Copy", "<Control>c"},
        {"mnuEdItem", 2, "&Paste", "<Control>v"},     {"mnuEdItem", 3, "-", ""},
        {"mnuEdItem", 4, "Select &All", "<Control>a"}, {"mnuEdItem", 5, "C&lear Selection", ""},
    };
    EXPECT_EQ(rows(title(bar, "mnuEdIt")), edit);

    const std::vector<Row> view{
        {"mnuVItem", 0, "&Favorites", ""},  {"mnuVItem", 1, "-", ""},           {"mnuVItem", 2, "&Home", ""},
        {"mnuVItem", 3, "-", ""},           {"mnuVItem", 4, "&Previous", ""},   {"mnuVItem", 5, "&Next", ""},
        {"mnuVItem", 6, "-", ""},           {"mnuVItem", 7, "Sto&p", ""},       {"mnuVItem", 8, "&Refresh", "F5"},
        {"mnuVItem", 9, "-", ""},           {"mnuVItem", 10, "&Text Size", ""}, {"mnuVItem", 11, "-", ""},
        {"mnuVItem", 12, "&Full Screen", "F11"},
    };
    const auto& view_menu = title(bar, "mnuView");
    EXPECT_EQ(rows(view_menu), view);
    const std::vector<Row> sizes{
        {"mnuTextS", 0, "&Smallest", ""}, {"mnuTextS", 1, "&Smaller", ""}, {"mnuTextS", 2, "&Normal", ""},
        {"mnuTextS", 3, "&Larger", ""},   {"mnuTextS", 4, "&Largest", ""},
    };
    EXPECT_EQ(rows(view_menu.children[10]), sizes);
    EXPECT_EQ(view_menu.children[10].kind, MenuEntryKind::Submenu);
    EXPECT_EQ(view_menu.children[1].kind, MenuEntryKind::Separator);

    // Every item starts unchecked and enabled; only the marked ones can carry a mark.
    for (const auto* e : {find_menu_entry(bar, kFileSet, 10), find_menu_entry(bar, kViewSet, 0),
                          find_menu_entry(bar, kViewSet, 12), find_menu_entry(bar, kTextSizeSet, 4)}) {
        ASSERT_NE(e, nullptr);
        EXPECT_TRUE(e->checkable);
        EXPECT_FALSE(e->checked);
    }
}

TEST(MenuBar, ToolsOnlineHelpAndPopup)
{
    const auto bar = menu_bar();
    const std::vector<Row> tools{
        {"mnuImpNetFav", -1, "&Import Netscape Bookmarks...", ""},
        {"mnuExpFav", -1, "&Export Favorites...", ""},
        {"li0", -1, "-", ""},
        {"mnuIntOpt", -1, "&Internet Options...", ""},
    };
    EXPECT_EQ(rows(title(bar, "mnuTools")), tools);
    EXPECT_EQ(rows(title(bar, "mnuHelp")), (std::vector<Row>{{"mnuAbout", -1, "&About Driftway...", ""}}));

    const std::vector<std::string> online{
        "Product &Page",     "Publisher &Home",      "-", "Software &Catalog", "Software &Store",
        "-",                 "Customer S&upport",    "&Feedback",              "-",
        "&Trial Downloads",  "&Java Demo Downloads", "Free Downlo&ads",        "&Free Downloads Page",
        "-",                 "Today's &News",        "B&rindle Service",
    };
    const auto& online_menu = title(bar, "mnuOnline");
    ASSERT_EQ(online_menu.children.size(), online.size());
    for (std::size_t i = 0; i < online.size(); ++i)
        EXPECT_EQ(online_menu.children[i].caption, online[i]) << i;
    EXPECT_EQ(online_menu.children[9].children.size(), 8u);
    EXPECT_EQ(online_menu.children[10].children.size(), 7u);
    EXPECT_EQ(online_menu.children[11].children.size(), 7u);
    EXPECT_EQ(rows(online_menu.children[14])[2], Row("mnuNews", 2, "Business News (Stock Market)", ""));

    const std::vector<std::pair<std::string, bool>> popup{
        {"Add To Favorites...", false}, {"-", false},           {"Move To...", true},  {"Rename", true},
        {"Delete", true},               {"Properties", true},   {"-", true},           {"Open Folder", true},
        {"New Folder", true},           {"-", true},            {"Import Bookmarks", false},
        {"Export Favorites", false},    {"-", false},           {"Refresh", true},
    };
    std::vector<std::pair<std::string, bool>> actual;
    for (const auto& e : title(bar, "mnuPopUp").children)
        actual.emplace_back(e.caption, e.visible);
    EXPECT_EQ(actual, popup);
}

TEST(MenuBar, DownloadCaptionsAndPathsFollowOneForm)
{
    const std::regex caption(R"(.+ \(\d+(\.\d+)? (KB|MB), [^)]+\))");
    const std::regex path(R"([a-z0-9_]+/[A-Za-z0-9_]+\.(exe|msi))");
    for (const auto pages : {trial_downloads(), demo_downloads(), free_downloads()}) {
        for (const auto& page : pages) {
            EXPECT_TRUE(std::regex_match(page.caption, caption)) << page.caption;
            EXPECT_TRUE(std::regex_match(page.path, path)) << page.path;
        }
    }
}

TEST(MenuBar, ShortcutsAreUniqueAndLeaveFindFree)
{
    std::set<std::string> seen{kFindAccel, kFindNextAccel};
    std::function<void(const std::vector<MenuEntry>&)> walk = [&](const std::vector<MenuEntry>& entries) {
        for (const auto& e : entries) {
            if (!e.accel.empty()) {
                EXPECT_TRUE(seen.insert(e.accel).second) << e.accel;
            }
            walk(e.children);
        }
    };
    walk(menu_bar());
    EXPECT_EQ(seen.size(), 13u);
}

}  // namespace
