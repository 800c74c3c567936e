// The favourites pane under Xvfb: its children at their twips places, the
// search box and button over a scanned tree, and the PicFav buttons.
#include "platform/gtk/favourites_pane.h"
#include "platform/gtk/twips.h"
#include "tests/gtk/favourites/fav_gtk_support.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

using namespace driftway;
using driftway::platform::gtk::FavouritesPane;
using driftway::platform::gtk::mnemonic_label;
using driftway::testing::wait_until;
namespace fav = driftway::favourites;
namespace dt = driftway::testing;

namespace {

constexpr float kTpp = 15;

struct Place {
    int x, y, width, height;
    bool operator==(const Place&) const = default;
};

Place place_of(Gtk::Layout& layout, Gtk::Widget& child)
{
    int x = 0, y = 0, width = 0, height = 0;
    gtk_container_child_get(GTK_CONTAINER(layout.gobj()), child.gobj(), "x", &x, "y", &y, nullptr);
    child.get_size_request(width, height);
    return {x, y, width, height};
}

class FavouritesPaneTest : public ::testing::Test, protected dt::FavFolderFixture {
protected:
    void SetUp() override
    {
        url_file("News/old news.url", "https://old.example/");
        url_file("Daily news.url", "https://daily.example/");
        url_file("Sports.url", "https://sports.example/");
        m_pane = std::make_unique<FavouritesPane>(m_fw.tree, m_fw.prompts(), kTpp);
        m_window.add(*m_pane);
        m_window.set_default_size(220, 400);
        m_window.show_all();
        ASSERT_TRUE(wait_until([&] { return m_pane->get_mapped(); }));
        m_faves.LoadFavorites(m_fw);
        // Favorites, News, old news, Daily news, Sports.
        ASSERT_EQ(m_fw.tree.Count(), 5);
    }
    void TearDown() override { m_faves.WindowClosed(m_fw); }

    std::vector<dt::ScriptedPrompts::Shown>& messages() { return m_fw.scripted().shown; }

    Gtk::Window m_window;
    dt::TestFavWindow m_fw{&m_window};
    fav::ModFaves m_faves;
    std::unique_ptr<FavouritesPane> m_pane;
};

TEST_F(FavouritesPaneTest, PlacesItsChildrenAndShowsTheirTexts)
{
    FavouritesPane& p = *m_pane;
    EXPECT_EQ(place_of(p, p.search_box()), (Place{3, 8, 191, 22}));
    EXPECT_EQ(place_of(p, p.search_button()), (Place{40, 40, 89, 20}));
    EXPECT_EQ(place_of(p, p.fav_button(0)), (Place{24, 72, 24, 24}));
    EXPECT_EQ(place_of(p, p.fav_button(2)), (Place{106, 72, 24, 24}));
    EXPECT_EQ(place_of(p, p.tree()), (Place{1, 96, 193, 161}));
    p.set_tree_rect({60, 1440, 3000, 6000});
    EXPECT_EQ(place_of(p, p.tree()), (Place{4, 96, 200, 400}));

    EXPECT_EQ(p.search_box().get_text(), "Favorites Search Term...");
    EXPECT_EQ(p.search_box().get_tooltip_text(), "Search For Reports. Enter Search Term...");
    EXPECT_EQ(p.search_button().get_label(), "_Search");
    EXPECT_TRUE(p.search_button().get_use_underline());
    EXPECT_EQ(p.search_button().get_tooltip_text(), "Search For Favorites");
    EXPECT_EQ(p.fav_button(0).get_tooltip_text(), "Add To Favorites...");
    EXPECT_EQ(p.fav_button(1).get_tooltip_text(), "Organize Favorites...");
    EXPECT_EQ(p.fav_button(2).get_tooltip_text(), "Remove From Favorites");

    std::vector<int> clicked;
    p.on_picfav = [&](int i) { clicked.push_back(i); };
    for (int i : {2, 0, 1})
        p.fav_button(i).clicked();
    EXPECT_EQ(clicked, (std::vector<int>{2, 0, 1}));

    // The splitter lives on the pane itself.
    EXPECT_TRUE(p.get_events() & Gdk::BUTTON_PRESS_MASK);
    EXPECT_TRUE(p.get_events() & Gdk::POINTER_MOTION_MASK);
}

TEST_F(FavouritesPaneTest, TheSearchButtonWalksTheHitsAndReportsTheMiss)
{
    FavouritesPane& p = *m_pane;
    p.search_box().set_text("NEWS");
    const auto press = [&] {
        p.search_button().clicked();
        return m_fw.tree.SelectedItem();
    };
    EXPECT_EQ(press(), 2);
    EXPECT_EQ(p.search_button().get_label(), "_Search Next...");
    EXPECT_EQ(m_fw.tree.DropHighlight(), 2);
    EXPECT_EQ(press(), 3); // inside News, which opens to show it
    EXPECT_TRUE(p.tree().tree_view().get_selection()->is_selected(p.tree().path_of(3)));
    EXPECT_EQ(press(), 4);
    EXPECT_TRUE(messages().empty());

    press();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, "Search term not found");
    EXPECT_EQ(messages()[0].caption, "Not Found");
    EXPECT_EQ(p.search_button().get_label(), "_Search");
    press();
    EXPECT_EQ(messages().size(), 2u);

    // Any edit of the term starts over at the top.
    p.search_box().set_text("news");
    EXPECT_EQ(press(), 2);
    EXPECT_EQ(p.search_button().get_label(), "_Search Next...");
}

TEST_F(FavouritesPaneTest, FocusSelectsTheWholeTerm)
{
    Gtk::Entry& box = m_pane->search_box();
    box.select_region(0, 0);
    m_pane->tree().tree_view().grab_focus();
    box.grab_focus();
    int start = 0, end = 0;
    EXPECT_TRUE(
        wait_until([&] { return box.get_selection_bounds(start, end) && start == 0 && end == 24; }, 2000))
        << start << " " << end;
}

TEST(MnemonicLabel, TurnsAccessKeysIntoGtkMnemonics)
{
    EXPECT_EQ(mnemonic_label("&Search"), "_Search");
    EXPECT_EQ(mnemonic_label("&Search Next..."), "_Search Next...");
    EXPECT_EQ(mnemonic_label("Fish && Chips_1"), "Fish & Chips__1");
}

} // namespace
