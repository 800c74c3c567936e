#pragma once

#include "platform/prompts.h"

#include <gtk/gtk.h>
#include <gtkmm/window.h>

namespace driftway::gtk {

// Puts the desktop's icon of that name (dialog-error, dialog-question, ...)
// beside a message dialog's text; nullptr leaves the dialog without one.
void show_message_icon(GtkMessageDialog* dialog, const char* icon_name);

// Message boxes and file dialogs as modal GTK dialogs over a parent window.
class GtkPrompts : public platform::Prompts {
public:
    explicit GtkPrompts(Gtk::Window* parent = nullptr) : m_parent(parent) {}

    platform::MsgAnswer message_box(const std::string& text, const std::string& caption,
                                    platform::MsgButtons buttons, platform::MsgIcon icon) override;
    std::optional<std::string> open_file(const std::string& title,
                                         const std::vector<platform::FileFilter>& filters) override;
    std::optional<std::string> save_file(const std::string& title, const std::string& suggested_name,
                                         const std::vector<platform::FileFilter>& filters) override;

private:
    Gtk::Window* m_parent;
};

} // namespace driftway::gtk
