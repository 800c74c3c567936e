#pragma once

#include "browser/browser_view.h"
#include "browser/frm_browser.h"
#include "favourites/fav_window.h"
#include "favourites/tree_model.h"
#include "gtk/fav_dialogs.h"
#include "gtk/favourites_pane.h"
#include "gtk/gio_shell.h"
#include "gtk/gtk_prompts.h"
#include "gtk/import_bar.h"
#include "gtk/menu_renderer.h"
#include "gtk/painted_layout.h"
#include "gtk/toolbar.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/comboboxtext.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/layout.h>
#include <gtkmm/menubar.h>
#include <gtkmm/window.h>

#include <functional>
#include <memory>

namespace driftway::gtk {

class App;

// One browser main window: the toolkit side of FrmBrowser. Its constructor
// reads like its layout; handlers are short and hand over to the logic.
class MainWindow : public Gtk::Window, public browser::BrowserView, public favourites::FavWindow {
public:
    MainWindow(App& app, std::unique_ptr<platform::Engine> engine, GtkWidget* engine_widget);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    browser::FrmBrowser& frm() { return *m_frm; }
    float tpp() const { return m_tpp; }

    // BrowserView
    // FavWindow
    void NavNow(const std::string& address) override { m_frm->NavNow(address); }
    std::string LocationURL() const override { return m_frm->engine().LocationURL(); }
    std::string LocationName() const override { return m_frm->engine().LocationName(); }
    favourites::Tree& fav_tree() override { return m_tv; }
    void install_favorites_menu(std::shared_ptr<const favourites::FavMenu> menu) override;
    void freeze_drawing() override;
    void thaw_drawing() override;
    void DoEvents() override;
    favourites::FavDialogs& dialogs() override { return m_fav_dialogs; }
    void open_folder_window(const std::string& folder) override;
    void popup_context_menu() override;

    void set_title(const std::string& title) override;
    void set_address_text(const std::string& text) override;
    std::string address_text() const override;
    void set_address_list(const std::vector<std::string>& entries, int selected) override;
    void address_list_visited(const std::vector<std::string>& entries,
                              const browser::HistoryChange& change) override;
    void set_status_text(const std::string& text) override;
    void apply_layout(const browser::Layout& layout) override;
    void start_timer() override;
    void stop_timer() override;
    std::optional<std::string> clipboard_text() override;
    browser::WindowState window_state() const override;
    void set_window_state(browser::WindowState state) override;
    void set_menu_checked(const std::string& set, int index, bool checked) override;
    void set_menu_enabled(const std::string& set, int index, bool enabled) override;
    void focus_address_box() override;
    platform::Prompts& prompts() override { return m_prompts; }
    platform::Shell& shell() override { return m_shell; }
    std::pair<float, float> position() const override;
    void move_to(float left, float top) override;
    void show() override;
    void close() override;

    // Widgets the tests look at.
    Gtk::ComboBoxText& address_box() { return m_address; }
    Gtk::Label& status_label() { return m_status_label; }
    Gtk::Entry& find_entry() { return m_find_entry; }
    Gtk::Label& find_result() { return m_find_result; }
    bool find_bar_open() const { return m_find_bar.get_visible(); }
    ImportBar& import_bar() { return m_import_bar; }
    Toolbar& toolbar() { return m_toolbar; }
    FavouritesPane& favourites_pane() { return m_left; }
    favourites::TreeModel& tree_model() { return m_tv; }
    Gtk::Menu* context_menu() { return m_popup.get(); }
    Gtk::MenuItem* favorites_menu_item() { return m_fav_menu_item; }
    Gtk::Widget& engine_widget() { return *m_engine_widget; }
    MenuRenderer& menus() { return m_menus; }
    Gtk::MenuBar& menu_bar() { return m_menubar; }

protected:
    bool on_delete_event(GdkEventAny* event) override;

private:
    void on_client_size_allocate(Gtk::Allocation& allocation);
    bool run_resize();
    bool on_window_state(GdkEventWindowState* event);
    void on_address_activate();
    void on_address_changed();
    bool on_address_key_release(GdkEventKey* event);
    bool on_left_button_press(GdkEventButton* event);
    bool on_left_motion(GdkEventMotion* event);
    bool on_left_button_release(GdkEventButton* event);
    bool on_timer();
    void place(Gtk::Layout& parent, Gtk::Widget& child, const browser::Rect& r);
    void install_shortcuts();
    void build_menus();
    void on_menu(const platform::MenuEntry& entry);
    Gtk::MenuItem* make_favorites_item(const std::shared_ptr<const favourites::FavMenu>& menu,
                                       const platform::MenuEntry& entry);
    void fill_favorites_menu(Gtk::Menu& shell, const std::shared_ptr<const favourites::FavMenu>& menu,
                             const std::vector<platform::MenuEntry>& entries);
    void on_picfav(int index);
    void import_bookmarks(const std::string& path);
    void build_find_bar();
    void open_find_bar();
    void close_find_bar();
    void find_again(bool backwards);
    void export_favorites(const std::string& path);

    App& m_app;
    float m_tpp;
    Glib::RefPtr<Gtk::AccelGroup> m_accel;
    GtkPrompts m_prompts;
    GioShell m_shell;
    MenuRenderer m_menus;

    Gtk::Box m_vbox{Gtk::ORIENTATION_VERTICAL};
    Gtk::MenuBar m_menubar;
    Gtk::Layout m_client; // the client area below the menu bar
    Toolbar m_toolbar;    // PicToolbar
    Gtk::ComboBoxText m_address{true};
    favourites::TreeModel m_tv; // TV, shown by the pane's tree view
    GtkFavDialogs m_fav_dialogs;
    FavouritesPane m_left;  // PicLeft, the favourites pane
    PaintedLayout m_status; // PicStatus
    Gtk::Label m_status_label;
    // The find bar takes the status line's place while it is open.
    Gtk::Box m_find_bar{Gtk::ORIENTATION_HORIZONTAL, 4};
    Gtk::Label m_find_caption{"Find:"};
    Gtk::Entry m_find_entry;
    Gtk::Button m_find_previous{"Previous"};
    Gtk::Button m_find_next{"Next"};
    Gtk::Label m_find_result;
    Gtk::Button m_find_close{"\u2715"};
    // So does the import's progress while a bookmark file is imported.
    ImportBar m_import_bar;
    Gtk::Widget* m_engine_widget = nullptr;

    std::unique_ptr<browser::FrmBrowser> m_frm;
    std::unique_ptr<Gtk::Menu> m_popup;
    Gtk::MenuItem* m_fav_menu_item = nullptr;
    int m_freeze = 0;
    sigc::connection m_timer;
    sigc::connection m_resize_pending;
    int m_client_w = -1;
    int m_client_h = -1;
    GdkWindowState m_state{};
    bool m_updating_list = false;
    std::string m_raw_address;
    Glib::ustring m_shown_address;
    bool m_closed = false;
    // Until when a resize counts as the result of our own maximize.
    gint64 m_own_state_change_until = 0;
};

} // namespace driftway::gtk
