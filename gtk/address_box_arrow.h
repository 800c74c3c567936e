#pragma once

#include <gtkmm/combobox.h>

namespace driftway::gtk {

// The address box's drop-down arrow is drawn here rather than taken from the
// icon theme: looking up the theme's arrow reads the whole icon theme before
// the first frame.
void use_drawn_arrow(Gtk::ComboBox& box);

} // namespace driftway::gtk
