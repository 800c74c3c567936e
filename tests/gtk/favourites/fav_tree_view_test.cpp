// The favourites tree view under Xvfb, over a tree model filled by a real scan
// of a temporary Favorites folder: rows, pictures, selection and expansion both
// ways, mouse clicks, the context-menu key, label editing and a large tree.
#include "favourites/context_menu.h"
#include "platform/gtk/fav_tree_view.h"
#include "tests/gtk/favourites/fav_gtk_support.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <filesystem>

using namespace driftway;
using driftway::platform::gtk::FavTreeView;
using driftway::testing::wait_until;
namespace fav = driftway::favourites;
namespace dt = driftway::testing;

namespace {

// Sends a button press and release to a row the way the display would.
class Pointer {
public:
    explicit Pointer(Gtk::TreeView& view) : m_view(view) {}

    void click(const Gtk::TreePath& path, guint button)
    {
        Gdk::Rectangle cell;
        m_view.get_cell_area(path, *m_view.get_column(0), cell);
        const double x = cell.get_x() + 30, y = cell.get_y() + cell.get_height() / 2.0;
        send(GDK_BUTTON_PRESS, button, x, y);
        send(GDK_BUTTON_RELEASE, button, x, y);
    }

private:
    void send(GdkEventType type, guint button, double x, double y)
    {
        GdkWindow* bin = gtk_tree_view_get_bin_window(m_view.gobj());
        GdkEvent* event = gdk_event_new(type);
        event->button.window = GDK_WINDOW(g_object_ref(bin));
        event->button.send_event = TRUE;
        // Far apart in time, so that two clicks never make a double click.
        m_time += 10000;
        event->button.time = m_time;
        event->button.x = x;
        event->button.y = y;
        event->button.button = button;
        gdk_event_set_device(event,
                             gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_window_get_display(bin))));
        gtk_main_do_event(event);
        gdk_event_free(event);
    }

    Gtk::TreeView& m_view;
    guint32 m_time = 1000;
};

std::vector<std::string> child_texts(FavTreeView& view, int index)
{
    std::vector<std::string> texts;
    const auto model = view.tree_view().get_model();
    const auto it = model->get_iter(view.path_of(index));
    for (const auto& row : it->children()) {
        Glib::ustring text;
        row.get_value(1, text);
        texts.push_back(text);
    }
    return texts;
}

GtkWidget* label_editor(Gtk::TreeView& view)
{
    GList* children = gtk_container_get_children(GTK_CONTAINER(view.gobj()));
    GtkWidget* editor = nullptr;
    for (GList* l = children; l; l = l->next)
        if (GTK_IS_ENTRY(l->data))
            editor = GTK_WIDGET(l->data);
    g_list_free(children);
    return editor;
}

class FavTreeViewTest : public ::testing::Test, protected dt::FavFolderFixture {
protected:
    void SetUp() override
    {
        folder("A/A1");
        url_file("A/A1/deep.url", "https://deep.example/");
        url_file("A/alpha.url", "https://alpha.example/");
        url_file("B/beta.url", "https://beta.example/");
        url_file("News.url", "https://news.example/");
        url_file("Tool.lnk", "not a shortcut");
        m_view = std::make_unique<FavTreeView>(m_fw.tree);
        m_view->on_mouse_up = [this](fav::MouseButton b, double x, double y) {
            m_faves.TreeMouseUp(m_fw, b, x, y);
        };
        m_view->on_after_label_edit = [this](const std::string& text) {
            ++m_label_edits;
            return m_faves.AfterLabelEdit(m_fw, text);
        };
        m_window.add(*m_view);
        m_window.set_default_size(300, 400);
        m_window.show_all();
        ASSERT_TRUE(wait_until([&] { return m_view->tree_view().get_mapped(); }));
        m_faves.LoadFavorites(m_fw);
        // Node order: Favorites, A, A1, deep, alpha, B, beta, News, Tool.
        ASSERT_EQ(m_fw.tree.Count(), 9);
        ASSERT_TRUE(wait_until([&] { return laid_out(); }));
    }

    // Rows get their heights from GTK's idle layout; clicks need them.
    bool laid_out()
    {
        Gdk::Rectangle first, last;
        auto& view = m_view->tree_view();
        view.get_cell_area(m_view->path_of(1), *view.get_column(0), first);
        view.get_cell_area(m_view->path_of(node("Tool")), *view.get_column(0), last);
        return last.get_y() >= first.get_y() + 4 * first.get_height();
    }
    void TearDown() override { m_faves.WindowClosed(m_fw); }

    int node(const std::string& text) const
    {
        for (int i = 1; i <= m_fw.tree.Count(); ++i)
            if (m_fw.tree.Text(i) == text)
                return i;
        return 0;
    }

    Gtk::Window m_window;
    dt::TestFavWindow m_fw{&m_window};
    fav::ModFaves m_faves;
    std::unique_ptr<FavTreeView> m_view;
    int m_label_edits = 0;
};

TEST_F(FavTreeViewTest, MirrorsTheScanWithTheRootOpenAndSelected)
{
    FavTreeView& v = *m_view;
    EXPECT_EQ(child_texts(v, 1), (std::vector<std::string>{"A", "B", "News", "Tool"}));
    EXPECT_TRUE(v.tree_view().row_expanded(v.path_of(1)));
    EXPECT_FALSE(v.tree_view().row_expanded(v.path_of(node("A"))));
    EXPECT_EQ(v.index_at(v.tree_view().get_selection()->get_selected_rows().at(0)), 1);

    // Pictures: the selected root shows image 2, a closed folder 1, items 3.
    EXPECT_EQ(v.shown_image(1), fav::kImageFolderSelected);
    EXPECT_EQ(v.shown_image(node("A")), fav::kImageFolder);
    EXPECT_EQ(v.shown_image(node("News")), fav::kImageItem);
    EXPECT_EQ(v.shown_image(node("Tool")), fav::kImageItem);
    // The cell really draws that picture.
    auto column = v.tree_view().get_column(0);
    const auto model = v.tree_view().get_model();
    column->cell_set_cell_data(model, model->get_iter(v.path_of(1)), false, true);
    const auto cells = column->get_cells();
    Glib::RefPtr<Gdk::Pixbuf> drawn;
    cells.at(0)->get_property("pixbuf", drawn);
    EXPECT_EQ(drawn, v.picture(fav::kImageFolderSelected));

    // Inside a closed folder nothing has a row yet, but it opens on demand.
    EXPECT_TRUE(v.path_of(node("deep")).empty());
    v.tree_view().expand_row(v.path_of(node("A")), false);
    EXPECT_EQ(child_texts(v, node("A")), (std::vector<std::string>{"A1", "alpha"}));
}

TEST_F(FavTreeViewTest, TheUsersSelectionAndExpansionReachTheModelAndComeBack)
{
    FavTreeView& v = *m_view;
    auto& tree = m_fw.tree;
    const int a = node("A"), a1 = node("A1"), deep = node("deep");

    v.tree_view().expand_row(v.path_of(a), false);
    EXPECT_TRUE(tree.Expanded(a));
    v.tree_view().expand_row(v.path_of(a1), false);
    v.tree_view().set_cursor(v.path_of(deep));
    EXPECT_EQ(tree.SelectedItem(), deep);

    // Closing A moves the selection to A, as in the view; reopening A opens
    // A1 again because the model still has it open.
    v.tree_view().collapse_row(v.path_of(a));
    EXPECT_FALSE(tree.Expanded(a));
    EXPECT_TRUE(tree.Expanded(a1));
    EXPECT_EQ(tree.SelectedItem(), a);
    EXPECT_EQ(v.shown_image(a), fav::kImageFolderSelected);
    tree.SetExpanded(a, true);
    EXPECT_TRUE(v.tree_view().row_expanded(v.path_of(a)));
    EXPECT_TRUE(v.tree_view().row_expanded(v.path_of(a1)));

    // Selecting a node in closed folders from the model opens them.
    tree.SetExpanded(a, false);
    tree.SetSelected(deep, true);
    EXPECT_TRUE(tree.Expanded(a));
    EXPECT_TRUE(v.tree_view().get_selection()->is_selected(v.path_of(deep)));

    // A search hit: selected, then drawn as the drop-highlight row.
    tree.SetSelected(node("beta"), true);
    tree.SetDropHighlight(node("beta"));
    EXPECT_TRUE(tree.Expanded(node("B")));
    Gtk::TreePath dest;
    Gtk::TreeViewDropPosition pos{};
    v.tree_view().get_drag_dest_row(dest, pos);
    EXPECT_EQ(v.index_at(dest), node("beta"));
    EXPECT_EQ(pos, Gtk::TREE_VIEW_DROP_INTO_OR_BEFORE);
    tree.SetDropHighlight(0);
    v.tree_view().get_drag_dest_row(dest, pos);
    EXPECT_TRUE(dest.empty());
}

TEST_F(FavTreeViewTest, ClicksReachTheHandlerAndARightClickLeavesTheSelection)
{
    FavTreeView& v = *m_view;
    Pointer pointer(v.tree_view());

    pointer.click(v.path_of(node("News")), 1);
    EXPECT_EQ(m_fw.tree.SelectedItem(), node("News"));
    EXPECT_EQ(m_fw.navigations, (std::vector<std::string>{"https://news.example/"}));

    pointer.click(v.path_of(node("B")), 3);
    EXPECT_EQ(m_fw.tree.SelectedItem(), node("News"));
    EXPECT_EQ(m_fw.popups, 1);
    EXPECT_TRUE(v.tree_view().get_selection()->is_selected(v.path_of(node("News"))));

    // The root ignores both buttons.
    pointer.click(v.path_of(1), 3);
    EXPECT_EQ(m_fw.popups, 1);

    int keys = 0;
    v.on_context_menu_key = [&] { ++keys; };
    EXPECT_TRUE(gtk_bindings_activate(G_OBJECT(v.tree_view().gobj()), GDK_KEY_F10, GDK_SHIFT_MASK));
    EXPECT_TRUE(gtk_bindings_activate(G_OBJECT(v.tree_view().gobj()), GDK_KEY_Menu, GdkModifierType(0)));
    EXPECT_EQ(keys, 2);
    EXPECT_EQ(m_fw.tree.SelectedItem(), node("News"));
}

TEST_F(FavTreeViewTest, ALabelEditRenamesThroughTheWindowsHandler)
{
    FavTreeView& v = *m_view;
    m_fw.tree.SetSelected(node("News"), true);
    m_fw.tree.StartLabelEdit();
    ASSERT_TRUE(v.editing());
    GtkWidget* editor = label_editor(v.tree_view());
    ASSERT_NE(editor, nullptr);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(editor)), "News");

    gtk_entry_set_text(GTK_ENTRY(editor), "Daily");
    gtk_cell_editable_editing_done(GTK_CELL_EDITABLE(editor));
    ASSERT_TRUE(wait_until([&] { return m_label_edits == 1; }, 5000));
    EXPECT_FALSE(std::filesystem::exists(root() + "/News.url"));
    EXPECT_TRUE(std::filesystem::exists(root() + "/Daily.url"));
    const int daily = m_fw.tree.SelectedItem();
    ASSERT_NE(daily, 0);
    EXPECT_EQ(m_fw.tree.Key(daily), root() + "/Daily.url");
    EXPECT_TRUE(v.tree_view().get_selection()->is_selected(v.path_of(daily)));
    Glib::ustring shown;
    v.tree_view().get_model()->get_iter(v.path_of(daily))->get_value(1, shown);
    EXPECT_EQ(shown, "Daily");

    // Cancelling the editor renames nothing.
    m_fw.tree.StartLabelEdit();
    editor = label_editor(v.tree_view());
    ASSERT_NE(editor, nullptr);
    gtk_entry_set_text(GTK_ENTRY(editor), "Other");
    g_object_set(editor, "editing-canceled", TRUE, nullptr);
    gtk_cell_editable_editing_done(GTK_CELL_EDITABLE(editor));
    dt::pump_for(100);
    EXPECT_EQ(m_label_edits, 1);
    EXPECT_FALSE(v.editing());
    EXPECT_TRUE(std::filesystem::exists(root() + "/Daily.url"));

    // New Folder from the context menu opens the new node's label on the
    // freshly rebuilt tree, and typing a name renames it on disk.
    fav::mnuRFav_Click(m_faves, m_fw, fav::kRFavNewFolder);
    ASSERT_TRUE(std::filesystem::is_directory(root() + "/New folder"));
    ASSERT_TRUE(v.editing());
    editor = label_editor(v.tree_view());
    ASSERT_NE(editor, nullptr);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(editor)), "New folder");
    EXPECT_TRUE(gtk_widget_is_focus(editor));
    gtk_entry_set_text(GTK_ENTRY(editor), "Projects");
    gtk_cell_editable_editing_done(GTK_CELL_EDITABLE(editor));
    ASSERT_TRUE(wait_until([&] { return m_label_edits == 2; }, 5000));
    EXPECT_TRUE(std::filesystem::is_directory(root() + "/Projects"));
    EXPECT_EQ(m_fw.tree.Key(m_fw.tree.SelectedItem()), root() + "/Projects/");
}

TEST_F(FavTreeViewTest, ARefreshShowsTheFolderAsItIsNow)
{
    FavTreeView& v = *m_view;
    v.tree_view().expand_row(v.path_of(node("A")), false);
    url_file("Zeta.url", "https://zeta.example/");
    m_faves.RefreshFavorites(m_fw);
    EXPECT_EQ(child_texts(v, 1), (std::vector<std::string>{"A", "B", "News", "Tool", "Zeta"}));
    EXPECT_FALSE(v.tree_view().row_expanded(v.path_of(node("A"))));
    EXPECT_EQ(v.index_at(v.tree_view().get_selection()->get_selected_rows().at(0)), 1);
}

// A tree of 100,000 favourites in 10,000 folders: a rebuild makes rows only
// for what is shown, and any node can still be reached.
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
    const std::string root = "/fav/";
    tree.Add(std::nullopt, fav::Relationship::Child, root, "Favorites", 1, 2);
    for (int f = 0; f < 10000; ++f) {
        const std::string parent = f < 100 ? root : root + "F" + std::to_string(f / 100) + "/";
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
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 1000);
    EXPECT_LT(view.row_count(), 300);

    const int last = tree.Count();
    tree.SetSelected(last, true);
    tree.EnsureVisible(last);
    EXPECT_TRUE(view.tree_view().get_selection()->is_selected(view.path_of(last)));
    EXPECT_EQ(view.shown_image(last), fav::kImageItem);
}

} // namespace
