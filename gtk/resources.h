#pragma once

#include <gdkmm/cursor.h>
#include <gdkmm/display.h>
#include <gdkmm/pixbuf.h>

#include <array>
#include <string>
#include <vector>

namespace driftway::gtk {

// Names of the program's pictures, as load_picture() takes them. Every one is
// drawn by scripts/make_pictures.py and compiled into the GResource bundle
// under /driftway (resources/driftway.gresource.xml).
namespace picture {

// The toolbar's background tile, bitmap resource 101: 6 by 26 pixels, no alpha.
inline constexpr const char* kTile = "tile101";

// The toolbar buttons' 24 by 24 icons, by button index.
inline constexpr std::array<const char*, 9> kToolButtons{
    "tool_previous", "tool_next",      "tool_stop",  "tool_refresh", "tool_home",
    "tool_search",   "tool_favorites", "tool_print", "tool_open",
};

// The pointing hand shown over the toolbar buttons: 32 by 32, its hot spot on
// the fingertip.
inline constexpr const char* kHandCursor = "cursor_hand";
inline constexpr int kHandHotX = 12;
inline constexpr int kHandHotY = 5;

// The favourites tree's images 1 (folder), 2 (selected folder) and 3 (item),
// 16 by 16; index 0 here is image 1.
inline constexpr std::array<const char*, 3> kTreeImages{"tree_folder", "tree_folder_open", "tree_item"};

// The favourites pane's buttons (add, organise, remove), 24 by 24, by index.
inline constexpr std::array<const char*, 3> kFavButtons{"fav_add", "fav_organize", "fav_remove"};

// The window icon, 32 by 32. The same picture in other sizes (and as SVG)
// lies in the bundle as a hicolor theme under /driftway/icons/hicolor.
inline constexpr const char* kWindowIcon = "icons/hicolor/32x32/apps/driftway";
inline constexpr const char* kIconName = "driftway";
// The About box's pictures: the program's icon (48 by 48) and the advert for
// the publisher's editor (64 by 64).
inline constexpr const char* kAboutIcon = "icons/hicolor/48x48/apps/driftway";
inline constexpr const char* kAdvert = "advert_quillpad";

} // namespace picture

// Makes the bundle known to GIO, so that "resource:///driftway/..." paths
// work. Idempotent; load_picture() and add_icons_to_theme() call it.
void register_resources();

// One picture of the bundle by name, e.g. "tile101" (the file name without
// ".png"). Throws Glib::Error when the bundle has no picture by that name.
Glib::RefPtr<Gdk::Pixbuf> load_picture(const std::string& name);

// The application icon in the sizes windows show it, straight from the
// bundle: naming it would make the window read the whole icon theme.
std::vector<Glib::RefPtr<Gdk::Pixbuf>> window_icons();

// The pointing-hand cursor for display; a themed pointer when the display
// cannot show cursors made from pictures.
Glib::RefPtr<Gdk::Cursor> hand_cursor(const Glib::RefPtr<Gdk::Display>& display);

// Lets the default icon theme find the application icon by its name
// ("driftway") from the bundle, so that windows show it without an
// installation. Idempotent.
void add_icons_to_theme();

} // namespace driftway::gtk
