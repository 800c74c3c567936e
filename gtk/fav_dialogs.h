#pragma once

#include "favourites/fav_window.h"
#include "gtk/fav_folder_tree.h"
#include "platform/prompts.h"

#include <gtkmm/dialog.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>

#include <optional>
#include <string>

namespace driftway::gtk {

// The folder picker: title "Favorites", the instruction "Move to...", and
// only the folders under the Favorites folder, itself included.
class FolderPickerDialog : public Gtk::Dialog {
public:
    FolderPickerDialog(Gtk::Window* parent, const std::string& favorites_folder);

    FavFolderTree& folders() { return m_folders; }
    // The selected folder's path, "" for none.
    std::string chosen() const { return m_folders.selected_path(); }

private:
    Gtk::Label m_instruction;
    FavFolderTree m_folders;
};

// The favourites dialogs as modal GTK dialogs over a parent window. Failures
// of the file operations they make are told through `prompts`.
class GtkFavDialogs : public favourites::FavDialogs {
public:
    GtkFavDialogs(Gtk::Window* parent, platform::Prompts& prompts) : m_parent(parent), m_prompts(prompts) {}

    std::optional<favourites::AddFavoriteChoice> AddFavorite(const std::string& address,
                                                             const std::string& suggested_name,
                                                             const std::string& favorites_folder) override;
    void OrganizeFavorites(const std::string& favorites_folder) override;
    std::string BrowseForFolder(const std::string& favorites_folder) override;
    void ShowProperties(const std::string& path) override;

    // BrowseForFolder over another window, such as the organise dialog.
    std::string browse_for_folder(Gtk::Window* owner, const std::string& favorites_folder);

private:
    Gtk::Window* m_parent;
    platform::Prompts& m_prompts;
};

} // namespace driftway::gtk
