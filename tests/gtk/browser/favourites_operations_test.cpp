// The favourites in a real main window while things happen meanwhile: real
// drags and right clicks in the tree, an open menu after the folder changed
// on disk, and imports cancelled or losing their window.
#include "tests/gtk/browser/window_fixture.h"

#include "favourites/tree.h"

#include <glibmm/main.h>
#include <gtkmm/menu.h>

#include <filesystem>
#include <sys/stat.h>

using namespace driftway;
using namespace driftway::testing;
namespace fs = std::filesystem;

namespace {

std::string shortcut(const fs::path& page)
{
    return "[InternetShortcut]\r\nURL=file://" + page.string() + "\r\n";
}

class FavOps : public WindowTest {
protected:
    fs::path fav() const { return m_dir.path() / "DRIFTWAY_FAVORITES"; }
    // Entries under the Favorites folder, hidden ones included.
    long entries() const
    {
        return std::distance(fs::recursive_directory_iterator(fav()), fs::recursive_directory_iterator());
    }
    // Imports as the Tools menu does once a file is chosen: from the main
    // loop, with a failure's text kept as the menu would show it.
    void import_later(const std::string& path)
    {
        m_import_done = false;
        m_import_error.clear();
        Glib::signal_idle().connect_once([this, path] {
            try {
                window().frm().import_bookmarks(path);
            } catch (const std::exception& e) {
                m_import_error = e.what();
            }
            m_import_done = true;
        });
    }
    // Acts once the import shows its progress, from inside its event loop.
    void when_importing(std::function<void()> act)
    {
        Glib::signal_timeout().connect(
            [this, act] {
                auto& bar = m_app->windows().front()->import_bar();
                if (!bar.running() || !std::string(bar.progress_label().get_text()).starts_with("Importing"))
                    return true;
                act();
                return false;
            },
            5);
    }
    bool m_import_done = false;
    std::string m_import_error;
};

TEST_F(FavOps, TheTreeShowsItsRootFirstAndAnOpenMenuOpensWhatItShowed)
{
    for (int i = 10; i < 48; ++i)
        fs::create_directories(fav() / ("Folder " + std::to_string(i)));
    const auto page_a = m_dir.write("a.html", "<title>Page A</title>a");
    const auto page_b = m_dir.write("b.html", "<title>Page B</title>b");
    m_dir.write("DRIFTWAY_FAVORITES/m.url", shortcut(page_a));
    m_dir.write("DRIFTWAY_FAVORITES/n.url", shortcut(page_b));
    start();
    auto& w = window();
    w.frm().menu_activated("mnuVItem", 0, false); // View > Favorites
    ASSERT_TRUE(wait_until([&] { return w.favourites_pane().tree().tree_view().get_mapped(); }));
    auto& view = w.favourites_pane().tree().tree_view();
    Gtk::TreePath first, last;
    ASSERT_TRUE(wait_until([&] { return view.get_visible_range(first, last); }));
    pump_for(300);
    ASSERT_TRUE(view.get_visible_range(first, last));
    EXPECT_EQ(first, w.favourites_pane().tree().path_of(1)) << first.to_string();

    // Dragging a folder onto another with the real pointer moves it there.
    const auto on_row = [&](const std::string& name) {
        const int index = favourites::find_node_by_key(w.tree_model(), (fav() / name).string() + "/");
        Gdk::Rectangle cell;
        view.get_cell_area(w.favourites_pane().tree().path_of(index), *view.get_column(0), cell);
        int x = 0, y = 0;
        view.convert_bin_window_to_widget_coords(cell.get_x() + 30, cell.get_y() + cell.get_height() / 2, x,
                                                 y);
        return on_screen(view, x, y);
    };
    const auto [fx, fy] = on_row("Folder 12");
    const auto [tx, ty] = on_row("Folder 10");
    ASSERT_TRUE(xdotool({"mousemove", std::to_string(fx), std::to_string(fy), "mousedown", "1"}));
    for (int step = 1; step <= 8; ++step) {
        mouse_move(fx, fy + (ty - fy) * step / 8);
        pump_for(50);
    }
    ASSERT_TRUE(xdotool({"mouseup", "1"}));
    EXPECT_TRUE(wait_until([&] { return fs::is_directory(fav() / "Folder 10/Folder 12"); }, 5000));

    // A right click on a row opens the context menu without moving the
    // selection; its New Folder, clicked, makes a folder in that one.
    auto& model = w.tree_model();
    const int node = favourites::find_node_by_key(model, (fav() / "Folder 11").string() + "/");
    model.SetSelected(node, true);
    pump_for(200);
    const auto [rx, ry] = on_row("Folder 11");
    ASSERT_TRUE(mouse_click(rx, ry, 3));
    ASSERT_TRUE(wait_until([&] { return w.context_menu() && w.context_menu()->get_mapped(); }, 10000));
    EXPECT_EQ(model.SelectedItem(), node);
    auto* move_to = find_item(*w.context_menu(), "Move To...");
    ASSERT_TRUE(move_to && move_to->get_sensitive());
    auto* new_folder = find_item(*w.context_menu(), "New Folder");
    ASSERT_NE(new_folder, nullptr);
    pump_for(200);
    const auto [mx, my] = on_screen(*new_folder, 10, new_folder->get_allocation().get_height() / 2);
    ASSERT_TRUE(mouse_click(mx, my, 1));
    EXPECT_TRUE(wait_until(
        [&] {
            const int s = model.SelectedItem();
            return s > 0 && model.Key(s) == (fav() / "Folder 11/New folder").string() + "/";
        },
        10000));
    ASSERT_TRUE(press_key("Escape")); // keeps the name
    ASSERT_TRUE(wait_until([&] { return !w.favourites_pane().tree().editing(); }, 5000));

    // The menu, opened by a click on its title, shows every entry in full
    // the first time; it stays open while another program adds a favourite
    // that sorts first.
    ASSERT_TRUE(wait_until([&] { return w.favorites_menu_item()->get_allocation().get_x() > 0; }));
    const auto [mx0, my0] = on_screen(*w.favorites_menu_item(), 10, 5);
    ASSERT_TRUE(mouse_click(mx0, my0));
    Gtk::Menu* menu = w.favorites_menu_item()->get_submenu();
    ASSERT_TRUE(wait_until([&] { return menu->get_mapped(); }));
    pump_for(200);
    for (Gtk::Widget* entry : menu->get_children()) {
        int least = 0, natural = 0;
        entry->get_preferred_width(least, natural);
        EXPECT_GE(menu->get_allocated_width(), natural) << "the menu was sized before its entries were made";
    }
    Gtk::MenuItem* n = find_item(*menu, "n");
    ASSERT_NE(n, nullptr);
    n->reference();
    const auto before = m_app->faves().latest_scan();
    m_dir.write("DRIFTWAY_FAVORITES/0000 first.url", shortcut(page_a));
    ASSERT_TRUE(wait_until([&] { return m_app->faves().latest_scan() != before; }, 10000));
    n->activate();
    EXPECT_TRUE(wait_title(w, "Page B")) << w.get_title();
    n->unreference();
}

TEST_F(FavOps, ImportsRefuseNonFilesCancelOnEscapeAndUndoThemselvesWhenTheirWindowCloses)
{
    start();
    auto& w = window();
    const std::string pipe = (m_dir.path() / "pipe.html").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    import_later(pipe);
    ASSERT_TRUE(wait_until([&] { return m_import_done; }, 5000)) << "a pipe holds nothing up";
    EXPECT_NE(m_import_error.find("not a regular file"), std::string::npos) << m_import_error;

    // 50,000 links in 50 folders.
    std::string html = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
    for (int i = 0; i < 50000; ++i)
        html += (i % 1000 ? "" : "<DT><H3>F" + std::to_string(i) + "</H3>\n<DL><p>\n") +
                "<DT><A HREF=\"https://e/" + std::to_string(i) + "\">L</A>\n" +
                (i % 1000 == 999 ? "</DL><p>\n" : "");
    const std::string big = m_dir.write("big.html", html).string();
    when_importing([&] { send_key(GTK_WIDGET(w.gobj()), GDK_KEY_Escape); });
    import_later(big);
    ASSERT_TRUE(wait_until([&] { return m_import_done; }, 60000));
    EXPECT_EQ(m_import_error, "");
    EXPECT_NE(w.status_label().get_text().find("cancelled"), std::string::npos);
    EXPECT_EQ(entries(), 0);

    // Closing the window while it imports: the program goes on, the import
    // is undone and nothing hidden stays behind.
    when_importing([&] { w.close(); });
    import_later(big);
    ASSERT_TRUE(wait_until([&] { return m_import_done && m_app->windows().empty(); }, 60000));
    EXPECT_EQ(entries(), 0);
}

} // namespace
