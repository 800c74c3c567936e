#include "gtk/fav_tree_view.h"

#include "favourites/context_menu.h"
#include "favourites/paths.h"
#include "gtk/resources.h"

#include <algorithm>

#include <glibmm/main.h>
#include <gtkmm/icontheme.h>
#include <gtkmm/settings.h>
#include <gtkmm/treeselection.h>

namespace driftway::gtk {

namespace fav = driftway::favourites;

namespace {

constexpr int kPictureSize = 16;
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

// Counts nested "updating" sections so that the view's own changes of rows
// and selection are not taken for the user's.
class Updating {
public:
    explicit Updating(int& depth) : m_depth(depth) { ++m_depth; }
    ~Updating() { --m_depth; }
    Updating(const Updating&) = delete;
    Updating& operator=(const Updating&) = delete;

private:
    int& m_depth;
};

} // namespace

Glib::RefPtr<Gdk::Pixbuf> load_picture_or_icon(const std::string& name, const char* theme_icon, int size)
{
    try {
        auto picture = load_picture(name);
        if (picture->get_width() == size && picture->get_height() == size)
            return picture;
        return picture->scale_simple(size, size, Gdk::INTERP_BILINEAR);
    } catch (const Glib::Error&) {
        // Not in the bundle: the theme's icon will do.
    }
    try {
        return Gtk::IconTheme::get_default()->load_icon(theme_icon, size, Gtk::ICON_LOOKUP_FORCE_SIZE);
    } catch (const Glib::Error&) {
        return {};
    }
}

FavTreeView::FavTreeView(fav::TreeModel& model) : m_model(model)
{
    m_store = Gtk::TreeStore::create(m_columns);
    m_column.pack_start(m_image_cell, false);
    m_column.pack_start(m_text_cell, true);
    m_column.add_attribute(m_text_cell.property_text(), m_columns.text);
    m_column.set_cell_data_func(m_image_cell, sigc::mem_fun(*this, &FavTreeView::on_image_data));
    m_view.append_column(m_column);
    m_view.set_headers_visible(false);
    m_view.set_enable_search(false);
    m_view.set_enable_tree_lines(true);
    m_view.get_selection()->set_mode(Gtk::SELECTION_BROWSE);
    m_text_cell.property_editable() = false;

    m_view.signal_button_press_event().connect(sigc::mem_fun(*this, &FavTreeView::on_view_button_press),
                                               false);
    m_view.signal_button_release_event().connect(sigc::mem_fun(*this, &FavTreeView::on_view_button_release),
                                                 false);
    m_view.signal_key_press_event().connect(sigc::mem_fun(*this, &FavTreeView::on_view_key_press), false);
    m_view.signal_popup_menu().connect(sigc::mem_fun(*this, &FavTreeView::on_view_popup_menu), false);
    m_view.signal_test_expand_row().connect(sigc::mem_fun(*this, &FavTreeView::on_view_test_expand_row),
                                            false);
    m_view.signal_row_expanded().connect(sigc::mem_fun(*this, &FavTreeView::on_view_row_expanded));
    m_view.signal_row_collapsed().connect(sigc::mem_fun(*this, &FavTreeView::on_view_row_collapsed));
    m_view.signal_row_activated().connect(sigc::mem_fun(*this, &FavTreeView::on_view_row_activated));
    m_view.get_selection()->signal_changed().connect(
        sigc::mem_fun(*this, &FavTreeView::on_selection_changed));
    m_text_cell.signal_edited().connect(sigc::mem_fun(*this, &FavTreeView::on_label_edited));
    m_text_cell.signal_editing_canceled().connect(sigc::mem_fun(*this, &FavTreeView::on_label_edit_canceled));
    m_text_cell.signal_editing_started().connect(
        sigc::mem_fun(*this, &FavTreeView::on_label_editing_started));
    // Whenever the view is shown or changes its height, the selected row is
    // brought into view once the rows have their places.
    // (Rows opening or closing allocate the view again at the same height;
    // those leave the scrolling to the user.)
    m_view.signal_map().connect([this] { m_shown_height = -1; });
    m_view.signal_size_allocate().connect([this](Gtk::Allocation& allocation) {
        if (allocation.get_height() == m_shown_height)
            return;
        m_shown_height = allocation.get_height();
        if (!m_scroll_when_shown.connected())
            m_scroll_when_shown = Glib::signal_idle().connect(
                [this] {
                    scroll_to_selection();
                    return false;
                },
                Glib::PRIORITY_HIGH_IDLE + 20);
    });
    setup_drag_and_drop();

    set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    set_shadow_type(Gtk::SHADOW_IN);
    add(m_view);
    m_view.show();

    m_model.set_listener(this);
    rebuild();
}

FavTreeView::~FavTreeView()
{
    m_click_edit.disconnect();
    m_scroll_when_shown.disconnect();
    m_model.set_listener(nullptr);
    if (m_frozen_window)
        m_frozen_window->thaw_updates();
}

Gtk::TreePath FavTreeView::path_of(int index) const
{
    if (index < 1 || index >= static_cast<int>(m_rows.size()) || !m_rows[index])
        return {};
    return m_store->get_path(m_rows[index]);
}

int FavTreeView::index_at(const Gtk::TreePath& path) const
{
    if (path.empty())
        return 0;
    const Gtk::TreeIter it = m_store->get_iter(path);
    return it ? (*it)[m_columns.index] : 0;
}

int FavTreeView::shown_image(int index) const
{
    const Gtk::TreePath path = path_of(index);
    if (path.empty())
        return 0;
    const Gtk::TreeIter it = m_store->get_iter(path);
    const bool selected = m_view.get_model() && m_view.get_selection()->is_selected(it);
    return selected ? (*it)[m_columns.selected_image] : (*it)[m_columns.image];
}

Glib::RefPtr<Gdk::Pixbuf> FavTreeView::picture(int image) const
{
    if (image < 1 || image > 3)
        return {};
    // Read when first drawn: a hidden pane needs none of them.
    constexpr const char* kThemeIcons[3] = {"folder", "folder-open", "text-x-generic"};
    const auto i = static_cast<std::size_t>(image - 1);
    if (!m_pictures[i])
        m_pictures[i] = load_picture_or_icon(picture::kTreeImages[i], kThemeIcons[i], kPictureSize);
    return m_pictures[i];
}

int FavTreeView::row_count() const
{
    int count = 0;
    m_store->foreach_iter([&count](const Gtk::TreeIter&) {
        ++count;
        return false;
    });
    return count;
}

// --- Mirroring the model -------------------------------------------------

void FavTreeView::rebuild()
{
    Updating updating(m_updating);
    m_editing = false;
    m_text_cell.property_editable() = false;
    m_view.unset_model();
    m_store->clear();

    const int count = m_model.Count();
    m_rows.assign(count + 1, Gtk::TreeIter());
    m_children_built.assign(count + 1, 0);
    m_first_child.assign(count + 1, 0);
    m_last_child.assign(count + 1, 0);
    m_next_sibling.assign(count + 1, 0);
    for (int i = 1; i <= count; ++i)
        link(i);

    // Only folders shown open need rows for their children now; parents
    // always come before their children in the model's order.
    std::vector<char> open(count + 1, 0);
    open[0] = 1;
    build_children(0);
    for (int i = 1; i <= count; ++i) {
        open[i] = m_model.Expanded(i) && open[m_model.Parent(i)];
        if (open[i])
            build_children(i);
    }
    m_view.set_model(m_store);
    for (int i = 1; i <= count; ++i) {
        if (open[i] && m_first_child[i] != 0 && !m_view.row_expanded(path_of(i)))
            m_view.expand_row(path_of(i), false);
    }
    show_selection(m_model.SelectedItem());
    show_drop_highlight();
}

void FavTreeView::grow(int count)
{
    const auto size = static_cast<std::size_t>(count) + 1;
    if (m_rows.size() >= size)
        return;
    m_rows.resize(size);
    m_children_built.resize(size, 0);
    m_first_child.resize(size, 0);
    m_last_child.resize(size, 0);
    m_next_sibling.resize(size, 0);
}

void FavTreeView::link(int index)
{
    const int parent = m_model.Parent(index);
    if (m_last_child[parent] != 0)
        m_next_sibling[m_last_child[parent]] = index;
    else
        m_first_child[parent] = index;
    m_last_child[parent] = index;
}

Gtk::TreeIter FavTreeView::append_row(int index)
{
    const int parent = m_model.Parent(index);
    return fill_row(index, parent == 0 ? m_store->append() : m_store->append(m_rows[parent]->children()));
}

Gtk::TreeIter FavTreeView::prepend_row(int index)
{
    const int parent = m_model.Parent(index);
    return fill_row(index, parent == 0 ? m_store->prepend() : m_store->prepend(m_rows[parent]->children()));
}

Gtk::TreeIter FavTreeView::fill_row(int index, const Gtk::TreeIter& it)
{
    Gtk::TreeRow row = *it;
    row[m_columns.index] = index;
    row[m_columns.text] = m_model.Text(index);
    row[m_columns.image] = m_model.image(index);
    row[m_columns.selected_image] = m_model.selected_image(index);
    m_rows[index] = it;
    // A folder whose children have no rows yet still needs its expander.
    if (m_first_child[index] != 0)
        (*m_store->append(it->children()))[m_columns.index] = 0;
    return it;
}

void FavTreeView::build_children(int index)
{
    if (m_children_built[index])
        return;
    m_children_built[index] = 1;
    Gtk::TreeIter placeholder;
    if (index != 0 && m_rows[index]) {
        const auto children = m_rows[index]->children();
        if (!children.empty() && (*children.begin())[m_columns.index] == 0)
            placeholder = children.begin();
    }
    // The rows go in last child first, each in front of the others: the store
    // walks a row's siblings to find the end of the list and a new row's
    // position, so appending the children of a folder costs the square of
    // their number and prepending them costs their number.
    std::vector<int> children;
    for (int c = m_first_child[index]; c != 0; c = m_next_sibling[c])
        children.push_back(c);
    for (auto c = children.rbegin(); c != children.rend(); ++c)
        prepend_row(*c);
    // The placeholder goes last, so that an expanded row never runs empty.
    if (placeholder)
        m_store->erase(placeholder);
    const int highlighted = m_model.DropHighlight();
    if (highlighted != 0 && highlighted < static_cast<int>(m_rows.size()) &&
        m_model.Parent(highlighted) == index)
        show_drop_highlight();
}

bool FavTreeView::ensure_row(int index)
{
    if (index < 1 || index >= static_cast<int>(m_rows.size()))
        return false;
    // Walk up to the nearest ancestor with a row, then build downwards; no
    // recursion, so a deep tree cannot exhaust the stack.
    std::vector<int> chain;
    for (int p = index; p != 0 && !m_rows[p]; p = m_model.Parent(p))
        chain.push_back(p);
    Updating updating(m_updating);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        build_children(m_model.Parent(*it));
    return static_cast<bool>(m_rows[index]);
}

bool FavTreeView::shown(int index)
{
    if (!m_rows[index])
        return false;
    for (int p = m_model.Parent(index); p != 0; p = m_model.Parent(p)) {
        if (!m_rows[p] || !m_view.row_expanded(path_of(p)))
            return false;
    }
    return true;
}

bool FavTreeView::expand_in_view(int index)
{
    if (!ensure_row(index))
        return false;
    const int parent = m_model.Parent(index);
    if (parent != 0)
        m_view.expand_to_path(path_of(parent));
    return true;
}

void FavTreeView::show_selection(int index)
{
    const auto selection = m_view.get_selection();
    if (index == 0) {
        Updating updating(m_updating);
        selection->unselect_all();
        return;
    }
    // Selecting a node inside closed folders opens them, as the tree control
    // does; those expansions reach the model like the user's.
    if (!expand_in_view(index))
        return;
    const Gtk::TreePath path = path_of(index);
    if (!selection->is_selected(path)) {
        Updating updating(m_updating);
        m_view.set_cursor(path);
    }
    m_view.scroll_to_row(path);
}

void FavTreeView::scroll_to_selection()
{
    const Gtk::TreePath path = path_of(m_model.SelectedItem());
    if (path.empty() || !m_view.get_realized() || m_frozen || !shown(m_model.SelectedItem()))
        return;
    Gtk::TreePath first, last;
    if (m_view.get_visible_range(first, last) && first <= path && path <= last) {
        // Visible, but maybe only in part: the row above the first whole one.
        Gdk::Rectangle cell, visible;
        m_view.get_background_area(path, m_column, cell);
        m_view.get_visible_rect(visible);
        if (cell.get_y() >= 0 && cell.get_y() + cell.get_height() <= visible.get_height())
            return;
    }
    m_view.scroll_to_row(path);
}

void FavTreeView::show_drop_highlight()
{
    const int index = m_model.DropHighlight();
    const Gtk::TreePath path = path_of(index);
    if (path.empty())
        gtk_tree_view_set_drag_dest_row(m_view.gobj(), nullptr, GTK_TREE_VIEW_DROP_INTO_OR_BEFORE);
    else
        m_view.set_drag_dest_row(path, Gtk::TREE_VIEW_DROP_INTO_OR_BEFORE);
}

void FavTreeView::on_added(int index)
{
    grow(index);
    link(index);
    const int parent = m_model.Parent(index);
    Updating updating(m_updating);
    if (parent == 0 || m_children_built[parent]) {
        if (parent == 0 || m_rows[parent])
            append_row(index);
    } else if (m_rows[parent] && m_first_child[parent] == index) {
        (*m_store->append(m_rows[parent]->children()))[m_columns.index] = 0;
    }
}

void FavTreeView::on_cleared()
{
    Updating updating(m_updating);
    m_store->clear();
    m_rows.assign(1, Gtk::TreeIter());
    m_children_built.assign(1, 0);
    m_first_child.assign(1, 0);
    m_last_child.assign(1, 0);
    m_next_sibling.assign(1, 0);
}

void FavTreeView::on_expanded(int index, bool expanded)
{
    const Gtk::TreePath path = path_of(index);
    if (path.empty() || m_view.row_expanded(path) == expanded)
        return;
    if (!expanded)
        m_view.collapse_row(path);
    else if (shown(index))
        m_view.expand_row(path, false);
    // A node inside a closed folder opens once that folder is shown open.
}

void FavTreeView::on_selected(int index)
{
    show_selection(index);
}

void FavTreeView::on_drop_highlight(int /*index*/)
{
    show_drop_highlight();
}

void FavTreeView::on_ensure_visible(int index)
{
    if (expand_in_view(index))
        m_view.scroll_to_row(path_of(index));
}

void FavTreeView::on_start_label_edit(int index)
{
    if (!expand_in_view(index) || !m_view.get_realized())
        return;
    const Gtk::TreePath path = path_of(index);
    m_text_cell.property_editable() = true;
    m_editing = true;
    m_view.grab_focus();
    Updating updating(m_updating);
    m_view.set_cursor(path, m_column, m_text_cell, true);
}

void FavTreeView::on_focus()
{
    m_view.grab_focus();
}

void FavTreeView::on_freeze()
{
    m_frozen = true;
    if (m_view.get_realized() && !m_frozen_window) {
        m_frozen_window = m_view.get_bin_window();
        if (m_frozen_window)
            m_frozen_window->freeze_updates();
    }
}

void FavTreeView::on_thaw()
{
    rebuild();
    m_frozen = false;
    if (m_frozen_window) {
        m_frozen_window->thaw_updates();
        m_frozen_window.reset();
    }
}

int FavTreeView::hit_test(double x, double y)
{
    if (!m_view.get_model())
        return 0;
    int bx = 0, by = 0;
    m_view.convert_widget_to_bin_window_coords(static_cast<int>(x), static_cast<int>(y), bx, by);
    Gtk::TreePath path;
    Gtk::TreeViewColumn* column = nullptr;
    int cell_x = 0, cell_y = 0;
    if (!m_view.get_path_at_pos(bx, by, path, column, cell_x, cell_y))
        return 0;
    return index_at(path);
}

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
