#pragma once

#include "platform/menu_model.h"

#include <gtkmm/accelgroup.h>
#include <gtkmm/menu.h>
#include <gtkmm/menubar.h>
#include <gtkmm/menuitem.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace driftway::gtk {

// Turns menu descriptions into GTK menus and keeps the items reachable by set
// name and index (designed menus) or by command id, so that the window logic
// can change check marks and enabled states. Submenus are filled when they
// first open, so a large Favorites menu costs little until it is used.
class MenuRenderer {
public:
    // Called when an entry is chosen, and when a menu title or an entry with a
    // submenu opens.
    using Activate = std::function<void(const platform::MenuEntry& entry)>;

    MenuRenderer(Glib::RefPtr<Gtk::AccelGroup> accel, Activate on_activate);

    // Appends one entry (a title with its items, for a menu bar) to a menu
    // shell; returns the widget made for it.
    Gtk::MenuItem* append(Gtk::MenuShell& shell, const platform::MenuEntry& entry);
    // Inserts at a position instead.
    Gtk::MenuItem* insert(Gtk::MenuShell& shell, const platform::MenuEntry& entry, int position);
    // Builds a standalone popup menu from a title entry's children.
    std::unique_ptr<Gtk::Menu> popup(const platform::MenuEntry& title);

    void set_checked(const std::string& set, int index, bool checked);
    void set_enabled(const std::string& set, int index, bool enabled);
    void set_visible(const std::string& set, int index, bool visible);
    bool checked(const std::string& set, int index) const;
    Gtk::MenuItem* item(const std::string& set, int index) const;

    // Forgets widgets (and their entries) keyed by command id, before a menu
    // that holds them is thrown away.
    void forget_ids();

    // GTK's mnemonic form of a caption: "&File" -> "_File", "_" doubled.
    static std::string mnemonic(const std::string& caption);

private:
    struct Node {
        platform::MenuEntry entry;
        Gtk::MenuItem* widget = nullptr;
        bool filled = false;
    };
    Gtk::MenuItem* make_item(const platform::MenuEntry& entry);
    void fill(Gtk::Menu& menu, const std::vector<platform::MenuEntry>& children);
    void remember(const platform::MenuEntry& entry, Gtk::MenuItem* widget);

    Glib::RefPtr<Gtk::AccelGroup> m_accel;
    Activate m_on_activate;
    std::map<std::pair<std::string, int>, Gtk::MenuItem*> m_by_set;
    std::map<Gtk::MenuItem*, bool> m_updating;
};

} // namespace driftway::gtk
