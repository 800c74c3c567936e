// The menu bar as data: titles, captions, access keys, shortcuts, hidden
// entries and the Favorites slot, against literal tables. Needs nothing else.
#include "commands/menu_bar.h"
#include "commands/site_pages.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <set>

namespace {

using driftway::platform::MenuEntry;
using namespace driftway::commands;

// "set index caption [accel]" per entry, "(hidden)" for invisible ones, "|" between entries.
std::string describe(const std::vector<MenuEntry>& entries)
{
    std::string out;
    for (const auto& e : entries)
        out += (out.empty() ? "" : "|") + e.set + " " + std::to_string(e.index) + " " + e.caption +
               (e.accel.empty() ? "" : " [" + e.accel + "]") + (e.visible ? "" : " (hidden)");
    return out;
}

const std::vector<MenuEntry>& items(const std::vector<MenuEntry>& bar, const std::string& set, int index = -1)
{
    const auto* entry = find_menu_entry(bar, set, index);
    EXPECT_NE(entry, nullptr) << set;
    return entry->children;
}

TEST(MenuBar, CaptionsAndShortcutsAreExact)
{
    const auto bar = menu_bar();
    EXPECT_EQ(describe(bar), "mnuFile -1 &File|mnuEdIt -1 &Edit|mnuView -1 &View|mnuTools -1 &Tools|"
                             "mnuOnline -1 &Online|mnuHelp -1 &Help|mnuPopUp -1 Fav Pop up (hidden)");
    EXPECT_EQ(describe(items(bar, "mnuFile")),
              "mnuFItem 0 &New Window [<Control>n]|mnuFItem 1 &Open... [<Control>o]|mnuFItem 2 -|"
              "mnuFItem 3 &Save As... [<Control>s]|mnuFItem 4 -|mnuFItem 5 Page Set&up...|"
              "mnuFItem 6 &Print... [<Control>p]|mnuFItem 7 Print Pre&view...|mnuFItem 8 -|"
              "mnuFItem 9 P&roperties|mnuFItem 10 &Work Offline|mnuFItem 11 -|"
              "mnuFItem 12 &Close Driftway [<Alt>BackSpace]");
    EXPECT_EQ(describe(items(bar, "mnuEdIt")),
              "mnuEdItem 0 Cu&t [<Control>x]|mnuEdItem 1 &Copy [<Control>c]|mnuEdItem 2 &Paste [<Control>v]|"
              "mnuEdItem 3 -|mnuEdItem 4 Select &All [<Control>a]|mnuEdItem 5 C&lear Selection");
    EXPECT_EQ(describe(items(bar, "mnuView")),
              "mnuVItem 0 &Favorites|mnuVItem 1 -|mnuVItem 2 &Home|mnuVItem 3 -|mnuVItem 4 &Previous|"
              "mnuVItem 5 &Next|mnuVItem 6 -|mnuVItem 7 Sto&p|mnuVItem 8 &Refresh [F5]|mnuVItem 9 -|"
              "mnuVItem 10 &Text Size|mnuVItem 11 -|mnuVItem 12 &Full Screen [F11]");
    EXPECT_EQ(describe(items(bar, "mnuVItem", 10)),
              "mnuTextS 0 &Smallest|mnuTextS 1 &Smaller|mnuTextS 2 &Normal|"
              "mnuTextS 3 &Larger|mnuTextS 4 &Largest");
    EXPECT_EQ(describe(items(bar, "mnuTools")), "mnuImpNetFav -1 &Import Netscape Bookmarks...|"
                                                "mnuExpFav -1 &Export Favorites...|li0 -1 -|"
                                                "mnuIntOpt -1 &Internet Options...");
    EXPECT_EQ(describe(items(bar, "mnuHelp")), "mnuAbout -1 &About Driftway...");
    EXPECT_EQ(
        describe(items(bar, "mnuOnline")),
        "mnuOnlItem 0 Product &Page|mnuOnlItem 1 Publisher &Home|mnuOnlItem 2 -|"
        "mnuOnlItem 3 Software &Catalog|mnuOnlItem 4 Software &Store|mnuOnlItem 5 -|"
        "mnuOnlItem 6 Customer S&upport|mnuOnlItem 7 &Feedback|mnuOnlItem 8 -|"
        "mnuOnlItem 9 &Trial Downloads|mnuOnlItem 10 &Java Demo Downloads|mnuOnlItem 11 Free Downlo&ads|"
        "mnuOnlItem 12 &Free Downloads Page|mnuOnlItem 13 -|mnuOnlItem 14 Today's &News|"
        "mnuOnlItem 15 B&rindle Service");
    EXPECT_EQ(
        describe(items(bar, "mnuOnlItem", 14)),
        "mnuNews 0 Technology News (Computer, Internet, ...)|mnuNews 1 Entertainment News (Movies, Games, "
        "...)|mnuNews 2 Business News (Stock Market)|mnuNews 3 Sports News (Golf, Tennis, ...)|"
        "mnuNews 4 World News (Politics, World Events, ...)");
    EXPECT_EQ(
        describe(items(bar, "mnuPopUp")),
        "mnuRFav 0 Add To Favorites... (hidden)|mnuRFav 1 - (hidden)|mnuRFav 2 Move To...|mnuRFav 3 Rename|"
        "mnuRFav 4 Delete|mnuRFav 5 Properties|mnuRFav 6 -|mnuRFav 7 Open Folder|mnuRFav 8 New Folder|"
        "mnuRFav 9 -|mnuRFav 10 Import Bookmarks (hidden)|mnuRFav 11 Export Favorites (hidden)|"
        "mnuRFav 12 - (hidden)|mnuRFav 13 Refresh");
}

TEST(MenuBar, FavoritesSlotDownloadsAndFreeFindKeys)
{
    auto bar = menu_bar();
    EXPECT_EQ(favorites_menu_index(bar), 3u);
    bar.insert(bar.begin(), MenuEntry{});
    bar.front().visible = false; // a hidden title does not count
    EXPECT_EQ(bar[favorites_menu_index(bar)].set, kToolsTitle);

    EXPECT_EQ(items(bar, kOnlineSet, 9).size(), 8u);
    EXPECT_EQ(items(bar, kOnlineSet, 10).size(), 7u);
    EXPECT_EQ(items(bar, kOnlineSet, 11).size(), 7u);
    const std::regex caption(R"(.+ \(\d+(\.\d+)? (KB|MB), [^)]+\))"), path(R"([a-z0-9_]+/\w+\.(exe|msi))");
    for (const auto pages : {trial_downloads(), demo_downloads(), free_downloads()})
        for (const auto& page : pages)
            EXPECT_TRUE(std::regex_match(page.caption, caption) && std::regex_match(page.path, path))
                << page.path;

    std::set<std::string> keys{kFindAccel, kFindNextAccel};
    std::function<void(const std::vector<MenuEntry>&)> walk = [&](const auto& entries) {
        for (const auto& e : entries) {
            EXPECT_TRUE(e.accel.empty() || keys.insert(e.accel).second) << e.accel;
            EXPECT_EQ(e.checkable, e.set == kTextSizeSet || (e.set == kFileSet && e.index == 10) ||
                                       (e.set == kViewSet && (e.index == 0 || e.index == 12)))
                << e.set << e.index;
            walk(e.children);
        }
    };
    walk(bar);
}

} // namespace
