#pragma once

#include <gtkmm/layout.h>

namespace driftway::gtk {

// A Gtk::Layout that paints the background its style gives it (a CSS
// background-colour) beneath its children; the plain layout paints none, and
// the theme's colour would show through.
class PaintedLayout : public Gtk::Layout {
protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override
    {
        get_style_context()->render_background(cr, 0, 0, get_allocated_width(), get_allocated_height());
        return Gtk::Layout::on_draw(cr);
    }
};

} // namespace driftway::gtk
