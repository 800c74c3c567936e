#pragma once

#include "platform/prompts.h"

#include <glibmm/main.h>
#include <gtkmm/box.h>
#include <gtkmm/image.h>
#include <gtkmm/messagedialog.h>

#include <string>
#include <vector>

namespace driftway::testing {

// Answers every message box that appears while it lives, from a timer of the
// main loop (message boxes run a loop of their own), and records what they
// said, the icon beside the text and which window they stood over.
// GtkPrompts' boxes answer with the MsgAnswer numbers.
class MessageBoxAnswerer {
public:
    struct Seen {
        std::string text;
        Gtk::Window* parent;
        std::string icon;
    };

    explicit MessageBoxAnswerer(platform::MsgAnswer answer)
    {
        m_timer = Glib::signal_timeout().connect(
            [this, response = static_cast<int>(answer)] {
                for (Gtk::Window* window : Gtk::Window::list_toplevels()) {
                    auto* box = dynamic_cast<Gtk::MessageDialog*>(window);
                    if (!box || !box->get_mapped())
                        continue;
                    // The icon is the first child of the row that holds the text.
                    auto* row = dynamic_cast<Gtk::Box*>(box->get_message_area()->get_parent());
                    auto* image = row ? dynamic_cast<Gtk::Image*>(row->get_children().front()) : nullptr;
                    seen.push_back({box->property_text().get_value(), box->get_transient_for(),
                                    image ? image->property_icon_name().get_value() : ""});
                    box->hide();
                    box->response(response);
                }
                return true;
            },
            20);
    }
    ~MessageBoxAnswerer() { m_timer.disconnect(); }
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    std::vector<Seen> seen;

private:
    sigc::connection m_timer;
};

} // namespace driftway::testing
