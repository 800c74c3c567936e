#pragma once

#include "favourites/mod_faves.h"
#include "favourites/tree_model.h"

#include <gdkmm/pixbuf.h>
#include <gtkmm/cellrendererpixbuf.h>
#include <gtkmm/cellrenderertext.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/treestore.h>
#include <gtkmm/treeview.h>

#include <functional>
#include <string>
#include <vector>

namespace driftway::gtk {

// A picture of the program's resources by name, or the desktop theme's icon
// of that size when the resources lack it; null when neither exists.
Glib::RefPtr<Gdk::Pixbuf> load_picture_or_icon(const std::string& name, const char* theme_icon, int size);

// The favourites tree control: a GtkTreeView that mirrors a favourites
// TreeModel. The model is the truth; the view reports what the user does
// (selecting, expanding, collapsing, editing a label, clicking) and shows what
// the model says. Rows are made lazily: a folder's children get rows the first
// time the folder is shown expanded, so a refresh of a very large Favorites
// folder costs little more than its visible rows.
//
// The model must outlive the view.
class FavTreeView : public Gtk::ScrolledWindow, private favourites::TreeListener {
public:
    explicit FavTreeView(favourites::TreeModel& model);
    ~FavTreeView() override;
    FavTreeView(const FavTreeView&) = delete;
    FavTreeView& operator=(const FavTreeView&) = delete;

    // A label edit ended with this text; the answer comes from
    // ModFaves::AfterLabelEdit. The view never writes the label itself: it
    // shows whatever the model holds afterwards.
    std::function<favourites::LabelEdit(const std::string&)> on_after_label_edit;
    // A mouse button was released over the tree, at (x, y) in the tree view's
    // own coordinates (the ones HitTest takes).
    std::function<void(favourites::MouseButton, double, double)> on_mouse_up;
    // Shift+F10 or the Menu key: the window pops up the context menu for the
    // selected node.
    std::function<void()> on_context_menu_key;

    Gtk::TreeView& tree_view() { return m_view; }
    favourites::TreeModel& model() { return m_model; }

    // The row showing node `index`, or an empty path when the node has no row
    // yet (it lies inside a folder that was never shown expanded).
    Gtk::TreePath path_of(int index) const;
    // The node shown by a row, 0 for none.
    int index_at(const Gtk::TreePath& path) const;
    // The picture (1 to 3) the node's row shows now: image 2 is a folder's
    // while it is the selected row.
    int shown_image(int index) const;
    // The picture of the image list for image number 1 to 3.
    Glib::RefPtr<Gdk::Pixbuf> picture(int image) const;
    // Whether the label editor is open.
    bool editing() const { return m_editing; }
    // Rows that exist in the GTK model, placeholders included.
    int row_count() const;

private:
    struct Columns : Gtk::TreeModelColumnRecord {
        Columns()
        {
            add(index);
            add(text);
            add(image);
            add(selected_image);
        }
        Gtk::TreeModelColumn<int> index; // 0 for the placeholder of an unbuilt folder
        Gtk::TreeModelColumn<Glib::ustring> text;
        // Copies of the node's pictures, so that drawing never reads a model
        // that is being rebuilt.
        Gtk::TreeModelColumn<int> image;
        Gtk::TreeModelColumn<int> selected_image;
    };

    // TreeListener
    void on_added(int index) override;
    void on_cleared() override;
    void on_expanded(int index, bool expanded) override;
    void on_selected(int index) override;
    void on_drop_highlight(int index) override;
    void on_ensure_visible(int index) override;
    void on_start_label_edit(int index) override;
    void on_focus() override;
    void on_freeze() override;
    void on_thaw() override;
    int hit_test(double x, double y) override;

    void rebuild();
    void link(int index);
    void grow(int count);
    Gtk::TreeIter append_row(int index);
    Gtk::TreeIter prepend_row(int index);
    Gtk::TreeIter fill_row(int index, const Gtk::TreeIter& it);
    void build_children(int index);
    bool ensure_row(int index);
    bool shown(int index);
    bool expand_in_view(int index);
    void show_selection(int index);
    void show_drop_highlight();
    void on_image_data(Gtk::CellRenderer* cell, const Gtk::TreeIter& iter);

    bool on_view_button_press(GdkEventButton* event);
    bool on_view_button_release(GdkEventButton* event);
    bool on_view_key_press(GdkEventKey* event);
    bool on_view_popup_menu();
    bool on_view_test_expand_row(const Gtk::TreeIter& iter, const Gtk::TreePath& path);
    void on_view_row_expanded(const Gtk::TreeIter& iter, const Gtk::TreePath& path);
    void on_view_row_collapsed(const Gtk::TreeIter& iter, const Gtk::TreePath& path);
    void on_view_row_activated(const Gtk::TreePath& path, Gtk::TreeViewColumn* column);
    void on_selection_changed();
    void on_label_edited(const Glib::ustring& path, const Glib::ustring& text);
    void finish_label_edit(const std::string& text);
    void on_label_edit_canceled();

    favourites::TreeModel& m_model;
    Columns m_columns;
    Glib::RefPtr<Gtk::TreeStore> m_store;
    Gtk::TreeView m_view;
    Gtk::TreeViewColumn m_column;
    Gtk::CellRendererPixbuf m_image_cell;
    Gtk::CellRendererText m_text_cell;
    mutable Glib::RefPtr<Gdk::Pixbuf> m_pictures[3];

    // Per node, 1-based: its row (when made), whether its children have rows,
    // and the node's children as a linked list built from the parent links.
    std::vector<Gtk::TreeIter> m_rows;
    std::vector<char> m_children_built;
    // Slot 0 stands for the top level.
    std::vector<int> m_first_child, m_last_child, m_next_sibling;

    // Set while the view itself changes rows or the selection, so that those
    // changes are not reported back to the model as the user's.
    int m_updating = 0;
    bool m_frozen = false;
    bool m_editing = false;
    Glib::RefPtr<Gdk::Window> m_frozen_window;
};

} // namespace driftway::gtk
