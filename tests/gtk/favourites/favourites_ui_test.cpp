// The favourites dialogs and pane over a real scan of a temporary Favorites
// folder: Add Favorite, Organize Favorites (with the folder picker), the
// properties of favourites; and the pane as users drive it: label edits (F2,
// focus-out, Escape, New Folder, refused names), the keys, drops under the
// pointer, and the search button.
#include "favourites/context_menu.h"
#include "gtk/add_favorite_dialog.h"
#include "gtk/fav_dialogs.h"
#include "gtk/fav_file_work.h"
#include "gtk/favourites_pane.h"
#include "gtk/organize_favorites_dialog.h"
#include "gtk/properties_dialog.h"
#include "tests/gtk/common/x_input.h"
#include "tests/gtk/favourites/fav_gtk_support.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <filesystem>

using namespace driftway;
using namespace driftway::gtk;
using namespace driftway::testing;
namespace fav = driftway::favourites;
namespace fs = std::filesystem;

namespace {

using Properties = std::vector<std::pair<std::string, std::string>>;

void click_response(Gtk::Dialog& dialog, int response)
{
    GtkWidget* button = gtk_dialog_get_widget_for_response(dialog.gobj(), response);
    ASSERT_TRUE(button && gtk_widget_is_sensitive(button));
    gtk_button_clicked(GTK_BUTTON(button));
}

// Answers the next folder picker with a folder (the root when empty).
void pick_folder(const std::string& folder)
{
    when_shown<FolderPickerDialog>([folder](FolderPickerDialog& d) {
        ASSERT_TRUE(folder.empty() || d.folders().select_path(folder));
        click_response(d, Gtk::RESPONSE_OK);
    });
}

class FavDialogsTest : public ::testing::Test, protected GtkFavFolder {
protected:
    void SetUp() override
    {
        dir.mkdir("Archive/Old");
        dir.mkdir("Work");
        dir.mkdir(".hidden");
        url_file("News.url", "https://news.example/");
        url_file("Work/Plan.url", "https://plan.example/");
        window.top.show_all();
    }
};

TEST_F(FavDialogsTest, AddToFavoritesMakesAndNamesAFolderAndWritesTheShortcut)
{
    dir.mkdir("Work/New folder");
    faves.LoadFavorites(window);
    window.location_url = "https://example.org/page?id=7";
    window.location_name = "Release 2.0 notes";
    when_shown<AddFavoriteDialog>([&](AddFavoriteDialog& d) {
        EXPECT_EQ(d.name_entry().get_text(), "Release 2.0 notes");
        int start = 0, end = 0;
        EXPECT_TRUE(d.name_entry().get_selection_bounds(start, end) && end - start == 17);
        d.name_entry().set_text("   ");
        EXPECT_FALSE(gtk_widget_is_sensitive(gtk_dialog_get_widget_for_response(d.gobj(), Gtk::RESPONSE_OK)));
        d.name_entry().set_text("Release notes");
        // "New folder" is taken, so the new one is "New folder1"; it is named at once.
        ASSERT_TRUE(d.folders().select_path(root() + "Work"));
        d.new_folder_button().clicked();
        EXPECT_EQ(d.folders().selected_path(), root() + "Work/New folder1");
        ASSERT_TRUE(d.folders().editing());
        ASSERT_TRUE(type_label(d.folders().tree_view(), "Travel"));
        ASSERT_TRUE(wait_until([&] { return d.folders().selected_path() == root() + "Work/Travel"; }, 3000));
        click_response(d, Gtk::RESPONSE_OK);
    });
    faves.AddToFavorites(window);
    const std::string written = root() + "Work/Travel/Release notes.url";
    EXPECT_EQ(read_file(written), "[InternetShortcut]\r\nURL=https://example.org/page?id=7\r\n");
    EXPECT_FALSE(fs::exists(root() + "Work/New folder1"));
    EXPECT_NE(fav::find_node_by_key(window.tree, written), 0);
    EXPECT_EQ(window.frozen, 0);

    when_shown<AddFavoriteDialog>([&](AddFavoriteDialog& d) { d.response(Gtk::RESPONSE_CANCEL); });
    EXPECT_FALSE(window.dialogs().AddFavorite("https://trip.example/", "Trip", dir.str()));
    faves.WindowClosed(window);
}

TEST_F(FavDialogsTest, OrganizeRenamesCreatesMovesAndDeletes)
{
    url_file("Tool.lnk", "x");
    const std::string cafe = url_file("caf\xE9.url", "https://cafe.example/");
    OrganizeFavoritesDialog dialog(&window.top, window.gtk_dialogs, window.prompts_double, dir.str());
    dialog.show();
    ASSERT_TRUE(wait_until([&] { return dialog.get_mapped(); }));
    FavFolderTree& entries = dialog.entries();
    const auto& messages = window.prompts_double.messages;
    EXPECT_FALSE(dialog.rename_button().get_sensitive()); // the root is selected

    // Renames keep the hidden extension; a name that is not UTF-8 shows
    // readably and is renamed by its bytes.
    EXPECT_EQ(entries.text_of(cafe), "caf\u00e9");
    const std::tuple<const char*, const char*, const char*> renames[] = {
        {"Tool.lnk", "Hammer", "Hammer.lnk"}, {"caf\xE9.url", "Coffee", "Coffee.url"}};
    for (const auto& [from, to, result] : renames) {
        ASSERT_TRUE(entries.select_path(root() + from));
        dialog.rename_button().clicked();
        ASSERT_TRUE(type_label(entries.tree_view(), to));
        ASSERT_TRUE(wait_until([&] { return fs::exists(root() + result); }, 3000)) << to;
        EXPECT_FALSE(fs::exists(root() + from));
        EXPECT_EQ(entries.selected_path(), root() + result);
    }

    // Create Folder beside a selected item puts it in the item's folder.
    ASSERT_TRUE(entries.select_path(root() + "Work/Plan.url"));
    dialog.create_folder_button().clicked();
    ASSERT_TRUE(type_label(entries.tree_view(), "Ideas"));
    ASSERT_TRUE(wait_until([&] { return fs::is_directory(root() + "Work/Ideas"); }, 3000));

    ASSERT_TRUE(entries.select_path(root() + "Hammer.lnk"));
    pick_folder(root() + "Archive/Old");
    dialog.move_button().clicked();
    EXPECT_TRUE(fs::exists(root() + "Archive/Old/Hammer.lnk"));
    EXPECT_FALSE(fs::exists(root() + "Hammer.lnk"));
    EXPECT_EQ(entries.selected_path(), root() + "Archive/Old/Hammer.lnk");

    // Delete asks first; No keeps everything.
    ASSERT_TRUE(entries.select_path(root() + "Archive"));
    window.prompts_double.answers = {platform::MsgAnswer::No};
    dialog.delete_button().clicked();
    EXPECT_TRUE(fs::exists(root() + "Archive/Old/Hammer.lnk"));
    dialog.delete_button().clicked();
    EXPECT_FALSE(fs::exists(root() + "Archive"));
    EXPECT_EQ(entries.selected_path(), dir.str());
    // An entry that went away meanwhile is reported, and the list follows.
    ASSERT_TRUE(entries.select_path(root() + "Work/Plan.url"));
    fs::remove(root() + "Work/Plan.url");
    dialog.delete_button().clicked();
    EXPECT_NE(messages.back().text.find("is no longer there"), std::string::npos);
    EXPECT_FALSE(entries.text_of(root() + "Work/Plan.url"));
}

TEST_F(FavDialogsTest, PropertiesDescribeFavouritesAndFolders)
{
    // The rows as lines, with the modification time's text replaced by its length.
    const auto rows = [](const std::string& path) {
        std::string text;
        for (const auto& [key, value] : favourite_properties(path).value_or(Properties{}))
            text += key + " " + (key == "Modified:" ? std::to_string(value.size()) : value) + "\n";
        return text;
    };
    const std::string news = root() + "News.url";
    EXPECT_EQ(rows(news), "Name: News.url\nKind: Internet shortcut\nLocation: " + dir.str() +
                              "\nSize: 47 bytes\nModified: 19\nAddress: https://news.example/\n");
    EXPECT_EQ(rows(root() + "Work/"), "Name: Work\nKind: Folder\nLocation: " + dir.str() +
                                          "\nSize: 47 bytes, 1 file in 0 folders\nModified: 19\n");
    EXPECT_EQ(rows(url_file("caf\xE9.url", "https://cafe.example/")).substr(0, 16), "Name: caf\u00e9.url\n");

    EXPECT_FALSE(favourite_properties(root() + "gone.url"));
    window.dialogs().ShowProperties(root() + "gone.url");
    ASSERT_EQ(window.prompts_double.messages.size(), 1u);
    EXPECT_NE(window.prompts_double.messages[0].text.find("gone.url\" is no longer there"),
              std::string::npos);
    when_shown<PropertiesDialog>([&](PropertiesDialog& d) {
        EXPECT_EQ(d.get_title(), "News.url Properties");
        d.response(Gtk::RESPONSE_CLOSE);
    });
    window.dialogs().ShowProperties(news);

    EXPECT_EQ(size_text(0), "0 bytes");
    EXPECT_EQ(size_text(1), "1 byte");
    EXPECT_EQ(size_text(1536), "1.5 KB (1,536 bytes)");
    EXPECT_EQ(size_text(5ull << 30), "5.0 GB (5,368,709,120 bytes)");
}

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
