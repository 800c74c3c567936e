#pragma once

#include "favourites/fav_window.h"
#include "gtk/fav_folder_tree.h"
#include "platform/prompts.h"

#include <gtkmm/button.h>
#include <gtkmm/dialog.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>

#include <string>

namespace driftway::gtk {

// Add Favorite: the name (the suggestion preselected), where to put it, New
// Folder, OK and Cancel.
class AddFavoriteDialog : public Gtk::Dialog {
public:
    AddFavoriteDialog(Gtk::Window* parent, platform::Prompts& prompts, const std::string& address,
                      const std::string& suggested_name, const std::string& favorites_folder);

    Gtk::Entry& name_entry() { return m_name; }
    FavFolderTree& folders() { return m_folders; }
    Gtk::Button& new_folder_button() { return m_new_folder; }
    favourites::AddFavoriteChoice choice() const;

private:
    void on_new_folder();
    void on_renamed(const std::string& path, const std::string& text);
    void update_ok();

    platform::Prompts& m_prompts;
    Gtk::Label m_intro, m_address, m_name_label, m_folder_label;
    Gtk::Entry m_name;
    FavFolderTree m_folders;
    Gtk::Button m_new_folder;
    Gtk::Button* m_ok = nullptr;
};

} // namespace driftway::gtk
