#pragma once

#include "platform/prompts.h"

#include <glibmm/main.h>
#include <gtkmm/box.h>
#include <gtkmm/image.h>
#include <gtkmm/messagedialog.h>

#include <chrono>
#include <string>
#include <type_traits>
#include <vector>

namespace driftway::testing {

// Acts on the first shown window of type W as soon as it appears, from a
// timer (modal dialogs run loops of their own); an act that answers a bool is
// called again until it answers true. A window still open long after is
// closed, or else a gtk_main() still running ended, so that a failing test
// cannot hang.
template <typename W, typename Act> void when_shown(Act act, int timeout_ms = 10000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    const auto find = [] {
        for (Gtk::Window* w : Gtk::Window::list_toplevels())
            if (auto* shown = dynamic_cast<W*>(w); shown && shown->get_mapped())
                return shown;
        return static_cast<W*>(nullptr);
    };
    Glib::signal_timeout().connect(
        [act, end, find] {
            W* w = find();
            if constexpr (std::is_void_v<decltype(act(*w))>) {
                if (w)
                    return act(*w), false;
            } else if (w && act(*w)) {
                return false;
            }
            return std::chrono::steady_clock::now() < end;
        },
        20);
    Glib::signal_timeout().connect_once(
        [find] {
            if (W* w = find())
                w->close();
            else if (gtk_main_level() > 0)
                gtk_main_quit();
        },
        timeout_ms * 2);
}

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
