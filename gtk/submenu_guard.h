#pragma once

#include <gtkmm/menushell.h>

namespace driftway::gtk {

// Keeps GTK's accessibility focus tracking consistent when an assistive
// client opens the submenus of menu in quick succession (its "click" action
// on an item with a submenu). GTK 3 reports focus on menu items from an idle
// callback; a client that sends its next request before that callback has run
// makes GTK report two items of the same submenu at once, which it treats as
// impossible and aborts the program. Opening a submenu now starts from a fresh
// selection of its item, which retires the earlier report first.
void guard_submenu_opening(Gtk::MenuShell& menu);

} // namespace driftway::gtk
