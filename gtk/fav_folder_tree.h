#pragma once

#include <gdkmm/pixbuf.h>
#include <gtkmm/cellrendererpixbuf.h>
#include <gtkmm/cellrenderertext.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/treestore.h>
#include <gtkmm/treeview.h>

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

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

} // namespace driftway::gtk
