// The favourites pane over a real scan of a temporary Favorites folder, as
// users drive it: label edits (F2, focus-out, Escape, New Folder, refused
// names), the keys, drops under the pointer, and the search button.
#include "favourites/context_menu.h"
#include "gtk/favourites_pane.h"
#include "tests/gtk/common/x_input.h"
#include "tests/gtk/favourites/fav_gtk_support.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <filesystem>

using namespace driftway::testing;
namespace fav = driftway::favourites;
namespace fs = std::filesystem;

namespace {

class TreeUse : public ::testing::Test, protected GtkFavFolder {
protected:
    void SetUp() override
    {
        dir.mkdir("A/Inner");
        url_file("B/beta.url", "https://beta.example/");
        url_file("A/old news.url", "https://old.example/");
        url_file("News.url", "https://news.example/");
        m_view.on_after_label_edit = [this](const std::string& text) {
            ++m_label_edits;
            return faves.AfterLabelEdit(window, text);
        };
        m_view.on_open_selected = [this] { faves.TreeOpenSelected(window); };
        m_view.on_drop = [this](int node, int target) { fav::DropOnFolder(faves, window, node, target); };
        m_pane.set_tree_rect({0, 1500, 4500, 4500});
        window.top.add(m_pane);
        window.top.set_default_size(300, 400);
        window.top.show_all();
        load();
        // Rows get their places from GTK's idle layout, as before a user acts.
        Gtk::TreePath first, last;
        ASSERT_TRUE(wait_until([&] { return m_view.tree_view().get_visible_range(first, last); }));
    }
    void TearDown() override { faves.WindowClosed(window); }
    void key(guint keyval) { send_key(GTK_WIDGET(m_view.tree_view().gobj()), keyval); }
    int row_y(int index)
    {
        Gdk::Rectangle cell;
        m_view.tree_view().get_cell_area(m_view.path_of(index), *m_view.tree_view().get_column(0), cell);
        return cell.get_y() + cell.get_height() / 2;
    }

    driftway::gtk::FavouritesPane m_pane{window.tree, window.prompts(), 15};
    driftway::gtk::FavTreeView& m_view = m_pane.tree();
    int m_label_edits = 0;
};

TEST_F(TreeUse, LabelEditsRenameOnDiskAndTheViewFollows)
{
    auto& tv = m_view.tree_view();
    key(GDK_KEY_F2); // the root keeps its name
    EXPECT_FALSE(m_view.editing());
    select("News.url");
    key(GDK_KEY_F2);
    GtkWidget* editor = label_editor(tv);
    ASSERT_NE(editor, nullptr);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(editor)), "News");
    gtk_entry_set_text(GTK_ENTRY(editor), "Daily");
    // The user clicks elsewhere: the focus moves, and the editor hears it.
    m_pane.search_box().grab_focus();
    GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
    event->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(editor)));
    gtk_widget_send_focus_change(editor, event);
    gdk_event_free(event);
    EXPECT_TRUE(wait_until([&] { return fs::exists(root() + "Daily.url"); }, 5000)) << "kept on focus-out";
    EXPECT_FALSE(fs::exists(root() + "News.url"));
    const int daily = window.tree.SelectedItem();
    EXPECT_EQ(window.tree.Key(daily), root() + "Daily.url");
    EXPECT_TRUE(tv.get_selection()->is_selected(m_view.path_of(daily)));
    Glib::ustring shown;
    tv.get_model()->get_iter(m_view.path_of(daily))->get_value(1, shown);
    EXPECT_EQ(shown, "Daily");

    // Cancelling the editor renames nothing.
    window.tree.StartLabelEdit();
    ASSERT_TRUE(type_label(tv, "Other", true));
    pump_for(100);
    EXPECT_EQ(m_label_edits, 1);
    EXPECT_FALSE(m_view.editing());

    // New Folder from the context menu opens the new node's label on the
    // freshly rebuilt tree, and typing a name renames it on disk.
    fav::mnuRFav_Click(faves, window, fav::kRFavNewFolder);
    ASSERT_TRUE(fs::is_directory(root() + "New folder"));
    ASSERT_TRUE(m_view.editing());
    editor = label_editor(tv);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(editor)), "New folder");
    EXPECT_TRUE(gtk_widget_is_focus(editor));
    ASSERT_TRUE(type_label(tv, "Projects"));
    ASSERT_TRUE(wait_until([&] { return m_label_edits == 2; }, 5000));
    EXPECT_TRUE(fs::is_directory(root() + "Projects"));
    EXPECT_EQ(window.tree.Key(window.tree.SelectedItem()), root() + "Projects/");

    select("A/");
    window.tree.StartLabelEdit();
    ASSERT_TRUE(type_label(tv, ".A"));
    ASSERT_TRUE(wait_until([&] { return !window.prompts_double.messages.empty(); }, 5000));
    EXPECT_NE(window.prompts_double.messages.back().text.find("would vanish"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(root() + "A"));
    EXPECT_NE(node("A/"), 0);
}

TEST_F(TreeUse, KeysOpenFavouritesAndFoldersAndADropMovesIntoTheHighlightedFolder)
{
    // The context-menu keys reach the window's handler and leave the selection.
    select("News.url");
    int menu_keys = 0;
    m_view.on_context_menu_key = [&] { ++menu_keys; };
    EXPECT_TRUE(gtk_bindings_activate(G_OBJECT(m_view.tree_view().gobj()), GDK_KEY_F10, GDK_SHIFT_MASK));
    EXPECT_TRUE(gtk_bindings_activate(G_OBJECT(m_view.tree_view().gobj()), GDK_KEY_Menu, GdkModifierType(0)));
    EXPECT_EQ(menu_keys, 2);
    EXPECT_EQ(window.tree.SelectedItem(), node("News.url"));

    select("A/");
    key(GDK_KEY_Return);
    EXPECT_TRUE(m_view.tree_view().row_expanded(m_view.path_of(node("A/"))));
    key(GDK_KEY_Return);
    EXPECT_FALSE(m_view.tree_view().row_expanded(m_view.path_of(node("A/"))));
    select("News.url");
    key(GDK_KEY_KP_Enter);
    EXPECT_EQ(window.navigations, std::vector<std::string>{"https://news.example/"});

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
    EXPECT_TRUE(fs::exists(root() + "B/News.url"));
    EXPECT_EQ(window.tree.Key(window.tree.SelectedItem()), root() + "B/News.url");
}

// The search itself is the core's; here its button, the tree view's
// selection and highlight, the entry's edits and focus.
TEST_F(TreeUse, ThePicFavButtonsReportAndTheSearchButtonShowsEachHitInTheTree)
{
    auto& p = m_pane;
    auto& view = m_view.tree_view();
    std::vector<int> clicked;
    p.on_picfav = [&](int i) { clicked.push_back(i); };
    for (int i : {2, 0, 1})
        p.fav_button(i).clicked();
    EXPECT_EQ(clicked, (std::vector<int>{2, 0, 1}));
    // The hit inside A is selected and drawn as the drop-highlight row, its
    // folder opened to show it.
    const int old_news = node("A/old news.url");
    p.search_box().set_text("NEWS");
    p.search_button().clicked();
    EXPECT_EQ(p.search_button().get_label(), "_Search Next...");
    EXPECT_EQ(window.tree.SelectedItem(), old_news);
    EXPECT_TRUE(view.get_selection()->is_selected(m_view.path_of(old_news)));
    Gtk::TreePath dest;
    Gtk::TreeViewDropPosition pos{};
    view.get_drag_dest_row(dest, pos);
    EXPECT_EQ(m_view.index_at(dest), old_news);
    EXPECT_EQ(pos, Gtk::TREE_VIEW_DROP_INTO_OR_BEFORE);
    p.search_button().clicked();
    EXPECT_EQ(window.tree.SelectedItem(), node("News.url"));
    // Any edit of the term starts over at the top.
    p.search_box().set_text("news");
    p.search_button().clicked();
    EXPECT_EQ(window.tree.SelectedItem(), old_news);
    window.tree.SetDropHighlight(0);
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
