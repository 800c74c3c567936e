#pragma once

#include "gtk/gobject_ptr.h"
#include "gtk/gtk_prompts.h"
#include "platform/settings_store.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/buttonbox.h>
#include <gtkmm/entry.h>
#include <gtkmm/frame.h>
#include <gtkmm/grid.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <memory>
#include <string>

namespace driftway::gtk {

inline constexpr const char* kInternetOptionsTitle = "Internet Options";
inline constexpr const char* kDeleteDataQuestion = "Delete the cookies, cached files, stored site data and "
                                                   "history of every web site? This cannot be undone.";
inline constexpr const char* kDeletingData = "Deleting browsing data...";
inline constexpr const char* kDataDeleted = "Browsing data deleted.";

// The Internet Options window: the home and search pages that Home and
// Search open, and the deletion of what web sites have left behind. Pages
// are stored by OK and Apply; Cancel and the close box drop what was typed.
class InternetOptionsWindow : public Gtk::Window {
public:
    // data is the website data manager of the engine's shared context; the
    // window keeps a reference to it.
    InternetOptionsWindow(platform::SettingsStore& settings, WebKitWebsiteDataManager* data);
    ~InternetOptionsWindow() override;
    InternetOptionsWindow(const InternetOptionsWindow&) = delete;
    InternetOptionsWindow& operator=(const InternetOptionsWindow&) = delete;

    // Stores the pages that were changed. False, after a message naming the
    // problem, when one is refused; nothing after the refused one is stored.
    bool apply();

    // Clears cookies, caches, site storage and history, without asking;
    // the button asks first. Done when status() reads kDataDeleted.
    void delete_browsing_data();
    bool deleting() const { return m_deleting; }

    // Runs when the window has closed (OK, Cancel or the close box).
    std::function<void()> on_closed;

    Gtk::Entry& home_entry() { return m_home; }
    Gtk::Entry& search_entry() { return m_search; }
    Gtk::Button& delete_button() { return m_delete; }
    Gtk::Button& ok_button() { return m_ok; }
    Gtk::Button& cancel_button() { return m_cancel; }
    Gtk::Button& apply_button() { return m_apply; }
    Gtk::Label& status() { return m_status; }

protected:
    bool on_delete_event(GdkEventAny* event) override;

private:
    struct Life {
        InternetOptionsWindow* window;
    };

    void fill();
    void close_window();
    void report_warnings();
    void on_changed();
    void on_ok_clicked();
    void on_delete_clicked();
    static void on_data_cleared(GObject* source, GAsyncResult* result, gpointer life);
    void data_cleared(GError* error);

    platform::SettingsStore& m_settings;
    GObjectPtr<WebKitWebsiteDataManager> m_data;
    GtkPrompts m_prompts{this};
    // Expires with the window, so that a late answer of the engine finds out.
    std::shared_ptr<Life> m_life = std::make_shared<Life>(Life{this});
    bool m_home_changed = false;
    bool m_search_changed = false;
    bool m_filling = false;
    bool m_deleting = false;
    bool m_closed = false;

    Gtk::Box m_vbox{Gtk::ORIENTATION_VERTICAL, 12};
    Gtk::Frame m_pages_frame;
    Gtk::Grid m_pages;
    Gtk::Label m_home_label;
    Gtk::Entry m_home;
    Gtk::Label m_search_label;
    Gtk::Entry m_search;
    Gtk::Label m_pages_hint;
    Gtk::Frame m_data_frame;
    Gtk::Grid m_data_grid;
    Gtk::Label m_data_text;
    Gtk::Button m_delete;
    Gtk::Label m_status;
    Gtk::ButtonBox m_buttons{Gtk::ORIENTATION_HORIZONTAL};
    Gtk::Button m_ok;
    Gtk::Button m_cancel;
    Gtk::Button m_apply;
};

// Driftway --internet-options: shows the window over the engine's own data
// folders and runs until it closes. GTK must be initialised. Returns the
// process's exit status.
int run_internet_options_window();

} // namespace driftway::gtk
