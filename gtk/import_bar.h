#pragma once

#include "favourites/bookmarks_import.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>

#include <functional>
#include <optional>
#include <string>

namespace driftway::gtk {

// Takes the status line's place while a bookmark file is imported: the
// progress from the first byte read, and a Cancel button beside it. Cancel,
// Escape in the window, or the window closing end the import, which is then
// undone. One import runs at a time in the whole program.
class ImportBar : public Gtk::Box {
public:
    ImportBar();

    struct Hooks {
        std::function<void()> do_events; // runs the window's pending events
        std::function<bool()> abandoned; // true once the window has closed
    };
    // Imports `file` into the Favorites folder `root`, running the window's
    // events as it goes. nullopt when the import was cancelled (and undone).
    std::optional<favourites::ImportResult> run(const std::string& file, const std::string& root,
                                                const Hooks& hooks);
    void cancel() { m_cancel_asked = true; }
    bool running() const { return m_running; }
    static bool any_running() { return s_running > 0; }

    Gtk::Label& progress_label() { return m_text; }
    Gtk::Button& cancel_button() { return m_cancel; }

private:
    void show_progress(const std::string& text, const Hooks& hooks);

    Gtk::Label m_text;
    Gtk::Button m_cancel{"Cancel"};
    bool m_running = false;
    bool m_cancel_asked = false;
    static int s_running;
};

} // namespace driftway::gtk
