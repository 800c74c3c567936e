#include "gtk/toolbar.h"

#include "browser/layout.h"
#include "commands/toolbar.h"
#include "gtk/resources.h"

#include <gdkmm/general.h>
#include <glibmm/error.h>

#include <cmath>

namespace driftway::gtk {

namespace {

// Button geometry in twips: left 120 + 615 * i, top 40, 360 square.
constexpr float kButtonLeft = 120;
constexpr float kButtonPitch = 615;
constexpr float kButtonTop = 40;
constexpr float kButtonSize = 360;
constexpr int kIconSize = 24;

// The tile's natural height in pixels: the lower row starts right below it.
constexpr float kTileRows = 26;

} // namespace

// ---------------------------------------------------------------- PicTool

PicTool::PicTool(int index, Glib::RefPtr<Gdk::Pixbuf> icon) : m_index(index), m_icon(std::move(icon))
{
    set_has_window(false);
    set_can_focus(false);
    signal_grab_broken_event().connect(sigc::mem_fun(*this, &PicTool::on_grab_broken));
}

PicTool::~PicTool()
{
    // The toolkit unrealizes us only after our members are gone; the input
    // window must not outlive this object undestroyed.
    destroy_input_window();
}

void PicTool::destroy_input_window()
{
    if (!m_input)
        return;
    unregister_window(m_input);
    // Destroying gives up a reference of its own; ours goes with reset().
    m_input->reference();
    gdk_window_destroy(m_input->gobj());
    m_input.reset();
}

void PicTool::get_preferred_width_vfunc(int& minimum, int& natural) const
{
    minimum = natural = m_icon ? m_icon->get_width() : kIconSize;
}

void PicTool::get_preferred_height_vfunc(int& minimum, int& natural) const
{
    minimum = natural = m_icon ? m_icon->get_height() : kIconSize;
}

void PicTool::on_realize()
{
    // Without a window of our own this borrows the parent's for drawing.
    Gtk::Widget::on_realize();

    const Gtk::Allocation a = get_allocation();
    GdkWindowAttr attributes{};
    attributes.x = a.get_x();
    attributes.y = a.get_y();
    attributes.width = a.get_width();
    attributes.height = a.get_height();
    attributes.window_type = GDK_WINDOW_CHILD;
    attributes.wclass = GDK_INPUT_ONLY;
    attributes.event_mask = static_cast<int>(get_events()) | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                            GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK;
    m_input = Gdk::Window::create(get_parent_window(), &attributes, GDK_WA_X | GDK_WA_Y);
    register_window(m_input);
    m_input->set_cursor(hand_cursor(get_display()));
}

void PicTool::on_unrealize()
{
    destroy_input_window();
    Gtk::Widget::on_unrealize();
}

void PicTool::on_map()
{
    Gtk::Widget::on_map();
    if (m_input)
        m_input->show();
}

void PicTool::on_unmap()
{
    // A button hidden while held will never see its release.
    m_held_button = 0;
    m_look = ToolLook::Flat;
    if (m_input)
        m_input->hide();
    Gtk::Widget::on_unmap();
}

void PicTool::on_size_allocate(Gtk::Allocation& allocation)
{
    set_allocation(allocation);
    if (m_input)
        m_input->move_resize(allocation.get_x(), allocation.get_y(), allocation.get_width(),
                             allocation.get_height());
}

bool PicTool::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    const int w = get_allocated_width();
    const int h = get_allocated_height();
    const int shift = m_look == ToolLook::Sunken ? 1 : 0;
    if (m_icon) {
        const int x = (w - m_icon->get_width()) / 2 + shift;
        const int y = (h - m_icon->get_height()) / 2 + shift;
        Gdk::Cairo::set_source_pixbuf(cr, m_icon, x, y);
        cr->rectangle(x, y, m_icon->get_width(), m_icon->get_height());
        cr->fill();
    }
    if (m_look == ToolLook::Sunken) {
        // A single-line inset frame: shadow above and left, light below and right.
        cr->set_line_width(1);
        cr->set_source_rgb(128 / 255.0, 128 / 255.0, 128 / 255.0);
        cr->move_to(0.5, h);
        cr->line_to(0.5, 0.5);
        cr->line_to(w, 0.5);
        cr->stroke();
        cr->set_source_rgb(1, 1, 1);
        cr->move_to(w - 0.5, 1);
        cr->line_to(w - 0.5, h - 0.5);
        cr->line_to(1, h - 0.5);
        cr->stroke();
    }
    return false;
}

void PicTool::set_look(ToolLook look)
{
    if (m_look == look)
        return;
    m_look = look;
    queue_draw();
}

bool PicTool::over_button(const GdkEventButton& event) const
{
    if (!m_input)
        return false;
    // Root coordinates hold whichever window the grabbed release came through.
    int ox = 0;
    int oy = 0;
    m_input->get_origin(ox, oy);
    const double x = event.x_root - ox;
    const double y = event.y_root - oy;
    return x >= 0 && y >= 0 && x < get_allocated_width() && y < get_allocated_height();
}

bool PicTool::on_button_press_event(GdkEventButton* event)
{
    // Double and triple clicks arrive as extra presses; the first one counts.
    if (event->type != GDK_BUTTON_PRESS || m_held_button != 0)
        return true;
    m_held_button = event->button;
    set_look(ToolLook::Sunken);
    return true;
}

bool PicTool::on_button_release_event(GdkEventButton* event)
{
    if (m_held_button == 0 || event->button != m_held_button)
        return true;
    m_held_button = 0;
    const bool click = event->button == GDK_BUTTON_PRIMARY && over_button(*event);
    set_look(ToolLook::Flat);
    if (on_mouse_up)
        on_mouse_up(m_index);
    if (click && on_click)
        on_click(m_index);
    return true;
}

bool PicTool::on_grab_broken(GdkEventGrabBroken* /*event*/)
{
    // Another grab took the pointer: no release will come, so stand up again.
    m_held_button = 0;
    set_look(ToolLook::Flat);
    return false;
}

// ---------------------------------------------------------------- Toolbar

Toolbar::Toolbar(float tpp, Glib::RefPtr<Gdk::Pixbuf> tile) : m_tpp(tpp), m_tile(std::move(tile))
{
    if (!m_tile) {
        try {
            m_tile = load_picture(picture::kTile);
        } catch (const Glib::Error& e) {
            g_warning("The toolbar tile is missing: %s", e.what().c_str());
        }
    }

    const int size = to_pixels(kButtonSize, m_tpp);
    for (int i = 0; i < kButtonCount; ++i) {
        Glib::RefPtr<Gdk::Pixbuf> icon;
        try {
            icon = load_picture(picture::kToolButtons[static_cast<size_t>(i)]);
        } catch (const Glib::Error& e) {
            g_warning("A toolbar icon is missing: %s", e.what().c_str());
        }
        auto button = std::make_unique<PicTool>(i, std::move(icon));
        button->set_tooltip_text(commands::kToolTips[static_cast<size_t>(i)]);
        // Read the handlers at call time, so the window may set them after construction.
        button->on_mouse_up = [this](int index) {
            if (on_mouse_up)
                on_mouse_up(index);
        };
        button->on_click = [this](int index) {
            if (on_click)
                on_click(index);
        };
        put(*button, to_pixels(kButtonLeft + kButtonPitch * static_cast<float>(i), m_tpp),
            to_pixels(kButtonTop, m_tpp));
        button->set_size_request(size, size);
        button->show();
        m_buttons.push_back(std::move(button));
    }
}

bool Toolbar::on_draw(const Cairo::RefPtr<Cairo::Context>& cr)
{
    // A layout draws its children on its bin window; paint beneath them there.
    const Glib::RefPtr<Gdk::Window> bin = get_bin_window();
    if (bin && gtk_cairo_should_draw_window(cr->cobj(), bin->gobj())) {
        cr->save();
        gtk_cairo_transform_to_window(cr->cobj(), GTK_WIDGET(gobj()), bin->gobj());
        paint_background(cr);
        cr->restore();
    }
    return Gtk::Layout::on_draw(cr);
}

void Toolbar::paint_background(const Cairo::RefPtr<Cairo::Context>& cr) const
{
    cr->set_source_rgb(224 / 255.0, 224 / 255.0, 224 / 255.0);
    cr->paint();
    if (!m_tile)
        return;

    double clip_x1 = 0;
    double clip_y1 = 0;
    double clip_x2 = 0;
    double clip_y2 = 0;
    cr->get_clip_extents(clip_x1, clip_y1, clip_x2, clip_y2);
    const int tile_w = m_tile->get_width();
    const int tile_h = m_tile->get_height();
    const float inner_width = static_cast<float>(get_allocated_width()) * m_tpp;

    // The lower row first, then the top row, each from x = 0 in steps of the
    // tile's width in whole twips while x stays within the inner width.
    for (const float row_top : {kTileRows * m_tpp, 0.0f}) {
        const browser::TileRow row = browser::tile_row(inner_width, m_tpp);
        if (row.step_twips <= 0)
            return; // a step that rounds to nothing would never end the row
        const int y = to_pixels(row_top, m_tpp);
        if (y >= clip_y2 || y + tile_h <= clip_y1)
            continue;
        for (int x_twips = 0; x_twips <= row.last_twips; x_twips += row.step_twips) {
            const int x = to_pixels(static_cast<float>(x_twips), m_tpp);
            if (x >= clip_x2)
                break;
            if (x + tile_w <= clip_x1)
                continue;
            Gdk::Cairo::set_source_pixbuf(cr, m_tile, x, y);
            cr->rectangle(x, y, tile_w, tile_h);
            cr->fill();
        }
    }
}

} // namespace driftway::gtk
