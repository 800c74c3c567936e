#include "gtk/address_box_arrow.h"

#include <gtkmm/cssprovider.h>

namespace driftway::gtk {

namespace {

// The first toggle button in widget's tree: a combo box's drop-down button.
GtkWidget* find_toggle_button(GtkWidget* widget)
{
    if (GTK_IS_TOGGLE_BUTTON(widget))
        return widget;
    if (!GTK_IS_CONTAINER(widget))
        return nullptr;
    struct Search {
        GtkWidget* found = nullptr;
    } search;
    gtk_container_forall(
        GTK_CONTAINER(widget),
        [](GtkWidget* child, gpointer data) {
            auto* s = static_cast<Search*>(data);
            if (!s->found)
                s->found = find_toggle_button(child);
        },
        &search);
    return search.found;
}

} // namespace

void use_drawn_arrow(Gtk::ComboBox& box)
{
    static const bool added = [&box] {
        auto p = Gtk::CssProvider::create();
        p->load_from_data(".driftway-address arrow { -gtk-icon-source: none; }");
        Gtk::StyleContext::add_provider_for_screen(box.get_screen(), p,
                                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        return true;
    }();
    (void)added;
    box.get_style_context()->add_class("driftway-address");
    box.signal_draw().connect(
        // The button lives as long as the box: found on the first draw, kept.
        [&box, button = static_cast<GtkWidget*>(nullptr)](const Cairo::RefPtr<Cairo::Context>& cr) mutable {
            if (!button)
                button = find_toggle_button(GTK_WIDGET(box.gobj()));
            int x = 0;
            int y = 0;
            if (!button || !gtk_widget_translate_coordinates(button, GTK_WIDGET(box.gobj()), 0, 0, &x, &y))
                return false;
            GdkRGBA color;
            GtkStyleContext* style = gtk_widget_get_style_context(button);
            gtk_style_context_get_color(style, gtk_style_context_get_state(style), &color);
            const double cx = x + gtk_widget_get_allocated_width(button) / 2.0;
            const double cy = y + gtk_widget_get_allocated_height(button) / 2.0;
            cr->set_source_rgba(color.red, color.green, color.blue, color.alpha);
            cr->move_to(cx - 4.5, cy - 2);
            cr->line_to(cx + 4.5, cy - 2);
            cr->line_to(cx, cy + 2.5);
            cr->close_path();
            cr->fill();
            return false;
        },
        true);
}

} // namespace driftway::gtk
