// Where a dragged favourite may be dropped, and the names Add to Favorites
// suggests.
#include "fav_doubles.h"
#include "favourites/context_menu.h"
#include "favourites/favorite_name.h"
#include "favourites/internet_shortcut.h"

#include <gtest/gtest.h>

using namespace driftway::favourites;

namespace {

const auto shortcut = internet_shortcut_text;

using Picked = driftway::testing::FavFolderTest;

} // namespace

TEST_F(Picked, ADropGoesOnlyIntoAnotherFolderNeverIntoItself)
{
    dir.mkdir("A/Inner");
    dir.mkdir("B");
    dir.write("x.url", shortcut("https://x.example/"));
    load();
    window.tree.SetExpanded(node("A/"), true);
    for (const auto& [from, onto] :
         {std::pair{"", "B/"}, {"A/", "A/"}, {"A/", "A/Inner/"}, {"A/Inner/", "A/"}, {"A/", "x.url"}})
        EXPECT_FALSE(can_drop_into(window.tree, *from ? node(from) : 1, node(onto))) << from << " " << onto;
    EXPECT_TRUE(can_drop_into(window.tree, node("A/Inner/"), 1));
}

TEST(FavoriteName, DropsOnlyFileExtensionsAndNamesUntitledPagesByHostAndPath)
{
    EXPECT_EQ(suggested_favorite_name("Release 2.0 notes", "https://r.example/"), "Release 2.0 notes");
    EXPECT_EQ(suggested_favorite_name("index.html", "file:///srv/index.html"), "index");
    EXPECT_EQ(suggested_favorite_name("report.PDF", "https://r.example/"), "report");
    EXPECT_EQ(suggested_favorite_name("Example.com", "https://example.com/"), "Example.com");
    const std::string address = "https://www.example.org/docs/user%20guide/setup.html?lang=en#top";
    EXPECT_EQ(suggested_favorite_name(address, address), "example.org - docs - user guide - setup");
    EXPECT_EQ(suggested_favorite_name("", "https://example.org/blog/index.php"), "example.org - blog");
    EXPECT_EQ(suggested_favorite_name("", "file:///home/me/notes.txt"), "home - me - notes");
}
