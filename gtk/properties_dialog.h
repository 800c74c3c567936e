#pragma once

#include <gtkmm/dialog.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace driftway::gtk {

// The properties of one favourite file or folder.
class PropertiesDialog : public Gtk::Dialog {
public:
    PropertiesDialog(Gtk::Window* parent, const std::string& title,
                     const std::vector<std::pair<std::string, std::string>>& rows);

private:
    std::vector<std::unique_ptr<Gtk::Label>> m_labels;
};

} // namespace driftway::gtk
