#pragma once

#include "browser/layout.h"
#include "favourites/fav_search.h"
#include "gtk/fav_tree_view.h"
#include "gtk/painted_layout.h"

#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/image.h>

#include <array>
#include <functional>

namespace driftway::platform {
class Prompts;
}

namespace driftway::gtk {

// The favourites pane (PicLeft's children): the search box and button, the
// three PicFav picture buttons and the favourites tree, each at its place in
// twips. The pane's free area is the splitter: the window watches button
// presses, motion and releases on the pane itself, which the pane lets through.
class FavouritesPane : public PaintedLayout {
public:
    // `model` is the window's favourites tree, `prompts` shows the search's
    // "not found" message, `tpp` is the screen's twips per pixel.
    FavouritesPane(favourites::TreeModel& model, platform::Prompts& prompts, float tpp);
    FavouritesPane(const FavouritesPane&) = delete;
    FavouritesPane& operator=(const FavouritesPane&) = delete;

    // PicFav(index) was clicked: 0 add, 1 organise, 2 the View menu's item 0.
    std::function<void(int)> on_picfav;

    // The tree's current place inside the pane, in twips.
    void set_tree_rect(const browser::Rect& rect);

    FavTreeView& tree() { return m_tree; }
    favourites::FavSearch& search() { return m_search; }
    Gtk::Entry& search_box() { return m_txt_search; }
    Gtk::Button& search_button() { return m_cmd_search; }
    Gtk::Button& fav_button(int index) { return m_pic_fav.at(static_cast<std::size_t>(index)); }

private:
    void place(Gtk::Widget& child, const browser::Rect& rect);
    void on_search_clicked();
    void on_search_changed();
    bool on_search_focus_in(GdkEventFocus* event);
    void select_search_text();

    float m_tpp;
    favourites::FavSearch m_search;
    Gtk::Entry m_txt_search;
    Gtk::Button m_cmd_search;
    std::array<Gtk::Button, 3> m_pic_fav;
    std::array<Gtk::Image, 3> m_pic_fav_images;
    sigc::connection m_pictures_once;
    FavTreeView m_tree;
};

// A caption with "&" marking its access key, as a GTK mnemonic label:
// "&Search" becomes "_Search"; "&&" is a plain "&", a plain "_" is doubled.
std::string mnemonic_label(const std::string& caption);

} // namespace driftway::gtk
