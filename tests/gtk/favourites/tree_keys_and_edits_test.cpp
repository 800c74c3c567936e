// The favourites tree as users drive it: F2 opens a label edit, focus going
// elsewhere keeps the typed name, a folder name that would hide the folder
// is refused, Enter opens favourites and folders, and a dragged node lands in
// the folder highlighted under the pointer.
#include "favourites/context_menu.h"
#include "gtk/fav_tree_view.h"
#include "tests/gtk/favourites/fav_gtk_support.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/box.h>
#include <gtkmm/entry.h>

#include <filesystem>

using driftway::testing::type_label;
using driftway::testing::wait_until;
namespace fav = driftway::favourites;
namespace fs = std::filesystem;

namespace {

class TreeUse : public ::testing::Test, protected driftway::testing::FavFolderFixture {
protected:
    void SetUp() override
    {
        folder("A/Inner");
        url_file("B/beta.url", "https://beta.example/");
        url_file("News.url", "https://news.example/");
        m_view.on_after_label_edit = [this](const std::string& text) {
            return m_faves.AfterLabelEdit(m_fw, text);
        };
        m_view.on_open_selected = [this] { m_faves.TreeOpenSelected(m_fw); };
        m_view.on_drop = [this](int node, int target) { fav::DropOnFolder(m_faves, m_fw, node, target); };
        m_box.pack_start(m_other, Gtk::PACK_SHRINK);
        m_box.pack_start(m_view);
        m_window.add(m_box);
        m_window.set_default_size(300, 400);
        m_window.show_all();
        m_faves.LoadFavorites(m_fw);
        // Rows get their places from GTK's idle layout, as before a user acts.
        Gtk::TreePath first, last;
        ASSERT_TRUE(wait_until([&] { return m_view.tree_view().get_visible_range(first, last); }));
    }
    void TearDown() override { m_faves.WindowClosed(m_fw); }
    int node(const std::string& relative)
    {
        return fav::find_node_by_key(m_fw.tree, root() + "/" + relative);
    }
    void key(guint keyval)
    {
        GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
        event->key.window = GDK_WINDOW(g_object_ref(m_view.tree_view().get_window()->gobj()));
        event->key.keyval = keyval;
        gtk_widget_event(GTK_WIDGET(m_view.tree_view().gobj()), event);
        gdk_event_free(event);
    }
    int row_y(int index)
    {
        Gdk::Rectangle cell;
        m_view.tree_view().get_cell_area(m_view.path_of(index), *m_view.tree_view().get_column(0), cell);
        return cell.get_y() + cell.get_height() / 2;
    }

    Gtk::Window m_window;
    Gtk::Box m_box{Gtk::ORIENTATION_VERTICAL};
    Gtk::Entry m_other;
    driftway::testing::TestFavWindow m_fw{&m_window};
    fav::ModFaves m_faves;
    driftway::gtk::FavTreeView m_view{m_fw.tree};
};

TEST_F(TreeUse, F2EditsAndFocusElsewhereKeepsTheNameButADotFolderNameIsRefused)
{
    key(GDK_KEY_F2); // the root keeps its name
    EXPECT_FALSE(m_view.editing());
    m_fw.tree.SetSelected(node("News.url"), true);
    key(GDK_KEY_F2);
    GtkWidget* editor = driftway::testing::label_editor(m_view.tree_view());
    ASSERT_NE(editor, nullptr);
    gtk_entry_set_text(GTK_ENTRY(editor), "Daily");
    // The user clicks elsewhere: the focus moves, and the editor hears it.
    m_other.grab_focus();
    GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
    event->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(editor)));
    gtk_widget_send_focus_change(editor, event);
    gdk_event_free(event);
    EXPECT_TRUE(wait_until([&] { return fs::exists(root() + "/Daily.url"); }, 5000)) << "kept on focus-out";

    m_fw.tree.SetSelected(node("A/"), true);
    m_fw.tree.StartLabelEdit();
    ASSERT_TRUE(type_label(m_view.tree_view(), ".A"));
    ASSERT_TRUE(wait_until([&] { return !m_fw.scripted().messages.empty(); }, 5000));
    EXPECT_NE(m_fw.scripted().messages.back().text.find("would vanish"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(root() + "/A"));
    EXPECT_NE(node("A/"), 0);
}

TEST_F(TreeUse, EnterOpensFavouritesAndFoldersAndADropMovesIntoTheHighlightedFolder)
{
    m_fw.tree.SetSelected(node("A/"), true);
    key(GDK_KEY_Return);
    EXPECT_TRUE(m_view.tree_view().row_expanded(m_view.path_of(node("A/"))));
    key(GDK_KEY_Return);
    EXPECT_FALSE(m_view.tree_view().row_expanded(m_view.path_of(node("A/"))));
    m_fw.tree.SetSelected(node("News.url"), true);
    key(GDK_KEY_KP_Enter);
    EXPECT_EQ(m_fw.navigations, std::vector<std::string>{"https://news.example/"});

    const int news = node("News.url");
    Gtk::TreePath first, last;
    ASSERT_TRUE(wait_until([&] { return m_view.tree_view().get_visible_range(first, last); }));
    const auto highlighted = [&] {
        GtkTreePath* path = nullptr;
        gtk_tree_view_get_drag_dest_row(m_view.tree_view().gobj(), &path, nullptr);
        return path ? Gtk::TreePath(path, false) : Gtk::TreePath();
    };
    EXPECT_EQ(m_view.drag_over(news, 40, row_y(news)), 0);
    EXPECT_TRUE(highlighted().empty());
    EXPECT_EQ(m_view.drag_over(news, 40, row_y(node("B/"))), node("B/"));
    EXPECT_EQ(highlighted(), m_view.path_of(node("B/")));
    m_view.drag_ended(news, node("B/"));
    EXPECT_TRUE(fs::exists(root() + "/B/News.url"));
    EXPECT_EQ(m_fw.tree.Key(m_fw.tree.SelectedItem()), root() + "/B/News.url");
}

} // namespace
