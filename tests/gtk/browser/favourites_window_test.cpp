// The favourites in a real main window: the Favorites menu on the menu bar
// opens a favourite, and the tree's context menu, used with the real mouse,
// makes a new folder on disk.
#include "tests/gtk/browser/window_fixture.h"

#include "favourites/tree.h"

#include <gtkmm/menu.h>

#include <filesystem>

using namespace driftway;
using driftway::testing::wait_until;

namespace {

Gtk::MenuItem* find_item(Gtk::MenuShell& shell, const std::string& label)
{
    for (auto* child : shell.get_children()) {
        auto* item = dynamic_cast<Gtk::MenuItem*>(child);
        if (item && item->get_label() == label)
            return item;
    }
    return nullptr;
}

using FavouritesWindowTest = driftway::testing::WindowTest;

TEST_F(FavouritesWindowTest, TheMenuOpensAFavouriteAndTheTreesContextMenuMakesAFolder)
{
    const auto fav = m_dir.path() / "DRIFTWAY_FAVORITES";
    const auto shortcut = [](const std::string& url) { return "[InternetShortcut]\r\nURL=" + url + "\r\n"; };
    const auto page = m_dir.write("page.html", "<title>Favourite Page</title>fav");
    m_dir.write("DRIFTWAY_FAVORITES/A/in a.url", shortcut("file:///nowhere/a.html"));
    m_dir.write("DRIFTWAY_FAVORITES/Root page.url", shortcut("file://" + page.string()));
    start();
    auto& w = window();
    ASSERT_NE(w.favorites_menu_item(), nullptr);
    Gtk::Menu* menu = w.favorites_menu_item()->get_submenu();
    ASSERT_NE(menu, nullptr);
    w.favorites_menu_item()->select(); // its entries are made as it opens
    w.favorites_menu_item()->deselect();
    Gtk::MenuItem* root_page = find_item(*menu, "Root page");
    ASSERT_NE(root_page, nullptr);
    root_page->activate();
    EXPECT_TRUE(wait_title(w, "Favourite Page")) << w.get_title();

    w.frm().menu_activated("mnuVItem", 0, false); // show the pane
    ASSERT_TRUE(wait_until([&] { return w.favourites_pane().get_mapped(); }));
    driftway::testing::pump_for(300);

    // Select "Root page", then right-click it.
    auto& model = w.tree_model();
    const int node = favourites::find_node_by_key(model, (fav / "Root page.url").string());
    ASSERT_GT(node, 0);
    model.SetSelected(node, true);
    driftway::testing::pump_for(200);

    auto& view = w.favourites_pane().tree().tree_view();
    Gdk::Rectangle cell;
    view.get_cell_area(w.favourites_pane().tree().path_of(node), *view.get_column(0), cell);
    int bx = 0, by = 0;
    view.convert_bin_window_to_widget_coords(cell.get_x(), cell.get_y(), bx, by);
    const auto [x, y] = on_screen(view, bx + 30, by + cell.get_height() / 2);
    ASSERT_TRUE(driftway::testing::mouse_click(x, y, 3));
    ASSERT_TRUE(wait_until([&] { return w.context_menu() && w.context_menu()->get_mapped(); }, 10000));
    EXPECT_EQ(model.SelectedItem(), node); // the right click did not move the selection

    auto* popup = w.context_menu();
    auto* move_to = find_item(*popup, "Move To...");
    ASSERT_NE(move_to, nullptr);
    EXPECT_TRUE(move_to->get_sensitive());
    auto* new_folder = find_item(*popup, "New Folder");
    ASSERT_NE(new_folder, nullptr);
    driftway::testing::pump_for(200);
    const auto [mx, my] = on_screen(*new_folder, 10, new_folder->get_allocation().get_height() / 2);
    ASSERT_TRUE(driftway::testing::mouse_click(mx, my, 1));

    // The new folder sits beside the item, in the root folder, and is selected.
    EXPECT_TRUE(wait_until([&] { return std::filesystem::is_directory(fav / "New folder"); }, 10000));
    EXPECT_TRUE(wait_until(
        [&] {
            const int s = model.SelectedItem();
            return s > 0 && model.Key(s) == (fav / "New folder").string() + "/";
        },
        10000));
}

} // namespace
