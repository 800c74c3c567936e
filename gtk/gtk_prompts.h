#pragma once

#include "platform/prompts.h"

#include <gtkmm/window.h>

namespace driftway::gtk {

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
