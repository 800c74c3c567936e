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

} // namespace driftway::gtk
