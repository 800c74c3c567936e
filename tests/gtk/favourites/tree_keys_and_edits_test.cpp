// The favourites tree as users drive it: F2 and a click on the selected row
// open a label edit, a click elsewhere keeps the typed name, a folder name
// that would hide the folder is refused, Enter opens favourites and folders,
// and a dragged node lands in the folder under the drop row.
#include "favourites/context_menu.h"
#include "gtk/fav_tree_view.h"
#include "tests/gtk/favourites/fav_gtk_support.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/entry.h>
#include <gtkmm/box.h>

#include <filesystem>

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
        m_view.on_after_label_edit = [this](const std::string& text) { return m_faves.AfterLabelEdit(m_fw, text); };
        m_view.on_open_selected = [this] { m_faves.TreeOpenSelected(m_fw); };
        m_view.on_mouse_up = [this](fav::MouseButton b, double x, double y) { m_faves.TreeMouseUp(m_fw, b, x, y); };
        m_view.on_drop = [this](int node, int target) { fav::DropOnFolder(m_faves, m_fw, node, target); };
        m_box.pack_start(m_other, Gtk::PACK_SHRINK);
        m_box.pack_start(m_view);
        m_window.add(m_box);
        m_window.set_default_size(300, 400);
        m_window.show_all();
        m_faves.LoadFavorites(m_fw);
        // Rows get their places from GTK's idle layout; clicks need them.
        ASSERT_TRUE(wait_until([&] {
            Gdk::Rectangle last;
            m_view.tree_view().get_cell_area(m_view.path_of(node("News.url")), *m_view.tree_view().get_column(0),
                                             last);
            return last.get_y() > 0;
        }));
    }
    void TearDown() override { m_faves.WindowClosed(m_fw); }
    int node(const std::string& relative) { return fav::find_node_by_key(m_fw.tree, root() + "/" + relative); }
    void key(guint keyval)
    {
        GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
        event->key.window = GDK_WINDOW(g_object_ref(m_view.tree_view().get_window()->gobj()));
        event->key.keyval = keyval;
        gtk_widget_event(GTK_WIDGET(m_view.tree_view().gobj()), event);
        gdk_event_free(event);
    }
    // Lets GTK give the rows their places, as it does before the user acts.
    void settle()
    {
        Gtk::TreePath first, last;
        ASSERT_TRUE(wait_until([&] { return m_view.tree_view().get_visible_range(first, last); }));
    }
    // Sends a press and release on a row's label, as the display would.
    void click(int index)
    {
        settle();
        static guint32 time = 1000;
        Gdk::Rectangle cell;
        m_view.tree_view().get_cell_area(m_view.path_of(index), *m_view.tree_view().get_column(0), cell);
        GdkWindow* bin = gtk_tree_view_get_bin_window(m_view.tree_view().gobj());
        for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
            GdkEvent* event = gdk_event_new(type);
            event->button.window = GDK_WINDOW(g_object_ref(bin));
            event->button.time = time += 10000;
            event->button.x = cell.get_x() + 40;
            event->button.y = cell.get_y() + cell.get_height() / 2.0;
            event->button.button = 1;
            gdk_event_set_device(event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
            gtk_main_do_event(event);
            gdk_event_free(event);
        }
    }
    // Ends an open label edit by giving the focus to another widget.
    void focus_elsewhere(const std::string& typed)
    {
        GtkWidget* editor = driftway::testing::label_editor(m_view.tree_view());
        ASSERT_NE(editor, nullptr);
        gtk_entry_set_text(GTK_ENTRY(editor), typed.c_str());
        m_other.grab_focus();
        GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
        event->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(editor)));
        event->focus_change.in = FALSE;
        gtk_widget_send_focus_change(editor, event);
        gdk_event_free(event);
    }

    Gtk::Window m_window;
    Gtk::Box m_box{Gtk::ORIENTATION_VERTICAL};
    Gtk::Entry m_other;
    driftway::testing::TestFavWindow m_fw{&m_window};
    fav::ModFaves m_faves;
    driftway::gtk::FavTreeView m_view{m_fw.tree};
};

TEST_F(TreeUse, EditsStartByKeyOrClickAndEndKeptByFocusOrRefusedForDotFolders)
{
    m_view.tree_view().grab_focus();
    key(GDK_KEY_F2); // the root keeps its name
    EXPECT_FALSE(m_view.editing());
    m_fw.tree.SetSelected(node("News.url"), true);
    key(GDK_KEY_F2);
    ASSERT_TRUE(m_view.editing());
    focus_elsewhere("Daily");
    EXPECT_TRUE(wait_until([&] { return fs::exists(root() + "/Daily.url"); }, 5000)) << "kept on focus-out";
    EXPECT_FALSE(fs::exists(root() + "/News.url"));

    // A click on the label of the selected row opens the editor; Escape (the
    // editor's own cancel) keeps the old name.
    ASSERT_TRUE(wait_until([&] { return !m_view.path_of(node("A/")).empty(); }));
    m_fw.tree.SetSelected(node("A/"), true);
    m_view.tree_view().grab_focus();
    click(node("A/"));
    ASSERT_TRUE(wait_until([&] { return m_view.editing(); }, 5000));
    ASSERT_TRUE(driftway::testing::type_label(m_view.tree_view(), "Other", true));
    driftway::testing::pump_for(100);
    EXPECT_TRUE(fs::is_directory(root() + "/A"));

    m_fw.tree.StartLabelEdit();
    ASSERT_TRUE(driftway::testing::type_label(m_view.tree_view(), ".A"));
    ASSERT_TRUE(wait_until([&] { return !m_fw.scripted().shown.empty(); }, 5000));
    EXPECT_NE(m_fw.scripted().shown.back().find("would vanish"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(root() + "/A"));
    EXPECT_NE(node("A/"), 0);
}

TEST_F(TreeUse, EnterOpensFavouritesAndFoldersAndDropsMoveIntoTheHighlightedFolder)
{
    m_fw.tree.SetSelected(node("A/"), true);
    key(GDK_KEY_Return);
    EXPECT_TRUE(m_view.tree_view().row_expanded(m_view.path_of(node("A/"))));
    key(GDK_KEY_Return);
    EXPECT_FALSE(m_view.tree_view().row_expanded(m_view.path_of(node("A/"))));
    m_fw.tree.SetSelected(node("News.url"), true);
    key(GDK_KEY_KP_Enter);
    EXPECT_EQ(m_fw.navigations, std::vector<std::string>{"https://news.example/"});

    // Over a folder the drop row is highlighted; over itself or an item, none.
    const auto row_y = [&](int index) {
        Gdk::Rectangle cell;
        m_view.tree_view().get_cell_area(m_view.path_of(index), *m_view.tree_view().get_column(0), cell);
        return cell.get_y() + cell.get_height() / 2;
    };
    const int news = node("News.url");
    settle();
    EXPECT_EQ(m_view.drag_over(news, 40, row_y(node("B/"))), node("B/"));
    GtkTreePath* highlighted = nullptr;
    gtk_tree_view_get_drag_dest_row(m_view.tree_view().gobj(), &highlighted, nullptr);
    ASSERT_NE(highlighted, nullptr);
    EXPECT_EQ(Gtk::TreePath(highlighted, false), m_view.path_of(node("B/")));
    EXPECT_EQ(m_view.drag_over(news, 40, row_y(news)), 0);
    gtk_tree_view_get_drag_dest_row(m_view.tree_view().gobj(), &highlighted, nullptr);
    EXPECT_EQ(highlighted, nullptr);
    m_view.drag_ended(news, node("B/"));
    EXPECT_TRUE(fs::exists(root() + "/B/News.url"));
    EXPECT_EQ(m_fw.tree.Key(m_fw.tree.SelectedItem()), root() + "/B/News.url");
}

} // namespace

