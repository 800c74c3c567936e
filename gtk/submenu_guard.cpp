#include "gtk/submenu_guard.h"

#include <gtkmm/menuitem.h>

namespace driftway::gtk {

void guard_submenu_opening(Gtk::MenuShell& menu)
{
    GtkMenuShell* shell = menu.gobj();
    // Runs before the toolkit's own handler opens the submenu and selects its
    // first item.
    g_signal_connect(shell, "activate-current", G_CALLBACK(+[](GtkMenuShell* s, gboolean, gpointer) {
                         GtkWidget* item = gtk_menu_shell_get_selected_item(s);
                         if (!item || !gtk_menu_item_get_submenu(GTK_MENU_ITEM(item)))
                             return;
                         gtk_menu_item_deselect(GTK_MENU_ITEM(item));
                         gtk_menu_shell_select_item(s, item);
                     }),
                     nullptr);
}

} // namespace driftway::gtk
