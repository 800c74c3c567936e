#pragma once

#include "gtk/twips.h"

#include <gdkmm/pixbuf.h>
#include <gdkmm/window.h>
#include <gtkmm/layout.h>
#include <gtkmm/widget.h>

#include <functional>
#include <memory>
#include <vector>

namespace driftway::gtk {

enum class ToolLook { Flat, Sunken };

// One toolbar button (PicTool(index)): a flat, borderless picture that looks
// sunken from mouse down to mouse up. It draws on its parent's window and
// takes the pointer through an input-only window of its own, which carries
// the hand cursor and keeps the pointer grabbed while a button is held, so
// the release reaches it wherever it happens.
class PicTool : public Gtk::Widget {
public:
    PicTool(int index, Glib::RefPtr<Gdk::Pixbuf> icon);
    ~PicTool() override;
    PicTool(const PicTool&) = delete;
    PicTool& operator=(const PicTool&) = delete;

    int index() const { return m_index; }
    ToolLook look() const { return m_look; }
    // The window that takes the pointer (null until realized); its cursor is the hand.
    Glib::RefPtr<Gdk::Window> input_window() const { return m_input; }

    // Mouse up of the button that went down, wherever the pointer is.
    std::function<void(int)> on_mouse_up;
    // A left-button release over the button after a press on it; runs after on_mouse_up.
    std::function<void(int)> on_click;

protected:
    void get_preferred_width_vfunc(int& minimum, int& natural) const override;
    void get_preferred_height_vfunc(int& minimum, int& natural) const override;
    void on_realize() override;
    void on_unrealize() override;
    void on_map() override;
    void on_unmap() override;
    void on_size_allocate(Gtk::Allocation& allocation) override;
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;
    bool on_button_press_event(GdkEventButton* event) override;
    bool on_button_release_event(GdkEventButton* event) override;

private:
    void set_look(ToolLook look);
    bool over_button(const GdkEventButton& event) const;
    bool on_grab_broken(GdkEventGrabBroken* event);
    void destroy_input_window();

    int m_index;
    Glib::RefPtr<Gdk::Pixbuf> m_icon;
    Glib::RefPtr<Gdk::Window> m_input;
    ToolLook m_look = ToolLook::Flat;
    guint m_held_button = 0; // the mouse button that went down on us, 0 when none
};

// The painted toolbar (PicToolbar): a light grey bar that tiles bitmap 101
// across its width in two rows and holds the nine PicTool buttons at their
// fixed places. It is a Gtk::Layout, so the window puts the address box into
// it itself (put(), then move() and set_size_request() in pixels from twips).
class Toolbar : public Gtk::Layout {
public:
    static constexpr int kButtonCount = 9;

    // tpp: the screen's twips per pixel. tile: the background tile; bitmap 101
    // from the program's pictures when empty.
    explicit Toolbar(float tpp = twips_per_pixel(), Glib::RefPtr<Gdk::Pixbuf> tile = {});
    Toolbar(const Toolbar&) = delete;
    Toolbar& operator=(const Toolbar&) = delete;

    PicTool& button(int index) { return *m_buttons.at(static_cast<size_t>(index)); }
    float tpp() const { return m_tpp; }

    // PicTool mouse up (the window gives the page the keyboard focus) and
    // click (the window runs the button's action), each with the button's index.
    std::function<void(int)> on_mouse_up;
    std::function<void(int)> on_click;

protected:
    bool on_draw(const Cairo::RefPtr<Cairo::Context>& cr) override;

private:
    void paint_background(const Cairo::RefPtr<Cairo::Context>& cr) const;

    float m_tpp;
    Glib::RefPtr<Gdk::Pixbuf> m_tile;
    std::vector<std::unique_ptr<PicTool>> m_buttons;
};

} // namespace driftway::gtk
