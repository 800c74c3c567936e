#include "gtk/main_window.h"

#include "commands/menu_bar.h"
#include "commands/toolbar.h"
#include "favourites/context_menu.h"
#include "gtk/address_box_arrow.h"
#include "gtk/app.h"
#include "gtk/resources.h"
#include "gtk/twips.h"
#include "gtk/webkit_engine.h"
#include "platform/runtime_error.h"

#include <glibmm/main.h>
#include <gtkmm/clipboard.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/entry.h>

namespace driftway::gtk {

namespace {

// A layout's style node is a plain "widget", so the classes alone select.
constexpr const char* kPaneCss = ".driftway-bar, .driftway-pane { background-color: rgb(224,224,224); }"
                                 "label.driftway-status { color: rgb(64,64,64); }";

// The theme's entries and buttons stand taller than the address box's 345
// twips, which would hang out of the 495-twip toolbar: the box's parts keep
// only a pixel of padding.
void fit_address_box(Gtk::ComboBox& box)
{
    static const bool added = [&box] {
        auto p = Gtk::CssProvider::create();
        p->load_from_data(".driftway-address entry, .driftway-address button"
                          " { min-height: 0; padding-top: 1px; padding-bottom: 1px; }");
        Gtk::StyleContext::add_provider_for_screen(box.get_screen(), p,
                                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        return true;
    }();
    (void)added;
}

// GTK shows only UTF-8: bytes that are not (a command line, a page's odd
// address) are replaced for display while the logic keeps the original.
Glib::ustring displayable(const std::string& text)
{
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
        return text;
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    Glib::ustring out(valid);
    g_free(valid);
    return out;
}

void add_css(Gtk::Widget& w, const char* klass)
{
    static Glib::RefPtr<Gtk::CssProvider> provider = [] {
        auto p = Gtk::CssProvider::create();
        p->load_from_data(kPaneCss);
        return p;
    }();
    w.get_style_context()->add_provider(provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    w.get_style_context()->add_class(klass);
}

} // namespace

MainWindow::MainWindow(App& app, std::unique_ptr<platform::Engine> engine, GtkWidget* engine_widget)
    : m_app(app), m_tpp(twips_per_pixel()), m_accel(Gtk::AccelGroup::create()), m_prompts(this),
      m_menus(m_accel, [this](const platform::MenuEntry& e) { on_menu(e); }), m_toolbar(m_tpp),
      m_fav_dialogs(this, m_prompts), m_left(m_tv, m_prompts, m_tpp)
{
    set_title(browser::initial_title());
    set_icon_list(window_icons());
    add_accel_group(m_accel);
    const browser::Layout initial;
    set_default_size(to_pixels(initial.client_width, m_tpp), to_pixels(initial.client_height, m_tpp) + 24);

    add(m_vbox);
    m_vbox.pack_start(m_menubar, Gtk::PACK_SHRINK);
    m_vbox.pack_start(m_client, Gtk::PACK_EXPAND_WIDGET);

    // Toolbar with the address box.
    m_client.put(m_toolbar, 0, 0);
    m_address.set_tooltip_text("Type address and press enter...");
    use_drawn_arrow(m_address);
    fit_address_box(m_address);
    m_toolbar.put(m_address, 0, 0);

    // Favourites pane, hidden until the View menu shows it.
    add_css(m_left, "driftway-pane");
    m_left.add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK | Gdk::POINTER_MOTION_MASK);
    m_client.put(m_left, 0, 0);
    m_left.show_all();
    m_left.hide();
    m_left.set_no_show_all(true);

    // The page.
    m_engine_widget = Glib::wrap(engine_widget);
    m_client.put(*m_engine_widget, 0, 0);

    // Status line.
    add_css(m_status, "driftway-bar");
    add_css(m_status_label, "driftway-status");
    m_status_label.set_xalign(0);
    m_status_label.set_ellipsize(Pango::ELLIPSIZE_END);
    m_status.put(m_status_label, 0, 0);
    build_find_bar();
    m_status.put(m_import_bar, 0, 0);
    m_import_bar.set_no_show_all(true);
    m_import_bar.hide();
    m_client.put(m_status, 0, 0);

    m_frm = std::make_unique<browser::FrmBrowser>(std::move(engine), *this, app);
    m_toolbar.on_mouse_up = [this](int) { m_frm->engine().SetFocus(); };
    m_toolbar.on_click = [this](int index) { commands::PicToolClick(index, *m_frm); };
    if (auto* webkit = dynamic_cast<WebKitEngine*>(&m_frm->engine())) {
        webkit->on_find_result = [this](unsigned matches) {
            m_find_result.set_text(matches == 0 && !m_find_entry.get_text().empty() ? "Phrase not found"
                                                                                    : "");
        };
    }
    m_frm->on_load_favorites = [this] { m_app.faves().LoadFavorites(*this); };
    m_frm->on_import_bookmarks = [this](const std::string& path) { import_bookmarks(path); };
    m_frm->on_export_favorites = [this](const std::string& path) { export_favorites(path); };
    m_left.on_picfav = [this](int index) { on_picfav(index); };
    m_left.tree().on_mouse_up = [this](favourites::MouseButton b, double x, double y) {
        m_app.faves().TreeMouseUp(*this, b, x, y);
    };
    m_left.tree().on_after_label_edit = [this](const std::string& text) {
        return m_app.faves().AfterLabelEdit(*this, text);
    };
    m_left.tree().on_context_menu_key = [this] { popup_context_menu(); };
    m_left.tree().on_open_selected = [this] { m_app.faves().TreeOpenSelected(*this); };
    m_left.tree().on_drop = [this](int node, int target) {
        favourites::DropOnFolder(m_app.faves(), *this, node, target);
    };

    m_client.signal_size_allocate().connect(sigc::mem_fun(*this, &MainWindow::on_client_size_allocate));
    signal_window_state_event().connect(sigc::mem_fun(*this, &MainWindow::on_window_state));
    if (auto* entry = m_address.get_entry()) {
        entry->signal_activate().connect(sigc::mem_fun(*this, &MainWindow::on_address_activate));
        entry->signal_key_release_event().connect(sigc::mem_fun(*this, &MainWindow::on_address_key_release),
                                                  false);
    }
    m_address.signal_changed().connect(sigc::mem_fun(*this, &MainWindow::on_address_changed));
    // The wheel would step through the list and navigate; only a pick does.
    m_address.signal_scroll_event().connect([](GdkEventScroll*) { return true; }, false);
    m_left.signal_button_press_event().connect(sigc::mem_fun(*this, &MainWindow::on_left_button_press));
    m_left.signal_motion_notify_event().connect(sigc::mem_fun(*this, &MainWindow::on_left_motion));
    m_left.signal_button_release_event().connect(sigc::mem_fun(*this, &MainWindow::on_left_button_release));
    m_left.signal_realize().connect([this] {
        if (auto bin = m_left.get_bin_window())
            bin->set_cursor(Gdk::Cursor::create(get_display(), "ew-resize"));
    });
    install_shortcuts();
    build_menus();

    m_vbox.show_all();
    apply_layout(m_frm->layout());
}

MainWindow::~MainWindow()
{
    m_timer.disconnect();
    m_resize_pending.disconnect();
}

void MainWindow::install_shortcuts()
{
    // Ctrl+L, Alt+D and F6 put the focus into the address box.
    signal_key_press_event().connect(
        [this](GdkEventKey* e) {
            const auto mods = e->state & gtk_accelerator_get_default_mod_mask();
            const bool ctrl_l =
                mods == GDK_CONTROL_MASK && (e->keyval == GDK_KEY_l || e->keyval == GDK_KEY_L);
            const bool alt_d = mods == GDK_MOD1_MASK && (e->keyval == GDK_KEY_d || e->keyval == GDK_KEY_D);
            const bool f6 = mods == 0 && e->keyval == GDK_KEY_F6;
            if (ctrl_l || alt_d || f6) {
                focus_address_box();
                return true;
            }
            // Find in page: Ctrl+F opens the find bar, F3 and Shift+F3 go on.
            if (mods == GDK_CONTROL_MASK && (e->keyval == GDK_KEY_f || e->keyval == GDK_KEY_F)) {
                open_find_bar();
                return true;
            }
            if (e->keyval == GDK_KEY_F3 && (mods == 0 || mods == GDK_SHIFT_MASK)) {
                if (!find_bar_open() || m_find_entry.get_text().empty())
                    open_find_bar();
                else
                    find_again(mods == GDK_SHIFT_MASK);
                return true;
            }
            if (e->keyval == GDK_KEY_Escape && find_bar_open() && m_find_entry.has_focus()) {
                close_find_bar();
                return true;
            }
            // Clipboard keys belong to a focused text field (the address box,
            // the search box) before the menu's shortcuts act on the page.
            auto* focus = get_focus();
            if (focus && GTK_IS_EDITABLE(focus->gobj()) && (mods & GDK_CONTROL_MASK))
                return gtk_window_propagate_key_event(gobj(), e) != FALSE;
            return false;
        },
        false);
}

void MainWindow::build_menus()
{
    for (const auto& title : commands::menu_bar()) {
        if (title.visible)
            m_menus.append(m_menubar, title);
    }
}

void MainWindow::on_menu(const platform::MenuEntry& e)
{
    if (e.set.empty())
        return;
    if (e.set == commands::kAboutItem) {
        show_about_dialog(*this, m_app.about_first_window());
        return;
    }
    if (e.set == favourites::kPopUpSet) {
        favourites::mnuRFav_Click(m_app.faves(), *this, e.index);
        return;
    }
    // A title or an entry with a submenu raises its click as it opens.
    const bool opening = e.kind == platform::MenuEntryKind::Submenu;
    m_frm->menu_activated(e.set, e.index, opening);
}

void MainWindow::place(Gtk::Layout& parent, Gtk::Widget& child, const browser::Rect& r)
{
    const int x = to_pixels(r.left, m_tpp);
    const int y = to_pixels(r.top, m_tpp);
    const int w = std::max(0, to_pixels(r.width, m_tpp));
    const int h = std::max(0, to_pixels(r.height, m_tpp));
    parent.move(child, x, y);
    child.set_size_request(w, h);
}

void MainWindow::apply_layout(const browser::Layout& l)
{
    place(m_client, m_toolbar, l.toolbar_rect());
    place(m_toolbar, m_address, l.address);
    place(m_client, m_status, l.status_rect());
    place(m_status, m_status_label, {240, 75, std::max(2370.0f, l.client_width - 480), 240});
    place(m_status, m_find_bar, {120, 0, std::max(0.0f, l.client_width - 240), l.status_height});
    place(m_status, m_import_bar, {120, 0, std::max(0.0f, l.client_width - 240), l.status_height});
    place(m_client, *m_engine_widget, l.browser);
    place(m_client, m_left, l.left_rect());
    m_left.set_tree_rect(l.tree);
    m_left.set_visible(l.left_visible);
}

void MainWindow::on_client_size_allocate(Gtk::Allocation& a)
{
    if (a.get_width() == m_client_w && a.get_height() == m_client_h)
        return;
    m_client_w = a.get_width();
    m_client_h = a.get_height();
    // Children moved while their container is being allocated keep their old
    // places, so the layout runs right after this allocation.
    if (!m_resize_pending.connected())
        m_resize_pending = Glib::signal_idle().connect(sigc::mem_fun(*this, &MainWindow::run_resize),
                                                       Glib::PRIORITY_HIGH_IDLE);
}

bool MainWindow::run_resize()
{
    m_frm->set_client_size(static_cast<float>(m_client_w) * m_tpp, static_cast<float>(m_client_h) * m_tpp);
    // GTK applies our maximize later; the resize it brings belongs to the
    // full-screen command, not to the user.
    if (g_get_monotonic_time() < m_own_state_change_until) {
        m_own_state_change_until = 0;
        m_frm->Form_Resize_after_own_state_change();
        return false;
    }
    m_frm->Form_Resize();
    return false;
}

bool MainWindow::on_window_state(GdkEventWindowState* e)
{
    const bool was_iconified = (m_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
    m_state = e->new_window_state;
    const bool iconified = (m_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
    // Coming back from the task bar is a resize, as far as the layout goes.
    if (was_iconified && !iconified)
        m_frm->Form_Resize();
    return false;
}

void MainWindow::on_address_activate()
{
    m_frm->cboAddress_KeyPress(13);
}

void MainWindow::on_address_changed()
{
    // Typing changes the text too; only picking a list entry is a Click.
    if (m_updating_list || m_address.get_active_row_number() < 0)
        return;
    m_frm->cboAddress_Click();
}

bool MainWindow::on_address_key_release(GdkEventKey* e)
{
    int shift = 0;
    if (e->state & GDK_SHIFT_MASK)
        shift |= 1;
    if (e->state & GDK_CONTROL_MASK)
        shift |= 2;
    if (e->state & GDK_MOD1_MASK)
        shift |= 4;
    const guint upper = gdk_keyval_to_upper(e->keyval);
    const int code = (upper >= 'A' && upper <= 'Z') ? static_cast<int>(upper) : static_cast<int>(e->keyval);
    m_frm->cboAddress_KeyUp(code, shift);
    return false;
}

bool MainWindow::on_left_button_press(GdkEventButton*)
{
    m_frm->PicLeft_MouseDown();
    return true;
}

bool MainWindow::on_left_motion(GdkEventMotion* e)
{
    m_frm->PicLeft_MouseMove(static_cast<float>(e->x) * m_tpp);
    return true;
}

bool MainWindow::on_left_button_release(GdkEventButton*)
{
    m_frm->PicLeft_MouseUp();
    return true;
}

bool MainWindow::on_timer()
{
    m_frm->timTimer_Timer();
    return m_frm->timer_running();
}

void MainWindow::set_title(const std::string& title)
{
    Gtk::Window::set_title(displayable(title));
}

void MainWindow::set_address_text(const std::string& text)
{
    m_raw_address = text;
    m_shown_address = displayable(text);
    if (auto* entry = m_address.get_entry())
        entry->set_text(m_shown_address);
}

std::string MainWindow::address_text() const
{
    const auto* entry = m_address.get_entry();
    if (!entry)
        return {};
    // The box shows a readable form of an address that is not UTF-8; as long
    // as the user has not edited it, the address itself is meant.
    const Glib::ustring shown = entry->get_text();
    return shown == m_shown_address ? m_raw_address : std::string(shown);
}

void MainWindow::set_address_list(const std::vector<std::string>& entries, int selected)
{
    {
        // Rebuilding the list must not look like a user's pick.
        m_updating_list = true;
        m_address.remove_all();
        for (const auto& e : entries)
            m_address.append(displayable(e));
        m_updating_list = false;
    }
    if (selected >= 0)
        m_address.set_active(selected);
}

void MainWindow::address_list_visited(const std::vector<std::string>& entries,
                                      const browser::HistoryChange& change)
{
    if (entries.empty())
        return;
    {
        // Editing the list must not look like a user's pick. One row in and
        // at most two out: a page that navigates itself all the time no
        // longer pays for the whole list each time.
        m_updating_list = true;
        if (change.removed >= 0)
            m_address.remove_text(change.removed);
        m_address.prepend(displayable(entries.front()));
        if (change.dropped_oldest)
            m_address.remove_text(static_cast<int>(entries.size()));
        m_updating_list = false;
    }
    m_address.set_active(0);
}

void MainWindow::set_status_text(const std::string& text)
{
    m_status_label.set_text(displayable(text));
}

void MainWindow::start_timer()
{
    if (m_timer.connected())
        return;
    m_timer = Glib::signal_timeout().connect(sigc::mem_fun(*this, &MainWindow::on_timer), 20);
}

void MainWindow::stop_timer()
{
    m_timer.disconnect();
}

std::optional<std::string> MainWindow::clipboard_text()
{
    auto clipboard = Gtk::Clipboard::get();
    if (!clipboard->wait_is_text_available())
        return std::nullopt;
    return std::string(clipboard->wait_for_text());
}

browser::WindowState MainWindow::window_state() const
{
    if (m_state & GDK_WINDOW_STATE_ICONIFIED)
        return browser::WindowState::Minimized;
    if (m_state & GDK_WINDOW_STATE_MAXIMIZED)
        return browser::WindowState::Maximized;
    return browser::WindowState::Normal;
}

void MainWindow::set_window_state(browser::WindowState state)
{
    switch (state) {
    case browser::WindowState::Maximized:
        if (!(m_state & GDK_WINDOW_STATE_MAXIMIZED)) {
            m_own_state_change_until = g_get_monotonic_time() + 2 * G_USEC_PER_SEC;
            maximize();
        }
        break;
    case browser::WindowState::Minimized:
        iconify();
        break;
    case browser::WindowState::Normal:
        deiconify();
        unmaximize();
        break;
    }
}

void MainWindow::set_menu_checked(const std::string& set, int index, bool checked)
{
    m_menus.set_checked(set, index, checked);
}

void MainWindow::set_menu_enabled(const std::string& set, int index, bool enabled)
{
    m_menus.set_enabled(set, index, enabled);
}

void MainWindow::focus_address_box()
{
    if (auto* entry = m_address.get_entry()) {
        entry->grab_focus();
        entry->select_region(0, -1);
    }
}

std::pair<float, float> MainWindow::position() const
{
    int x = 0;
    int y = 0;
    const_cast<MainWindow*>(this)->get_position(x, y);
    return {static_cast<float>(x) * m_tpp, static_cast<float>(y) * m_tpp};
}

void MainWindow::move_to(float left, float top)
{
    move(to_pixels(left, m_tpp), to_pixels(top, m_tpp));
}

void MainWindow::show()
{
    Gtk::Window::show();
}

void MainWindow::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_app.faves().WindowClosed(*this);
    m_timer.disconnect();
    hide();
    m_app.window_closed(*this);
}

bool MainWindow::on_delete_event(GdkEventAny*)
{
    close();
    return true;
}

} // namespace driftway::gtk
