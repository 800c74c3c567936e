// The folder scan into tree and Favorites menu (order and numbering,
// captions) on real folders.
#include "fav_doubles.h"
#include "favourites/fav_scan.h"
#include "favourites/name_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>

namespace {

namespace fs = std::filesystem;
using namespace driftway::favourites;
using driftway::platform::MenuEntry;
using driftway::platform::MenuEntryKind;
using driftway::testing::FavFolderTest;
using Strings = std::vector<std::string>;

constexpr const char* kUrl = "[InternetShortcut]\r\nURL=https://example.org/\r\n";

// Each menu entry as "caption=id" (commands), "caption>" (submenus), "-".
Strings flatten(const MenuEntry& menu, const std::string& indent = "")
{
    Strings out;
    for (const auto& e : menu.children) {
        if (e.kind == MenuEntryKind::Separator)
            out.push_back(indent + "-" + std::to_string(e.id));
        else if (e.kind == MenuEntryKind::Submenu) {
            out.push_back(indent + e.caption + ">");
            for (auto& s : flatten(e, indent + "  "))
                out.push_back(s);
        } else
            out.push_back(indent + e.caption + "=" + std::to_string(e.id));
    }
    return out;
}

using Scan = FavFolderTest;

TEST_F(Scan, FoldersComeFirstSubfolderItemsAreNumberedFirstAndNamesSortNaturally)
{
    load();
    EXPECT_EQ(window.texts(), Strings{"Favorites/"});
    EXPECT_EQ(flatten(window.menu->full()),
              (Strings{"Add to Favorites...=1097", "Organize Favorites...=1098", "-1099"}));

    dir.write("A/A1/deep.url", kUrl);
    dir.write("A/a.url", kUrl);
    dir.write("B/b.url", kUrl);
    dir.write("B/b2.lnk", "");
    for (const char* name : {"item10.url", "item2.url", "item1.url"})
        dir.write(name, kUrl);
    faves.RefreshFavorites(window);

    EXPECT_EQ(window.texts(),
              (Strings{"Favorites/", "A/", "A1/", "deep", "a", "B/", "b", "b2", "item1", "item2", "item10"}));
    EXPECT_EQ(faves.FavItems(window).front(), root() + "A/A1/deep.url");
    EXPECT_EQ(window.tree.Parent(node("A/a.url")), node("A/"));
    EXPECT_EQ(flatten(window.menu->full()),
              (Strings{"Add to Favorites...=1097", "Organize Favorites...=1098", "-1099", "A>", "  A1>",
                       "    deep=1101", "  a=1102", "B>", "  b=1103", "  b2=1104", "item1=1105", "item2=1106",
                       "item10=1107"}));

    // Submenus described on demand carry the same ids as the whole menu.
    const MenuEntry a = window.menu->root().children.at(3);
    EXPECT_TRUE(a.children.empty());
    const auto inside = window.menu->submenu(a.index);
    ASSERT_EQ(inside.size(), 2u);
    EXPECT_EQ(inside[1].id, 1102);
    EXPECT_EQ(window.menu->submenu(inside[0].index).at(0).id, 1101);
    EXPECT_TRUE(window.menu->submenu(9999).empty());
}

TEST_F(Scan, CaptionsPast49CharactersAreShortenedInTheMenuOnly)
{
    const std::string n49(49, 'n'), n60(60, 'm');
    // 50 two-byte characters: shortened by characters, never inside one.
    std::string umlauts;
    for (int i = 0; i < 50; ++i)
        umlauts += "\xC3\xA4";
    dir.mkdir(n60);
    dir.write(n49 + ".url", kUrl);
    dir.write(umlauts + ".url", kUrl);
    dir.write("Tom & Jerry.url", kUrl);
    load();

    // Item order depends on the locale's collation; compare as a set.
    const MenuEntry menu = window.menu->root();
    ASSERT_EQ(menu.children.size(), 7u);
    EXPECT_EQ(menu.children[3].caption, std::string(47, 'm') + "...");
    EXPECT_EQ(window.tree.Text(2), n60);
    std::set<std::string> items;
    for (std::size_t i = 4; i < 7; ++i)
        items.insert(menu.children[i].caption);
    EXPECT_EQ(items, (std::set<std::string>{n49, "Tom && Jerry", umlauts.substr(0, 94) + "..."}));
    EXPECT_EQ(window.tree.Text(node(umlauts + ".url")), umlauts);
}

// A refresh keeps the order of the names it saw before and places only the
// new ones; whatever changed, the result must be what sorting afresh gives.
TEST(NameOrder, ARefreshOrdersAsASortFromScratchWouldWhateverChanged)
{
    Strings pool;
    for (int i = 0; i < 300; ++i) {
        const std::string n = std::to_string(i * 7 % 1000);
        for (const std::string& name : {"item" + n + ".url", "Item " + n, "0" + n + ".lnk", "a." + n + ".b",
                                        ".x" + n, "\xFF" + n + "\xC3", "\xC3\xA4" + n})
            pool.push_back(name);
    }
    std::mt19937 random(20261207);
    const auto order_of = [](const Strings& names, std::span<const std::string_view> before) {
        const std::vector<std::string_view> views(names.begin(), names.end());
        Strings sorted;
        for (const std::uint32_t i : name_order(views, before))
            sorted.push_back(names[i]);
        return sorted;
    };
    for (const std::size_t changes : {0u, 1u, 5u, 40u, 1500u}) {
        std::shuffle(pool.begin(), pool.end(), random);
        const Strings before = order_of(Strings(pool.begin(), pool.begin() + 1500), {});
        // Some names gone, some new, and the rest listed in another order.
        Strings now(pool.begin() + static_cast<std::ptrdiff_t>(changes),
                    pool.begin() + 1500 + static_cast<std::ptrdiff_t>(changes));
        std::shuffle(now.begin(), now.end(), random);
        const std::vector<std::string_view> earlier(before.begin(), before.end());
        EXPECT_EQ(order_of(now, earlier), order_of(now, {})) << changes << " names changed";
    }
}

} // namespace
