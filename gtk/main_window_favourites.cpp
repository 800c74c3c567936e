#include "gtk/main_window.h"

#include "commands/mod_gen.h"
#include "favourites/bookmarks_export.h"
#include "favourites/bookmarks_import.h"
#include "favourites/context_menu.h"
#include "favourites/fav_menu.h"
#include "gtk/app.h"
#include "gtk/submenu_guard.h"
#include "platform/runtime_error.h"

#include <gtkmm/separatormenuitem.h>

namespace driftway::gtk {

namespace {

// Runs fill once, the first time the menu is shown. A menu is shown before its
// window is sized and mapped; its title's "select" and "activate" come after
// that, too late to add entries.
void fill_on_first_show(Gtk::Menu& menu, std::function<void()> fill)
{
    auto once = std::make_shared<sigc::connection>();
    *once = menu.signal_show().connect(
        [once, fill = std::move(fill)] {
            const auto run = fill; // disconnecting lets go of this handler
            once->disconnect();
            run();
        },
        false);
}

} // namespace

// ---- Favourites

Gtk::MenuItem* MainWindow::make_favorites_item(const std::shared_ptr<const favourites::FavMenu>& menu,
                                               const platform::MenuEntry& e)
{
    if (e.kind == platform::MenuEntryKind::Separator)
        return Gtk::manage(new Gtk::SeparatorMenuItem());
    // Captions come with "&" doubled, so a favourite's name never makes an
    // access key of its own.
    auto* item = Gtk::manage(new Gtk::MenuItem(MenuRenderer::mnemonic(e.caption), true));
    if (!e.accel.empty()) {
        guint key = 0;
        GdkModifierType mods{};
        gtk_accelerator_parse(e.accel.c_str(), &key, &mods);
        if (key != 0)
            item->add_accelerator("activate", m_accel, key, static_cast<Gdk::ModifierType>(mods),
                                  Gtk::ACCEL_VISIBLE);
    }
    if (e.kind == platform::MenuEntryKind::Submenu) {
        auto* sub = Gtk::manage(new Gtk::Menu());
        item->set_submenu(*sub);
        guard_submenu_opening(*sub);
        const int folder = e.index;
        fill_on_first_show(
            *sub, [this, menu, sub, folder] { fill_favorites_menu(*sub, menu, menu->submenu(folder)); });
    } else {
        // The entry opens what it shows: its id is looked up in the scan this
        // menu was drawn from, however the folder changed since.
        const int id = e.id;
        item->signal_activate().connect(
            [this, menu, id] { m_app.faves().FavWndProc(*this, id, &menu->scan()); });
    }
    return item;
}

void MainWindow::fill_favorites_menu(Gtk::Menu& shell, const std::shared_ptr<const favourites::FavMenu>& menu,
                                     const std::vector<platform::MenuEntry>& entries)
{
    // Each entry is shown before it joins the menu and goes in front of the
    // ones already there, last entry first: a menu finds its end, and
    // re-styles its visible entries, by walking them all, so appending or
    // showing entries one by one costs the square of their number.
    for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
        Gtk::MenuItem* item = make_favorites_item(menu, *e);
        item->show();
        shell.prepend(*item);
    }
}

void MainWindow::install_favorites_menu(std::shared_ptr<const favourites::FavMenu> menu)
{
    if (m_fav_menu_item) {
        m_menubar.remove(*m_fav_menu_item);
        m_fav_menu_item = nullptr;
    }
    auto* title = Gtk::manage(new Gtk::MenuItem(favourites::kFavMenuCaption, false));
    auto* popup = Gtk::manage(new Gtk::Menu());
    title->set_submenu(*popup);
    guard_submenu_opening(*popup);
    // The entries are made as the menu is about to open for the first time:
    // an assistive technology's bridge walks every menu item the window
    // holds when a screen reader connects, and a very large folder's entries
    // take seconds that start-up and every refresh would otherwise wait for.
    fill_on_first_show(*popup,
                       [this, menu, popup] { fill_favorites_menu(*popup, menu, menu->root().children); });
    m_menubar.insert(*title, favourites::kFavMenuPosition);
    title->show();
    m_fav_menu_item = title;
}

void MainWindow::freeze_drawing()
{
    if (m_freeze++ == 0) {
        if (auto w = get_window())
            w->freeze_updates();
    }
}

void MainWindow::thaw_drawing()
{
    if (m_freeze > 0 && --m_freeze == 0) {
        if (auto w = get_window())
            w->thaw_updates();
    }
}

void MainWindow::DoEvents()
{
    // A window closed meanwhile is destroyed only after the operation that
    // called this has returned.
    const App::Operation operation(m_app);
    // One pass over what is pending, bounded so that a busy page cannot keep
    // the scan waiting.
    for (int i = 0; i < 100 && gtk_events_pending(); ++i)
        gtk_main_iteration_do(FALSE);
}

void MainWindow::open_folder_window(const std::string& folder)
{
    MainWindow& other = m_app.new_window(nullptr, m_app.command_line());
    other.frm().engine().Navigate2(folder, platform::NavFlags::NoHistory);
    const auto [left, top] = position();
    other.move_to(left + browser::twips::kNewWindowOffset, top + browser::twips::kNewWindowOffset);
    other.show();
}

void MainWindow::popup_context_menu()
{
    const platform::MenuEntry title = favourites::mnuPopUp_Click(m_app.faves(), *this);
    m_popup = m_menus.popup(title);
    m_popup->attach_to_widget(*this);
    m_popup->show_all();
    m_popup->popup_at_pointer(nullptr);
}

void MainWindow::on_picfav(int index)
{
    if (m_app.faves().PicFav_Click(*this, index) == favourites::PicFavAction::ToggleFavoritesPane)
        m_frm->menu_activated("mnuVItem", 0, false);
}

void MainWindow::import_bookmarks(const std::string& path)
{
    const std::string root = m_app.faves().FavPath();
    if (root.empty())
        throw platform::RuntimeError(platform::error::kPathNotFound, favourites::kFolderUnavailable);
    if (ImportBar::any_running())
        throw platform::RuntimeError(platform::error::kInvalidCall,
                                     "A bookmark import is already under way. Wait for it to end, or cancel "
                                     "it, before importing another file.");
    // The progress takes the status line's place: a large file takes a while,
    // and the window goes on handling its events meanwhile.
    const App::Operation operation(m_app);
    const bool find_bar = find_bar_open();
    m_find_bar.hide();
    m_status_label.hide();
    const auto result = m_import_bar.run(path, root, {[this] { DoEvents(); }, [this] { return m_closed; }});
    if (m_closed)
        return; // cancelled and undone with its window
    m_status_label.show();
    if (find_bar)
        m_find_bar.show();
    if (!result) {
        set_status_text("The import was cancelled; the favourites are as they were.");
        return;
    }
    set_status_text(browser::kDefaultStatus);
    if (result->error)
        throw platform::RuntimeError(platform::error::kInvalidCall, *result->error);
    m_prompts.message_box(favourites::import_summary(*result), commands::kImportTitle,
                          platform::MsgButtons::Ok, platform::MsgIcon::Information);
}

void MainWindow::export_favorites(const std::string& path)
{
    const std::string root = m_app.faves().FavPath();
    if (root.empty())
        throw platform::RuntimeError(platform::error::kPathNotFound, favourites::kFolderUnavailable);
    const auto result = favourites::export_bookmarks(root, path);
    if (result.error)
        throw platform::RuntimeError(platform::error::kInvalidCall, *result.error);
}

} // namespace driftway::gtk
