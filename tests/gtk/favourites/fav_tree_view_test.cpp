// The favourites tree view over a real scan of a temporary Favorites folder:
// the context-menu keys, label edits and a large tree.
#include "favourites/context_menu.h"
#include "gtk/fav_tree_view.h"
#include "tests/gtk/favourites/fav_gtk_support.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <filesystem>

using namespace driftway;
using driftway::gtk::FavTreeView;
using driftway::testing::type_label;
using driftway::testing::wait_until;
namespace fav = driftway::favourites;
namespace fs = std::filesystem;

namespace {

class FavTreeViewTest : public ::testing::Test, protected driftway::testing::FavFolderFixture {
protected:
    void SetUp() override
    {
        url_file("A/alpha.url", "https://alpha.example/");
        url_file("News.url", "https://news.example/");
        m_view.on_after_label_edit = [this](const std::string& text) {
            ++m_label_edits;
            return m_faves.AfterLabelEdit(m_fw, text);
        };
        m_window.add(m_view);
        m_window.set_default_size(300, 400);
        m_window.show_all();
        ASSERT_TRUE(wait_until([&] { return m_view.tree_view().get_mapped(); }));
        m_faves.LoadFavorites(m_fw);
    }
    void TearDown() override { m_faves.WindowClosed(m_fw); }

    int node(const std::string& text) const
    {
        for (int i = 1; i <= m_fw.tree.Count(); ++i)
            if (m_fw.tree.Text(i) == text)
                return i;
        return 0;
    }
    bool selected_in_view(int index)
    {
        return m_view.tree_view().get_selection()->is_selected(m_view.path_of(index));
    }

    Gtk::Window m_window;
    driftway::testing::TestFavWindow m_fw{&m_window};
    fav::ModFaves m_faves;
    FavTreeView m_view{m_fw.tree};
    int m_label_edits = 0;
};

// Clicks, selection and expansion both ways are the main window's and the
// favourites monitor's tests, with the real mouse and outside changes; the
// context-menu keys are only here.
TEST_F(FavTreeViewTest, TheContextMenuKeysReachTheHandlerAndLeaveTheSelection)
{
    m_fw.tree.SetSelected(node("News"), true);
    int keys = 0;
    m_view.on_context_menu_key = [&] { ++keys; };
    EXPECT_TRUE(gtk_bindings_activate(G_OBJECT(m_view.tree_view().gobj()), GDK_KEY_F10, GDK_SHIFT_MASK));
    EXPECT_TRUE(gtk_bindings_activate(G_OBJECT(m_view.tree_view().gobj()), GDK_KEY_Menu, GdkModifierType(0)));
    EXPECT_EQ(keys, 2);
    EXPECT_EQ(m_fw.tree.SelectedItem(), node("News"));
}

TEST_F(FavTreeViewTest, ALabelEditRenamesThroughTheWindowsHandler)
{
    auto& tv = m_view.tree_view();
    m_fw.tree.SetSelected(node("News"), true);
    m_fw.tree.StartLabelEdit();
    ASSERT_TRUE(m_view.editing());
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(driftway::testing::label_editor(tv))), "News");
    ASSERT_TRUE(type_label(tv, "Daily"));
    ASSERT_TRUE(wait_until([&] { return m_label_edits == 1; }, 5000));
    EXPECT_FALSE(fs::exists(root() + "/News.url"));
    const int daily = m_fw.tree.SelectedItem();
    EXPECT_EQ(m_fw.tree.Key(daily), root() + "/Daily.url");
    EXPECT_TRUE(fs::exists(root() + "/Daily.url"));
    EXPECT_TRUE(selected_in_view(daily));
    Glib::ustring shown;
    tv.get_model()->get_iter(m_view.path_of(daily))->get_value(1, shown);
    EXPECT_EQ(shown, "Daily");

    // Cancelling the editor renames nothing.
    m_fw.tree.StartLabelEdit();
    ASSERT_TRUE(type_label(tv, "Other", true));
    driftway::testing::pump_for(100);
    EXPECT_EQ(m_label_edits, 1);
    EXPECT_FALSE(m_view.editing());

    // New Folder from the context menu opens the new node's label on the
    // freshly rebuilt tree, and typing a name renames it on disk.
    fav::mnuRFav_Click(m_faves, m_fw, fav::kRFavNewFolder);
    ASSERT_TRUE(fs::is_directory(root() + "/New folder"));
    ASSERT_TRUE(m_view.editing());
    GtkWidget* editor = driftway::testing::label_editor(tv);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(editor)), "New folder");
    EXPECT_TRUE(gtk_widget_is_focus(editor));
    ASSERT_TRUE(type_label(tv, "Projects"));
    ASSERT_TRUE(wait_until([&] { return m_label_edits == 2; }, 5000));
    EXPECT_TRUE(fs::is_directory(root() + "/Projects"));
    EXPECT_EQ(m_fw.tree.Key(m_fw.tree.SelectedItem()), root() + "/Projects/");
}

// 10,000 favourites in 1,000 folders: a rebuild makes rows only for what is
// shown, and any node can still be reached.
TEST(FavTreeViewScale, ABigTreeRebuildsQuickly)
{
    Gtk::Main::init_gtkmm_internals();
    fav::TreeModel tree;
    FavTreeView view(tree);
    Gtk::Window window;
    window.add(view);
    window.set_default_size(300, 400);
    window.show_all();
    ASSERT_TRUE(wait_until([&] { return view.tree_view().get_mapped(); }));
    tree.freeze();
    tree.Add(std::nullopt, fav::Relationship::Child, "/fav/", "Favorites", 1, 2);
    for (int f = 0; f < 1000; ++f) {
        const std::string parent = f < 100 ? "/fav/" : "/fav/F" + std::to_string(f / 100) + "/";
        const std::string key = parent + "F" + std::to_string(f) + "/";
        tree.Add(parent, fav::Relationship::Child, key, "F" + std::to_string(f), 1, 2);
        for (int i = 0; i < 9; ++i)
            tree.Add(key, fav::Relationship::Child, key + "i" + std::to_string(i) + ".url",
                     "i" + std::to_string(i), 3, 3);
    }
    tree.SetExpanded(1, true);
    tree.SetSelected(1, true);
    const auto start = std::chrono::steady_clock::now();
    tree.thaw();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_LT(view.row_count(), 300);
    const int last = tree.Count();
    tree.SetSelected(last, true);
    tree.EnsureVisible(last);
    EXPECT_TRUE(view.tree_view().get_selection()->is_selected(view.path_of(last)));
    EXPECT_EQ(view.shown_image(last), fav::kImageItem);
}

} // namespace
