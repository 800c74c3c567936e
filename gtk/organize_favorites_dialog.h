#pragma once

#include "gtk/fav_folder_tree.h"
#include "platform/prompts.h"

#include <gtkmm/button.h>
#include <gtkmm/dialog.h>
#include <gtkmm/label.h>

#include <string>

namespace driftway::gtk {

class GtkFavDialogs;

// Organize Favorites: the Favorites folder with its favourites, and Create
// Folder, Rename, Move to Folder and Delete on the selected entry.
class OrganizeFavoritesDialog : public Gtk::Dialog {
public:
    OrganizeFavoritesDialog(Gtk::Window* parent, GtkFavDialogs& dialogs, platform::Prompts& prompts,
                            const std::string& favorites_folder);

    FavFolderTree& entries() { return m_entries; }
    Gtk::Button& create_folder_button() { return m_create; }
    Gtk::Button& rename_button() { return m_rename; }
    Gtk::Button& move_button() { return m_move; }
    Gtk::Button& delete_button() { return m_delete; }

private:
    void on_create_folder();
    void on_rename();
    void on_renamed(const std::string& path, const std::string& text);
    void on_move();
    void on_delete();
    void update_buttons();
    // True when the selected entry is still on disk; otherwise says so and
    // reloads.
    bool still_there(const std::string& path);
    void report(const std::string& text);

    GtkFavDialogs& m_dialogs;
    platform::Prompts& m_prompts;
    Gtk::Label m_intro;
    FavFolderTree m_entries;
    Gtk::Button m_create, m_rename, m_move, m_delete;
};

} // namespace driftway::gtk
