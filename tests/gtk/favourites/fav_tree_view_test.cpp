// The favourites tree view over a real scan of a temporary Favorites folder:
// rows and pictures, selection and expansion both ways, clicks, the
// context-menu keys, label edits and a large tree.
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

// Sends a press and release to a row as the display would, far apart in time
// so that two clicks never make a double click.
void click_row(FavTreeView& v, int index, guint button)
{
    static guint32 time = 1000;
    Gdk::Rectangle cell;
    v.tree_view().get_cell_area(v.path_of(index), *v.tree_view().get_column(0), cell);
    GdkWindow* bin = gtk_tree_view_get_bin_window(v.tree_view().gobj());
    for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
        GdkEvent* event = gdk_event_new(type);
        event->button.window = GDK_WINDOW(g_object_ref(bin));
        event->button.send_event = TRUE;
        event->button.time = time += 10000;
        event->button.x = cell.get_x() + 30;
        event->button.y = cell.get_y() + cell.get_height() / 2.0;
        event->button.button = button;
        gdk_event_set_device(event,
                             gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_window_get_display(bin))));
        gtk_main_do_event(event);
        gdk_event_free(event);
    }
}

std::vector<std::string> child_texts(FavTreeView& view, int index)
{
    std::vector<std::string> texts;
    for (const auto& row : view.tree_view().get_model()->get_iter(view.path_of(index))->children()) {
        Glib::ustring text;
        row.get_value(1, text);
        texts.push_back(text);
    }
    return texts;
}

class FavTreeViewTest : public ::testing::Test, protected driftway::testing::FavFolderFixture {
protected:
    void SetUp() override
    {
        folder("A/A1");
        url_file("A/A1/deep.url", "https://deep.example/");
        url_file("A/alpha.url", "https://alpha.example/");
        url_file("B/beta.url", "https://beta.example/");
        url_file("News.url", "https://news.example/");
        url_file("Tool.lnk", "not a shortcut");
        m_view.on_mouse_up = [this](fav::MouseButton b, double x, double y) {
            m_faves.TreeMouseUp(m_fw, b, x, y);
        };
        m_view.on_after_label_edit = [this](const std::string& text) {
            ++m_label_edits;
            return m_faves.AfterLabelEdit(m_fw, text);
        };
        m_window.add(m_view);
        m_window.set_default_size(300, 400);
        m_window.show_all();
        ASSERT_TRUE(wait_until([&] { return m_view.tree_view().get_mapped(); }));
        m_faves.LoadFavorites(m_fw);
        // Node order: Favorites, A, A1, deep, alpha, B, beta, News, Tool.
        ASSERT_EQ(m_fw.tree.Count(), 9);
        // Rows get their heights from GTK's idle layout; clicks need them.
        ASSERT_TRUE(wait_until([&] {
            Gdk::Rectangle first, last;
            m_view.tree_view().get_cell_area(m_view.path_of(1), *m_view.tree_view().get_column(0), first);
            m_view.tree_view().get_cell_area(m_view.path_of(node("Tool")), *m_view.tree_view().get_column(0),
                                             last);
            return last.get_y() >= first.get_y() + 4 * first.get_height();
        }));
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

TEST_F(FavTreeViewTest, MirrorsTheScanWithTheRootOpenAndSelectedAndARefreshShowsTheFolderAgain)
{
    FavTreeView& v = m_view;
    EXPECT_EQ(child_texts(v, 1), (std::vector<std::string>{"A", "B", "News", "Tool"}));
    EXPECT_TRUE(v.tree_view().row_expanded(v.path_of(1)));
    EXPECT_FALSE(v.tree_view().row_expanded(v.path_of(node("A"))));
    EXPECT_TRUE(selected_in_view(1));
    EXPECT_EQ((std::vector{v.shown_image(1), v.shown_image(node("A")), v.shown_image(node("Tool"))}),
              (std::vector{fav::kImageFolderSelected, fav::kImageFolder, fav::kImageItem}));
    // The cell really draws that picture.
    auto column = v.tree_view().get_column(0);
    column->cell_set_cell_data(v.tree_view().get_model(), v.tree_view().get_model()->get_iter(v.path_of(1)),
                               false, true);
    Glib::RefPtr<Gdk::Pixbuf> drawn;
    column->get_cells().at(0)->get_property("pixbuf", drawn);
    EXPECT_EQ(drawn, v.picture(fav::kImageFolderSelected));
    // Inside a closed folder nothing has a row yet, but it opens on demand.
    EXPECT_TRUE(v.path_of(node("deep")).empty());
    v.tree_view().expand_row(v.path_of(node("A")), false);
    EXPECT_EQ(child_texts(v, node("A")), (std::vector<std::string>{"A1", "alpha"}));

    url_file("Zeta.url", "https://zeta.example/");
    m_faves.RefreshFavorites(m_fw);
    EXPECT_EQ(child_texts(v, 1), (std::vector<std::string>{"A", "B", "News", "Tool", "Zeta"}));
    EXPECT_FALSE(v.tree_view().row_expanded(v.path_of(node("A"))));
    EXPECT_TRUE(selected_in_view(1));
}

TEST_F(FavTreeViewTest, TheUsersSelectionAndExpansionReachTheModelAndComeBack)
{
    auto& tv = m_view.tree_view();
    auto& tree = m_fw.tree;
    const int a = node("A"), a1 = node("A1"), deep = node("deep");
    tv.expand_row(m_view.path_of(a), false);
    EXPECT_TRUE(tree.Expanded(a));
    tv.expand_row(m_view.path_of(a1), false);
    tv.set_cursor(m_view.path_of(deep));
    EXPECT_EQ(tree.SelectedItem(), deep);

    // Closing A moves the selection to A, as in the view; reopening A opens
    // A1 again because the model still has it open.
    tv.collapse_row(m_view.path_of(a));
    EXPECT_FALSE(tree.Expanded(a));
    EXPECT_TRUE(tree.Expanded(a1));
    EXPECT_EQ(tree.SelectedItem(), a);
    EXPECT_EQ(m_view.shown_image(a), fav::kImageFolderSelected);
    tree.SetExpanded(a, true);
    EXPECT_TRUE(tv.row_expanded(m_view.path_of(a)) && tv.row_expanded(m_view.path_of(a1)));

    // Selecting a node in closed folders from the model opens them.
    tree.SetExpanded(a, false);
    tree.SetSelected(deep, true);
    EXPECT_TRUE(tree.Expanded(a));
    EXPECT_TRUE(selected_in_view(deep));
}

TEST_F(FavTreeViewTest, ClicksReachTheHandlerAndARightClickLeavesTheSelection)
{
    click_row(m_view, node("News"), 1);
    EXPECT_EQ(m_fw.tree.SelectedItem(), node("News"));
    EXPECT_EQ(m_fw.navigations, (std::vector<std::string>{"https://news.example/"}));
    click_row(m_view, node("B"), 3);
    EXPECT_EQ(m_fw.tree.SelectedItem(), node("News"));
    EXPECT_EQ(m_fw.popups, 1);
    EXPECT_TRUE(selected_in_view(node("News")));
    click_row(m_view, 1, 3); // the root ignores both buttons
    EXPECT_EQ(m_fw.popups, 1);

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
