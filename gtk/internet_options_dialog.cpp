#include "gtk/internet_options_dialog.h"

#include "about/internet_options.h"
#include "gtk/resources.h"
#include "gtk/web_context.h"

#include <gtk/gtk.h>

namespace driftway::gtk {

InternetOptionsWindow::InternetOptionsWindow(platform::SettingsStore& settings,
                                             WebKitWebsiteDataManager* data)
    : m_settings(settings), m_data(ref_gobject(data))
{
    set_title(kInternetOptionsTitle);
    set_icon_name(picture::kIconName);
    set_border_width(12);
    set_resizable(false);
    set_position(Gtk::WIN_POS_CENTER);
    add(m_vbox);

    m_pages_frame.set_label("Pages");
    m_pages.set_border_width(8);
    m_pages.set_row_spacing(6);
    m_pages.set_column_spacing(12);
    m_home_label.set_text_with_mnemonic("_Home page:");
    m_home_label.set_mnemonic_widget(m_home);
    m_home_label.set_xalign(0);
    m_home.set_width_chars(48);
    m_home.set_hexpand(true);
    m_pages.attach(m_home_label, 0, 0);
    m_pages.attach(m_home, 1, 0);
    m_search_label.set_text_with_mnemonic("_Search page:");
    m_search_label.set_mnemonic_widget(m_search);
    m_search_label.set_xalign(0);
    m_pages.attach(m_search_label, 0, 1);
    m_pages.attach(m_search, 1, 1);
    m_pages_hint.set_text("Leave a box empty to use the usual page.");
    m_pages_hint.set_xalign(0);
    m_pages.attach(m_pages_hint, 1, 2);
    m_pages_frame.add(m_pages);
    m_vbox.pack_start(m_pages_frame, Gtk::PACK_SHRINK);

    m_data_frame.set_label("Browsing data");
    m_data_grid.set_border_width(8);
    m_data_grid.set_row_spacing(6);
    m_data_grid.set_column_spacing(12);
    m_data_text.set_text("Cookies, cached files, stored site data and history.");
    m_data_text.set_xalign(0);
    m_data_text.set_hexpand(true);
    m_data_grid.attach(m_data_text, 0, 0);
    m_delete.set_label("_Delete browsing data...");
    m_delete.set_use_underline(true);
    m_data_grid.attach(m_delete, 1, 0);
    m_status.set_xalign(0);
    m_data_grid.attach(m_status, 0, 1, 2, 1);
    m_data_frame.add(m_data_grid);
    m_vbox.pack_start(m_data_frame, Gtk::PACK_SHRINK);

    m_buttons.set_layout(Gtk::BUTTONBOX_END);
    m_buttons.set_spacing(6);
    const std::pair<Gtk::Button*, const char*> buttons[] = {
        {&m_ok, "_OK"}, {&m_cancel, "_Cancel"}, {&m_apply, "_Apply"}};
    for (const auto& [button, label] : buttons) {
        button->set_label(label);
        button->set_use_underline(true);
        m_buttons.pack_start(*button);
    }
    m_vbox.pack_start(m_buttons, Gtk::PACK_SHRINK);

    fill();
    m_home.signal_changed().connect([this] {
        if (!m_filling)
            m_home_changed = true;
        on_changed();
    });
    m_search.signal_changed().connect([this] {
        if (!m_filling)
            m_search_changed = true;
        on_changed();
    });
    m_ok.signal_clicked().connect(sigc::mem_fun(*this, &InternetOptionsWindow::on_ok_clicked));
    m_cancel.signal_clicked().connect(sigc::mem_fun(*this, &InternetOptionsWindow::close_window));
    m_apply.signal_clicked().connect([this] { apply(); });
    m_delete.signal_clicked().connect(sigc::mem_fun(*this, &InternetOptionsWindow::on_delete_clicked));
    m_ok.set_can_default(true);
    m_ok.grab_default();
    m_home.set_activates_default(true);
    m_search.set_activates_default(true);
    m_vbox.show_all();
}

InternetOptionsWindow::~InternetOptionsWindow() = default;

void InternetOptionsWindow::fill()
{
    m_filling = true;
    m_home.set_text(about::home_page(m_settings));
    m_search.set_text(about::search_page(m_settings));
    m_filling = false;
    m_home_changed = m_search_changed = false;
    m_apply.set_sensitive(false);
    report_warnings();
}

void InternetOptionsWindow::on_changed()
{
    m_apply.set_sensitive(m_home_changed || m_search_changed);
}

bool InternetOptionsWindow::apply()
{
    struct Page {
        bool& changed;
        Gtk::Entry& entry;
        std::optional<std::string> (*store)(platform::SettingsStore&, std::string_view);
    };
    for (const Page& page : {Page{m_home_changed, m_home, about::set_home_page},
                             Page{m_search_changed, m_search, about::set_search_page}}) {
        if (!page.changed)
            continue;
        if (const auto refused = page.store(m_settings, page.entry.get_text().raw())) {
            report_warnings();
            m_prompts.message_box(*refused, kInternetOptionsTitle, platform::MsgButtons::Ok,
                                  platform::MsgIcon::Exclamation);
            page.entry.grab_focus();
            return false;
        }
        page.changed = false;
    }
    // Show what is in force now: an emptied box shows the usual page again.
    fill();
    return true;
}

void InternetOptionsWindow::on_ok_clicked()
{
    if (apply())
        close_window();
}

bool InternetOptionsWindow::on_delete_event(GdkEventAny*)
{
    close_window();
    return true;
}

void InternetOptionsWindow::close_window()
{
    if (m_closed)
        return;
    m_closed = true;
    hide();
    // A deletion under way is finished before the window counts as closed,
    // so that the process does not end in the middle of it.
    if (!m_deleting && on_closed)
        on_closed();
}

void InternetOptionsWindow::report_warnings()
{
    for (const auto& warning : m_settings.take_warnings())
        m_prompts.message_box(warning, kInternetOptionsTitle, platform::MsgButtons::Ok,
                              platform::MsgIcon::Exclamation);
}

void InternetOptionsWindow::on_delete_clicked()
{
    if (m_prompts.message_box(kDeleteDataQuestion, kInternetOptionsTitle, platform::MsgButtons::YesNo,
                              platform::MsgIcon::Question) == platform::MsgAnswer::Yes)
        delete_browsing_data();
}

void InternetOptionsWindow::delete_browsing_data()
{
    if (m_deleting)
        return;
    m_deleting = true;
    m_delete.set_sensitive(false);
    m_status.set_text(kDeletingData);
    // The engine answers later; the answer reaches the window only while it
    // still exists.
    auto life = std::make_unique<std::weak_ptr<Life>>(m_life);
    webkit_website_data_manager_clear(m_data.get(), WEBKIT_WEBSITE_DATA_ALL, 0, nullptr, on_data_cleared,
                                      life.release());
}

void InternetOptionsWindow::on_data_cleared(GObject* source, GAsyncResult* result, gpointer life)
{
    const std::unique_ptr<std::weak_ptr<Life>> weak(static_cast<std::weak_ptr<Life>*>(life));
    GError* raw = nullptr;
    webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(source), result, &raw);
    const GErrorPtr error(raw);
    if (const auto alive = weak->lock())
        alive->window->data_cleared(error.get());
}

void InternetOptionsWindow::data_cleared(GError* error)
{
    m_deleting = false;
    m_delete.set_sensitive(true);
    if (error) {
        m_status.set_text("");
        m_prompts.message_box(std::string("The browsing data could not be deleted: ") + error->message,
                              kInternetOptionsTitle, platform::MsgButtons::Ok,
                              platform::MsgIcon::Exclamation);
    } else {
        m_status.set_text(kDataDeleted);
    }
    if (m_closed && on_closed)
        on_closed();
}

int run_internet_options_window()
{
    add_icons_to_theme();
    platform::SettingsStore settings;
    InternetOptionsWindow window(settings, webkit_web_context_get_website_data_manager(shared_web_context()));
    window.on_closed = [] { gtk_main_quit(); };
    window.show();
    gtk_main();
    return 0;
}

} // namespace driftway::gtk
