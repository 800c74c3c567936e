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
    // Enter on a selected favourite: the window opens it. (Enter on a folder
    // opens or closes it in the view.)
    std::function<void()> on_open_selected;
    // Node `node` was dragged and dropped onto the folder `target`; the
    // window moves it there. Only drops that can_drop_into allows arrive.
    std::function<void(int node, int target)> on_drop;

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
    // What a drag of `node` over the row at (x, y) of the tree view's bin
    // window would do: the folder it would land in, highlighted as the drop
    // row, or 0 (nothing highlighted) where it may not be dropped.
    int drag_over(int node, int x, int y);
    // Ends a drag: drops `node` onto `target` when that is allowed (0: the
    // drag was abandoned) and gives the drop row back to the model's drop
    // highlight.
    void drag_ended(int node, int target);

private:
    // Counts nested "updating" sections (see m_updating).
    class Updating {
    public:
        explicit Updating(int& depth) : m_depth(depth) { ++m_depth; }
        ~Updating() { --m_depth; }
        Updating(const Updating&) = delete;
        Updating& operator=(const Updating&) = delete;

    private:
        int& m_depth;
    };

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

    void setup_drag_and_drop();
    void cancel_click_edit();
    bool start_click_edit();
    void scroll_to_selection();
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
    void on_label_editing_started(Gtk::CellEditable* editable, const Glib::ustring& path);
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

    // The open label editor, and how its edit ended: focus taken elsewhere
    // keeps the typed name, Escape drops it.
    GtkWidget* m_editor = nullptr; // compared only: it goes with the edit
    Glib::ustring m_editor_path;
    Glib::ustring m_editor_text;
    bool m_editor_lost_focus = false;

    // The left button's press: the node under it (its key, so that a rebuild
    // in between cannot make the release open another), and whether that
    // node was selected already, which makes the click a label edit.
    std::string m_press_key;
    int m_press_index = 0;
    bool m_press_on_selected_label = false;
    sigc::connection m_click_edit;

    // The node being dragged, 0 when none.
    int m_drag_node = 0;
    int m_drag_target = 0;
    sigc::connection m_scroll_when_shown;
    int m_shown_height = -1; // the height the selection was last brought into view at
};

} // namespace driftway::gtk
