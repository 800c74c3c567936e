// The favourites in a real main window: the Favorites menu on the menu bar
// opens a favourite, and the tree's context menu, used with the real mouse,
// makes a new folder on disk.
#include "platform/gtk/app.h"
#include "platform/gtk/engine_factory.h"
#include "platform/gtk/main_window.h"
#include "tests/gtk/common/wait.h"
#include "tests/gtk/common/x_input.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <gtkmm/menu.h>

#include <filesystem>

using namespace driftway;
using namespace driftway::platform::gtk;
using driftway::testing::TempDir;
using driftway::testing::wait_until;

namespace {

const std::string kPrefix = "Driftway\u2122 - ";

std::string shortcut(const std::string& url)
{
    return "[InternetShortcut]\r\nURL=" + url + "\r\n";
}

Gtk::MenuItem* find_item(Gtk::MenuShell& shell, const std::string& label)
{
    for (auto* child : shell.get_children()) {
        auto* item = dynamic_cast<Gtk::MenuItem*>(child);
        if (item && item->get_label() == label)
            return item;
    }
    return nullptr;
}

std::vector<std::string> labels(Gtk::MenuShell& shell)
{
    std::vector<std::string> out;
    for (auto* child : shell.get_children()) {
        if (auto* item = dynamic_cast<Gtk::MenuItem*>(child))
            out.push_back(item->get_label());
    }
    return out;
}

class FavouritesWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* v : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"})
            m_env.push_back(std::make_unique<driftway::testing::ScopedEnv>(v, (m_dir.path() / v).string()));
        m_fav = m_dir.mkdir("fav");
        m_env.push_back(std::make_unique<driftway::testing::ScopedEnv>("DRIFTWAY_FAVORITES", m_fav.string()));
        m_page = m_dir.write("page.html", "<title>Favourite Page</title>fav");
        m_dir.write("fav/A/A1/deep.url", shortcut("file:///nowhere/deep.html"));
        m_dir.write("fav/A/in a.url", shortcut("file:///nowhere/a.html"));
        m_dir.write("fav/B/in b.url", shortcut("file:///nowhere/b.html"));
        m_dir.write("fav/Root page.url", shortcut("file://" + m_page.string()));
        m_app = std::make_unique<App>(make_webkit_engine, "");
        m_app->set_quit_on_last(false);
        m_app->start();
        ASSERT_TRUE(wait_until([&] { return window().get_mapped(); }));
    }

    MainWindow& window() { return *m_app->windows().front(); }

    TempDir m_dir;
    std::filesystem::path m_fav, m_page;
    std::vector<std::unique_ptr<driftway::testing::ScopedEnv>> m_env;
    std::unique_ptr<App> m_app;
};

TEST_F(FavouritesWindowTest, FavoritesMenuStandsAfterViewAndOpensAFavourite)
{
    auto& w = window();
    auto titles = labels(w.menu_bar());
    ASSERT_GE(titles.size(), 5u);
    EXPECT_EQ(titles[3], "Favorites");
    EXPECT_EQ(titles[4], "_Tools");

    auto* fav = w.favorites_menu_item();
    ASSERT_NE(fav, nullptr);
    auto* menu = fav->get_submenu();
    ASSERT_NE(menu, nullptr);
    const auto entries = labels(*menu);
    ASSERT_EQ(entries.size(), 6u);  // add, organise, separator, A, B, Root page
    EXPECT_EQ(entries[0], "Add to Favorites...");
    EXPECT_EQ(entries[1], "Organize Favorites...");
    EXPECT_EQ(entries[3], "A");
    EXPECT_EQ(entries[4], "B");
    EXPECT_EQ(entries[5], "Root page");

    // The root's item has the highest id and opens its page.
    find_item(*menu, "Root page")->activate();
    EXPECT_TRUE(wait_until([&] { return w.get_title() == kPrefix + "Favourite Page"; }, 20000)) << w.get_title();
}

TEST_F(FavouritesWindowTest, ContextMenuWithTheRealMouseMakesANewFolder)
{
    auto& w = window();
    w.frm().menu_activated("mnuVItem", 0, false);  // show the pane
    ASSERT_TRUE(wait_until([&] { return w.favourites_pane().get_mapped(); }));
    driftway::testing::pump_for(300);

    // Select "Root page" (the last node), then right-click it.
    auto& model = w.tree_model();
    int root_page = 0;
    for (int i = 1; i <= model.Count(); ++i)
        if (model.Text(i) == "Root page")
            root_page = i;
    ASSERT_GT(root_page, 0);
    model.SetSelected(root_page, true);
    driftway::testing::pump_for(200);

    auto& view = w.favourites_pane().tree().tree_view();
    Gdk::Rectangle cell;
    view.get_cell_area(w.favourites_pane().tree().path_of(root_page), *view.get_column(0), cell);
    int bx = 0, by = 0;
    view.convert_bin_window_to_widget_coords(cell.get_x(), cell.get_y(), bx, by);
    int ox = 0, oy = 0;
    view.get_window()->get_origin(ox, oy);
    const auto va = view.get_allocation();
    const int x = ox + va.get_x() + bx + 30, y = oy + va.get_y() + by + cell.get_height() / 2;
    ASSERT_TRUE(driftway::testing::mouse_click(x, y, 3));
    ASSERT_TRUE(wait_until([&] { return w.context_menu() && w.context_menu()->get_mapped(); }, 10000));
    EXPECT_EQ(model.SelectedItem(), root_page);  // the right click did not move the selection

    auto* popup = w.context_menu();
    auto* move_to = find_item(*popup, "Move To...");
    ASSERT_NE(move_to, nullptr);
    EXPECT_TRUE(move_to->get_sensitive());
    auto* new_folder = find_item(*popup, "New Folder");
    ASSERT_NE(new_folder, nullptr);
    driftway::testing::pump_for(200);
    int mx = 0, my = 0;
    new_folder->get_window()->get_origin(mx, my);
    const auto na = new_folder->get_allocation();
    ASSERT_TRUE(driftway::testing::mouse_click(mx + na.get_x() + 10, my + na.get_y() + na.get_height() / 2, 1));

    // The new folder sits beside the item, in the root folder, and is selected.
    EXPECT_TRUE(wait_until([&] { return std::filesystem::is_directory(m_fav / "New folder"); }, 10000));
    EXPECT_TRUE(wait_until(
        [&] {
            const int s = model.SelectedItem();
            return s > 0 && model.Key(s) == (m_fav / "New folder").string() + "/";
        },
        10000));
}

}  // namespace
