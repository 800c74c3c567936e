#pragma once

#include "platform/prompts.h"

#include <gtkmm/dialog.h>
#include <gtkmm/window.h>

#include <string>

namespace driftway::gtk {

// Small pieces the favourites dialogs share.

// A path as a message shows it: readable and in double quotes.
std::string quoted_path(const std::string& path);

// Tells the user `text` in a message box with OK.
void show_message(platform::Prompts& prompts, const std::string& text, const std::string& caption);

// Makes the dialog modal over parent (over nothing when parent is null).
void place_over(Gtk::Dialog& dialog, Gtk::Window* parent);

} // namespace driftway::gtk
