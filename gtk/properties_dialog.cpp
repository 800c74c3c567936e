#include "gtk/properties_dialog.h"

#include "gtk/fav_dialog_support.h"

#include <gtkmm/grid.h>

namespace driftway::gtk {

PropertiesDialog::PropertiesDialog(Gtk::Window* parent, const std::string& title,
                                   const std::vector<std::pair<std::string, std::string>>& rows)
    : Gtk::Dialog(title)
{
    place_over(*this, parent);
    set_resizable(false);
    auto* grid = Gtk::manage(new Gtk::Grid);
    grid->set_row_spacing(6);
    grid->set_column_spacing(12);
    grid->set_border_width(12);
    int line = 0;
    for (const auto& [caption, value] : rows) {
        auto& name = *m_labels.emplace_back(std::make_unique<Gtk::Label>(caption));
        auto& shown = *m_labels.emplace_back(std::make_unique<Gtk::Label>(value));
        name.set_xalign(0);
        name.set_yalign(0);
        shown.set_xalign(0);
        shown.set_selectable(true);
        shown.set_line_wrap(true);
        shown.set_line_wrap_mode(Pango::WRAP_WORD_CHAR);
        // Without a width of their own, wrapping labels ask for a very tall dialog.
        shown.set_width_chars(40);
        shown.set_max_width_chars(60);
        shown.set_hexpand(true);
        grid->attach(name, 0, line, 1, 1);
        grid->attach(shown, 1, line, 1, 1);
        ++line;
    }
    get_content_area()->pack_start(*grid, Gtk::PACK_EXPAND_WIDGET);
    add_button("_Close", Gtk::RESPONSE_CLOSE);
    set_default_response(Gtk::RESPONSE_CLOSE);
    show_all_children();
}

} // namespace driftway::gtk
