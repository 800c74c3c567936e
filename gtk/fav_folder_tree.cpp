#include "gtk/fav_folder_tree.h"

#include "favourites/fav_scan.h"
#include "favourites/paths.h"
#include "gtk/fav_tree_view.h"
#include "gtk/resources.h"

#include <glibmm/main.h>

#include <vector>

namespace driftway::gtk {

namespace fav = driftway::favourites;

namespace {

constexpr int kPictureSize = 16;

} // namespace

FavFolderTree::FavFolderTree(std::string favorites_folder, Show show)
    : m_root(fav::strip_slash(favorites_folder)), m_show(show)
{
    m_folder_picture = load_picture_or_icon(picture::kTreeImages[0], "folder", kPictureSize);
    m_item_picture = load_picture_or_icon(picture::kTreeImages[2], "text-x-generic", kPictureSize);
    m_store = Gtk::TreeStore::create(m_columns);
    m_column.pack_start(m_picture_cell, false);
    m_column.pack_start(m_text_cell, true);
    m_column.add_attribute(m_picture_cell.property_pixbuf(), m_columns.picture);
    m_column.add_attribute(m_text_cell.property_text(), m_columns.text);
    m_view.append_column(m_column);
    m_view.set_headers_visible(false);
    m_view.set_enable_tree_lines(true);
    m_view.get_selection()->set_mode(Gtk::SELECTION_BROWSE);
    m_view.get_selection()->signal_changed().connect([this] {
        if (on_selection_changed)
            on_selection_changed();
    });
    m_text_cell.signal_edited().connect(sigc::mem_fun(*this, &FavFolderTree::on_edited));
    m_text_cell.signal_editing_canceled().connect([this] {
        m_editing = false;
        m_text_cell.property_editable() = false;
    });
    set_policy(Gtk::POLICY_AUTOMATIC, Gtk::POLICY_AUTOMATIC);
    set_shadow_type(Gtk::SHADOW_IN);
    add(m_view);
    reload();
}

void FavFolderTree::reload(const std::string& select)
{
    m_view.unset_model();
    m_store->clear();
    m_rows.clear();
    const fav::FavScan scan = fav::FavScan::read(m_root + "/", {});
    const auto& folders = scan.folders();
    std::vector<Gtk::TreeIter> folder_rows(folders.size());

    const auto add_row = [&](const Gtk::TreeIter* parent, const std::string& path, std::string text,
                             bool folder) {
        const Gtk::TreeIter it = parent ? m_store->append((*parent)->children()) : m_store->append();
        Gtk::TreeRow row = *it;
        row[m_columns.text] = text;
        row[m_columns.path] = path;
        row[m_columns.folder] = folder;
        row[m_columns.picture] = folder ? m_folder_picture : m_item_picture;
        m_rows[path] = it;
        return it;
    };
    folder_rows[0] = add_row(nullptr, m_root, folders[0].text, true);
    // Each folder's rows are made in one go, subfolders first, so the order is
    // that of the scan; a stack instead of recursion copes with any depth.
    std::vector<int> pending{0};
    while (!pending.empty()) {
        const int f = pending.back();
        pending.pop_back();
        for (int c = folders[f].first_child; c != -1; c = folders[c].next_sibling) {
            folder_rows[c] =
                add_row(&folder_rows[f], fav::strip_slash(folders[c].key), folders[c].text, true);
            pending.push_back(c);
        }
        if (m_show == Show::FoldersAndItems) {
            for (int i = 0; i < folders[f].item_count; ++i) {
                const fav::FavItem& item = scan.items()[static_cast<std::size_t>(folders[f].first_item + i)];
                add_row(&folder_rows[f], item.path, std::string(item.text()), false);
            }
        }
    }
    m_view.set_model(m_store);
    m_view.expand_row(m_store->get_path(folder_rows[0]), false);
    if (select.empty() || !select_path(select))
        select_path(m_root);
}

std::string FavFolderTree::selected_path() const
{
    // GTK's selection answers only through a non-const object.
    const auto it = const_cast<Gtk::TreeView&>(m_view).get_selection()->get_selected();
    return it ? static_cast<std::string>((*it)[m_columns.path]) : std::string();
}

bool FavFolderTree::selected_is_folder() const
{
    const auto it = const_cast<Gtk::TreeView&>(m_view).get_selection()->get_selected();
    return it && (*it)[m_columns.folder];
}

bool FavFolderTree::select_path(const std::string& path)
{
    const auto found = m_rows.find(fav::strip_slash(path));
    if (found == m_rows.end())
        return false;
    const Gtk::TreePath row_path = m_store->get_path(found->second);
    Gtk::TreePath parent = row_path;
    if (parent.up() && !parent.empty())
        m_view.expand_to_path(parent);
    m_view.set_cursor(row_path);
    m_view.scroll_to_row(row_path);
    return true;
}

std::optional<std::string> FavFolderTree::text_of(const std::string& path) const
{
    const auto found = m_rows.find(fav::strip_slash(path));
    if (found == m_rows.end())
        return std::nullopt;
    return static_cast<Glib::ustring>((*found->second)[m_columns.text]);
}

void FavFolderTree::start_rename(const std::string& path)
{
    if (!select_path(path))
        return;
    m_renaming = fav::strip_slash(path);
    m_editing = true;
    m_text_cell.property_editable() = true;
    m_view.grab_focus();
    m_view.set_cursor(m_store->get_path(m_rows.at(m_renaming)), m_column, m_text_cell, true);
}

void FavFolderTree::on_edited(const Glib::ustring& /*row*/, const Glib::ustring& text)
{
    m_editing = false;
    m_text_cell.property_editable() = false;
    // The rename reloads the tree; let the editor finish closing first.
    Glib::signal_idle().connect_once(
        sigc::bind(sigc::mem_fun(*this, &FavFolderTree::finish_rename), m_renaming, std::string(text)));
}

void FavFolderTree::finish_rename(const std::string& path, const std::string& text)
{
    if (on_renamed)
        on_renamed(path, text);
}

} // namespace driftway::gtk
