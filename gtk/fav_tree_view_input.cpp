#include "gtk/fav_tree_view.h"

#include "favourites/context_menu.h"
#include "favourites/paths.h"

#include <glibmm/main.h>
#include <gtkmm/settings.h>
#include <gtkmm/treeselection.h>

namespace driftway::gtk {

namespace fav = driftway::favourites;

namespace {

// The drag target: rows of this very tree view only.
constexpr const char* kRowTarget = "application/x-driftway-favourite-node";

fav::MouseButton mouse_button(guint button)
{
    switch (button) {
    case 1:
        return fav::MouseButton::Left;
    case 3:
        return fav::MouseButton::Right;
    default:
        return fav::MouseButton::Other;
    }
}

} // namespace

// --- Dragging ------------------------------------------------------------

void FavTreeView::setup_drag_and_drop()
{
    // Rows are dragged within this tree only; the tree view draws the row
    // under the pointer as the drop row, and moving is left to the window.
    const std::vector<Gtk::TargetEntry> targets{Gtk::TargetEntry(kRowTarget, Gtk::TARGET_SAME_WIDGET)};
    m_view.enable_model_drag_source(targets, Gdk::BUTTON1_MASK, Gdk::ACTION_MOVE);
    m_view.drag_dest_set(targets, Gtk::DestDefaults(0), Gdk::ACTION_MOVE);

    m_view.signal_drag_begin().connect(
        [this](const Glib::RefPtr<Gdk::DragContext>&) {
            cancel_click_edit();
            m_drag_node = m_press_index;
            m_drag_target = 0;
            m_press_key.clear();
        },
        false);
    m_view.signal_drag_motion().connect(
        [this](const Glib::RefPtr<Gdk::DragContext>& context, int x, int y, guint time) {
            // Motion comes in widget coordinates; rows are found in the bin window's.
            int bx = 0, by = 0;
            m_view.convert_widget_to_bin_window_coords(x, y, bx, by);
            m_drag_target = drag_over(m_drag_node, bx, by);
            context->drag_status(m_drag_target != 0 ? Gdk::ACTION_MOVE : Gdk::DragAction(0), time);
            return true;
        },
        false);
    // GTK leaves the widget just before it drops, so the target found by
    // the last motion is kept until the drag ends.
    m_view.signal_drag_leave().connect(
        [this](const Glib::RefPtr<Gdk::DragContext>&, guint) { show_drop_highlight(); }, true);
    m_view.signal_drag_drop().connect(
        [this](const Glib::RefPtr<Gdk::DragContext>& context, int, int, guint time) {
            const int node = m_drag_node;
            const int target = m_drag_target;
            context->drag_finish(target != 0, false, time);
            // The move rebuilds the tree and may show messages: not inside
            // the drag's own handlers.
            Glib::signal_idle().connect_once(
                sigc::bind(sigc::mem_fun(*this, &FavTreeView::drag_ended), node, target));
            return true;
        },
        false);
    m_view.signal_drag_end().connect(
        [this](const Glib::RefPtr<Gdk::DragContext>&) {
            m_drag_node = 0;
            m_drag_target = 0;
            show_drop_highlight();
        },
        true);
}

int FavTreeView::drag_over(int node, int x, int y)
{
    Gtk::TreePath path;
    Gtk::TreeViewColumn* column = nullptr;
    int cell_x = 0, cell_y = 0;
    int target = 0;
    if (!m_frozen && m_view.get_path_at_pos(x, y, path, column, cell_x, cell_y))
        target = index_at(path);
    if (target == 0 || !fav::can_drop_into(m_model, node, target)) {
        gtk_tree_view_set_drag_dest_row(m_view.gobj(), nullptr, GTK_TREE_VIEW_DROP_INTO_OR_BEFORE);
        return 0;
    }
    m_view.set_drag_dest_row(path, Gtk::TREE_VIEW_DROP_INTO_OR_AFTER);
    return target;
}

void FavTreeView::drag_ended(int node, int target)
{
    show_drop_highlight();
    if (!m_frozen && target != 0 && fav::can_drop_into(m_model, node, target) && on_drop)
        on_drop(node, target);
}

// --- What the user does --------------------------------------------------

void FavTreeView::on_image_data(Gtk::CellRenderer* cell, const Gtk::TreeIter& iter)
{
    auto* image_cell = static_cast<Gtk::CellRendererPixbuf*>(cell);
    const Gtk::TreeRow row = *iter;
    if (row[m_columns.index] == 0) {
        image_cell->property_pixbuf() = Glib::RefPtr<Gdk::Pixbuf>();
        return;
    }
    const bool selected = m_view.get_selection()->is_selected(iter);
    image_cell->property_pixbuf() = picture(selected ? row[m_columns.selected_image] : row[m_columns.image]);
}

bool FavTreeView::on_view_button_press(GdkEventButton* event)
{
    cancel_click_edit();
    if (m_frozen)
        return true;
    if (event->button == 1) {
        m_press_index = 0;
        m_press_key.clear();
        m_press_on_selected_label = false;
        Gtk::TreePath path;
        Gtk::TreeViewColumn* column = nullptr;
        int cell_x = 0, cell_y = 0;
        if (event->type == GDK_BUTTON_PRESS && m_view.get_bin_window() &&
            event->window == m_view.get_bin_window()->gobj() &&
            m_view.get_path_at_pos(static_cast<int>(event->x), static_cast<int>(event->y), path, column,
                                   cell_x, cell_y)) {
            m_press_index = index_at(path);
            if (m_press_index > 0) {
                m_press_key = m_model.Key(m_press_index);
                int text_x = 0, text_width = 0;
                const bool on_label =
                    m_column.get_cell_position(m_text_cell, text_x, text_width) && cell_x >= text_x;
                const auto mods = event->state & gtk_accelerator_get_default_mod_mask();
                m_press_on_selected_label = on_label && mods == 0 && m_press_index > 1 &&
                                            m_press_index == m_model.SelectedItem() && m_view.is_focus();
            }
        }
    }
    // A right click leaves the selection alone: the context menu acts on the
    // selected node, not on the one under the pointer.
    return event->button == 3;
}

bool FavTreeView::on_view_button_release(GdkEventButton* event)
{
    if (m_frozen)
        return true;
    double x = event->x, y = event->y;
    if (m_view.get_bin_window() && event->window == m_view.get_bin_window()->gobj()) {
        int wx = 0, wy = 0;
        m_view.convert_bin_window_to_widget_coords(static_cast<int>(event->x), static_cast<int>(event->y), wx,
                                                   wy);
        x = wx;
        y = wy;
    }
    bool act = true;
    if (event->button == 1 && !m_press_key.empty()) {
        // A click is a press and a release on the same favourite: when the
        // tree was rebuilt in between (a change on disk), another row may be
        // under the pointer now, and that one is not opened.
        const int index = hit_test(x, y);
        act = index > 0 && m_model.Key(index) == m_press_key;
        if (act && m_press_on_selected_label && index == m_press_index && m_drag_node == 0) {
            // A click on the label of the node that was selected already
            // opens it for editing, as in a file manager, unless a second
            // click makes it a double click.
            const int wait = Gtk::Settings::get_default()->property_gtk_double_click_time() + 50;
            m_click_edit = Glib::signal_timeout().connect(
                sigc::mem_fun(*this, &FavTreeView::start_click_edit), static_cast<unsigned>(wait));
        }
        m_press_key.clear();
    }
    if (act && on_mouse_up)
        on_mouse_up(mouse_button(event->button), x, y);
    // The press of the right button never reached the tree, nor may its release.
    return event->button == 3;
}

bool FavTreeView::on_view_key_press(GdkEventKey* event)
{
    if (m_frozen)
        return true;
    cancel_click_edit();
    const auto mods = event->state & gtk_accelerator_get_default_mod_mask();
    if (mods != 0)
        return false;
    const int selected = m_model.SelectedItem();
    switch (event->keyval) {
    case GDK_KEY_F2:
        // The root is the Favorites folder itself; it keeps its name.
        if (selected > 1)
            m_model.StartLabelEdit();
        return true;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
        if (selected == 0)
            return true;
        if (m_first_child[selected] != 0 || fav::is_folder_key(m_model.Key(selected))) {
            const Gtk::TreePath path = path_of(selected);
            if (!path.empty() && m_view.row_expanded(path))
                m_view.collapse_row(path);
            else if (!path.empty())
                m_view.expand_row(path, false);
        } else if (on_open_selected) {
            on_open_selected();
        }
        return true;
    default:
        return false;
    }
}

void FavTreeView::cancel_click_edit()
{
    m_click_edit.disconnect();
}

bool FavTreeView::start_click_edit()
{
    const int index = m_press_index;
    // Opening the favourite may have moved the focus to the page; then the
    // click was an open, not a rename.
    if (!m_frozen && !m_editing && index > 1 && index == m_model.SelectedItem() && m_view.is_focus() &&
        m_view.get_realized())
        m_model.StartLabelEdit();
    return false;
}

bool FavTreeView::on_view_popup_menu()
{
    if (m_frozen)
        return true;
    if (on_context_menu_key)
        on_context_menu_key();
    return true;
}

bool FavTreeView::on_view_test_expand_row(const Gtk::TreeIter& iter, const Gtk::TreePath& /*path*/)
{
    const int index = (*iter)[m_columns.index];
    if (index > 0) {
        Updating updating(m_updating);
        build_children(index);
    }
    return false;
}

void FavTreeView::on_view_row_expanded(const Gtk::TreeIter& iter, const Gtk::TreePath& /*path*/)
{
    const int index = (*iter)[m_columns.index];
    if (index <= 0 || m_frozen)
        return;
    m_model.SetExpanded(index, true);
    // Folders inside that were open when this one closed open again.
    for (int c = m_first_child[index]; c != 0; c = m_next_sibling[c]) {
        if (m_first_child[c] != 0 && m_model.Expanded(c) && !m_view.row_expanded(path_of(c)))
            m_view.expand_row(path_of(c), false);
    }
    show_drop_highlight();
}

void FavTreeView::on_view_row_collapsed(const Gtk::TreeIter& iter, const Gtk::TreePath& path)
{
    const int index = (*iter)[m_columns.index];
    if (index <= 0 || m_frozen)
        return;
    m_model.SetExpanded(index, false);
    // A selection inside the closed folder moves to the folder, as the tree
    // control does, rather than leaving nothing selected.
    if (m_view.get_selection()->count_selected_rows() == 0)
        m_view.set_cursor(path);
}

void FavTreeView::on_view_row_activated(const Gtk::TreePath& path, Gtk::TreeViewColumn* /*column*/)
{
    // A double click (or Enter) opens or closes a folder, as the tree control's
    // own behaviour does; opening a favourite is the mouse-up handler's job.
    const int index = index_at(path);
    if (index <= 0 || m_first_child[index] == 0)
        return;
    if (m_view.row_expanded(path))
        m_view.collapse_row(path);
    else
        m_view.expand_row(path, false);
}

void FavTreeView::on_selection_changed()
{
    if (m_updating != 0 || m_frozen)
        return;
    const Gtk::TreeIter it = m_view.get_selection()->get_selected();
    const int index = it ? (*it)[m_columns.index] : 0;
    if (index > 0) {
        m_model.SetSelected(index, true);
    } else if (!it && m_model.SelectedItem() != 0) {
        m_model.SetSelected(m_model.SelectedItem(), false);
    }
}

void FavTreeView::on_label_editing_started(Gtk::CellEditable* editable, const Glib::ustring& path)
{
    m_editor = GTK_WIDGET(editable->gobj());
    m_editor_path = path;
    m_editor_lost_focus = false;
    if (!GTK_IS_ENTRY(m_editor))
        return;
    // The cell renderer cancels an edit that loses the focus; the name typed
    // so far is noted, so that it can be kept.
    g_signal_connect(m_editor, "focus-out-event",
                     G_CALLBACK(+[](GtkWidget* editor, GdkEvent*, gpointer self) -> gboolean {
                         auto* view = static_cast<FavTreeView*>(self);
                         if (editor == view->m_editor) {
                             view->m_editor_text = gtk_entry_get_text(GTK_ENTRY(editor));
                             view->m_editor_lost_focus = true;
                         }
                         return FALSE;
                     }),
                     this);
}

void FavTreeView::on_label_edited(const Glib::ustring& /*path*/, const Glib::ustring& text)
{
    m_editor = nullptr;
    m_editing = false;
    m_text_cell.property_editable() = false;
    // The rename rebuilds the tree; let the editor finish closing first.
    Glib::signal_idle().connect_once(
        sigc::bind(sigc::mem_fun(*this, &FavTreeView::finish_label_edit), std::string(text)));
}

void FavTreeView::finish_label_edit(const std::string& text)
{
    if (on_after_label_edit)
        on_after_label_edit(text);
}

void FavTreeView::on_label_edit_canceled()
{
    // Escape drops the edit; focus going elsewhere (a click outside the
    // editor, another window) keeps what was typed, as file managers do. The
    // editor is still the window's focus widget only when a key ended it.
    const bool lost_focus = m_editor_lost_focus || (m_editor && !gtk_widget_is_focus(m_editor));
    const bool keep = m_editing && m_editor && lost_focus;
    const Glib::ustring text = m_editor_lost_focus || !GTK_IS_ENTRY(m_editor)
                                   ? m_editor_text
                                   : gtk_entry_get_text(GTK_ENTRY(m_editor));
    m_editor = nullptr;
    if (keep) {
        on_label_edited(m_editor_path, text);
        return;
    }
    m_editing = false;
    m_text_cell.property_editable() = false;
}

} // namespace driftway::gtk
