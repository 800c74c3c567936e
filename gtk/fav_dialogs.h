#pragma once

#include "favourites/fav_window.h"
#include "platform/prompts.h"

#include <gdkmm/pixbuf.h>
#include <gtkmm/button.h>
#include <gtkmm/cellrendererpixbuf.h>
#include <gtkmm/cellrenderertext.h>
#include <gtkmm/dialog.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/treestore.h>
#include <gtkmm/treeview.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace driftway::gtk {

// The Favorites folder as it is on disk, as a tree for the favourites
// dialogs: the root "Favorites", its folders and, when asked, the favourites
// in them. Paths are kept as bytes; names are shown readably.
class FavFolderTree : public Gtk::ScrolledWindow {
public:
    enum class Show { Folders, FoldersAndItems };
    // `favorites_folder` is given without a trailing "/".
    FavFolderTree(std::string favorites_folder, Show show);
    FavFolderTree(const FavFolderTree&) = delete;
    FavFolderTree& operator=(const FavFolderTree&) = delete;

    // Reads the folder again and selects `select` (the root when it is not
    // there any more).
    void reload(const std::string& select = {});
    // The selected entry's path without a trailing "/", or "" for none.
    std::string selected_path() const;
    bool selected_is_folder() const;
    bool selected_is_root() const { return selected_path() == m_root; }
    // Shows and selects an entry; false when the tree has no such path.
    bool select_path(const std::string& path);
    // Opens the entry's name for editing; on_renamed follows when the user
    // ends the edit.
    void start_rename(const std::string& path);
    bool editing() const { return m_editing; }

    const std::string& root() const { return m_root; }
    Gtk::TreeView& tree_view() { return m_view; }
    // What the row of a path shows, or nullopt when there is none.
    std::optional<std::string> text_of(const std::string& path) const;

    std::function<void(const std::string& path, const std::string& new_text)> on_renamed;
    std::function<void()> on_selection_changed;

private:
    struct Columns : Gtk::TreeModelColumnRecord {
        Columns()
        {
            add(text);
            add(path);
            add(folder);
            add(picture);
        }
        Gtk::TreeModelColumn<Glib::ustring> text;
        Gtk::TreeModelColumn<std::string> path;
        Gtk::TreeModelColumn<bool> folder;
        Gtk::TreeModelColumn<Glib::RefPtr<Gdk::Pixbuf>> picture;
    };

    void on_edited(const Glib::ustring& path, const Glib::ustring& text);
    void finish_rename(const std::string& path, const std::string& text);

    std::string m_root;
    Show m_show;
    Columns m_columns;
    Glib::RefPtr<Gtk::TreeStore> m_store;
    Gtk::TreeView m_view;
    Gtk::TreeViewColumn m_column;
    Gtk::CellRendererPixbuf m_picture_cell;
    Gtk::CellRendererText m_text_cell;
    Glib::RefPtr<Gdk::Pixbuf> m_folder_picture, m_item_picture;
    std::unordered_map<std::string, Gtk::TreeIter> m_rows;
    std::string m_renaming;
    bool m_editing = false;
};

// Makes a folder named "New folder" (or New folder1, New folder2, ... when
// that is taken) in `parent`. Its path, or nullopt after telling the user why
// it could not be made.
std::optional<std::string> make_new_folder(const std::string& parent, platform::Prompts& prompts,
                                           const std::string& caption);

// Renames a favourite or folder to `new_text` as its row shows it: an item
// keeps the extension its row hides. Never replaces another entry. The path it
// ends up at, or nullopt when nothing was renamed (the user has been told why,
// unless the name did not change).
std::optional<std::string> rename_entry(const std::string& path, const std::string& new_text,
                                        platform::Prompts& prompts, const std::string& caption);

// The rows of the properties dialog for a favourite file or folder: name,
// kind, location, size, modified and, for an Internet shortcut, its address.
// nullopt when nothing is at `path`.
std::optional<std::vector<std::pair<std::string, std::string>>> favourite_properties(const std::string& path);

// "0 bytes", "512 bytes", "1.5 KB (1,536 bytes)", ...
std::string size_text(unsigned long long bytes);

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

// The properties of one favourite file or folder.
class PropertiesDialog : public Gtk::Dialog {
public:
    PropertiesDialog(Gtk::Window* parent, const std::string& title,
                     const std::vector<std::pair<std::string, std::string>>& rows);

private:
    std::vector<std::unique_ptr<Gtk::Label>> m_labels;
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
