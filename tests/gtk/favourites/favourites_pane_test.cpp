// The favourites pane: the PicFav buttons, and the search box and button over
// a scanned tree. Where its children sit is the window's layout's.
#include "gtk/favourites_pane.h"
#include "tests/gtk/favourites/fav_gtk_support.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

using namespace driftway;
using driftway::gtk::FavouritesPane;
using driftway::testing::wait_until;

namespace {

class FavouritesPaneTest : public ::testing::Test, protected driftway::testing::FavFolderFixture {
protected:
    void SetUp() override
    {
        url_file("News/old news.url", "https://old.example/");
        url_file("Daily news.url", "https://daily.example/");
        url_file("Sports.url", "https://sports.example/");
        m_window.add(m_pane);
        m_window.set_default_size(220, 400);
        m_window.show_all();
        ASSERT_TRUE(wait_until([&] { return m_pane.get_mapped(); }));
        m_faves.LoadFavorites(m_fw);
        ASSERT_EQ(m_fw.tree.Count(), 5); // Favorites, News, old news, Daily news, Sports
    }
    void TearDown() override { m_faves.WindowClosed(m_fw); }

    Gtk::Window m_window;
    driftway::testing::TestFavWindow m_fw{&m_window};
    favourites::ModFaves m_faves;
    FavouritesPane m_pane{m_fw.tree, m_fw.prompts(), 15};
};

// The search itself is the core's; here its button, the tree view's
// selection and highlight, the entry's edits and focus.
TEST_F(FavouritesPaneTest, ThePicFavButtonsReportAndTheSearchButtonShowsEachHitInTheTree)
{
    FavouritesPane& p = m_pane;
    auto& view = p.tree().tree_view();
    std::vector<int> clicked;
    p.on_picfav = [&](int i) { clicked.push_back(i); };
    for (int i : {2, 0, 1})
        p.fav_button(i).clicked();
    EXPECT_EQ(clicked, (std::vector<int>{2, 0, 1}));
    p.search_box().set_text("NEWS");
    p.search_button().clicked();
    EXPECT_EQ(p.search_button().get_label(), "_Search Next...");
    // Access keys become mnemonics; a literal & or _ stays one.
    EXPECT_EQ(gtk::mnemonic_label("Fish && Chips_1"), "Fish & Chips__1");
    p.search_button().clicked();
    // The hit inside News is selected and drawn as the drop-highlight row,
    // its folder opened to show it.
    EXPECT_EQ(m_fw.tree.SelectedItem(), 3);
    EXPECT_TRUE(view.get_selection()->is_selected(p.tree().path_of(3)));
    Gtk::TreePath dest;
    Gtk::TreeViewDropPosition pos{};
    view.get_drag_dest_row(dest, pos);
    EXPECT_EQ(p.tree().index_at(dest), 3);
    EXPECT_EQ(pos, Gtk::TREE_VIEW_DROP_INTO_OR_BEFORE);
    // Any edit of the term starts over at the top.
    p.search_box().set_text("news");
    p.search_button().clicked();
    EXPECT_EQ(m_fw.tree.SelectedItem(), 2);
    m_fw.tree.SetDropHighlight(0);
    view.get_drag_dest_row(dest, pos);
    EXPECT_TRUE(dest.empty());

    // Focus selects the whole term.
    p.search_box().select_region(0, 0);
    view.grab_focus();
    p.search_box().grab_focus();
    int start = 0, end = 0;
    EXPECT_TRUE(
        wait_until([&] { return p.search_box().get_selection_bounds(start, end) && end - start == 4; }, 2000))
        << start << " " << end;
}

} // namespace
