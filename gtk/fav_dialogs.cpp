#include "gtk/fav_dialogs.h"

#include "favourites/display_text.h"
#include "favourites/fav_scan.h"
#include "favourites/file_ops.h"
#include "favourites/internet_shortcut.h"
#include "favourites/paths.h"
#include "gtk/fav_tree_view.h"
#include "gtk/resources.h"

#include <glibmm/main.h>
#include <gtkmm/box.h>
#include <gtkmm/buttonbox.h>
#include <gtkmm/grid.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace driftway::gtk {

namespace fav = driftway::favourites;

namespace {

constexpr int kPictureSize = 16;
constexpr const char* kOrganizeTitle = "Organize Favorites";
constexpr const char* kAddTitle = "Add Favorite";
constexpr const char* kNewFolderName = "New folder";

std::string quoted(const std::string& path)
{
    return "\"" + fav::display_path(path) + "\"";
}

std::string lower_ascii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// What a row shows for an entry: a folder's name, a favourite's name without
// the extension the tree hides.
std::string row_text(std::string_view name, bool folder)
{
    return folder ? fav::display_name(name) : fav::item_name(name).text;
}

bool is_folder(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string grouped(unsigned long long n)
{
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

std::string count_text(unsigned long long n, const char* one, const char* many)
{
    return grouped(n) + " " + (n == 1 ? one : many);
}

void show_message(platform::Prompts& prompts, const std::string& text, const std::string& caption)
{
    prompts.message_box(text, caption, platform::MsgButtons::Ok, platform::MsgIcon::Exclamation);
}

void place_over(Gtk::Dialog& dialog, Gtk::Window* parent)
{
    if (parent)
        dialog.set_transient_for(*parent);
    dialog.set_modal(true);
}

} // namespace

// --- The folder tree -------------------------------------------------------

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

// --- Shared file work -------------------------------------------------------

std::optional<std::string> make_new_folder(const std::string& parent, platform::Prompts& prompts,
                                           const std::string& caption)
{
    const fav::UniqueName unique = fav::unique_file_name(fav::strip_slash(parent) + "/" + kNewFolderName);
    if (::mkdir(unique.path.c_str(), 0777) != 0) {
        const int err = errno;
        show_message(prompts,
                     "Cannot create the folder " + quoted(unique.path) + ": " + std::strerror(err) + ".",
                     caption);
        return std::nullopt;
    }
    return unique.path;
}

std::optional<std::string> rename_entry(const std::string& path_in, const std::string& new_text,
                                        platform::Prompts& prompts, const std::string& caption)
{
    const std::string path = fav::strip_slash(path_in);
    const std::string name(fav::base_name(path));
    const bool folder = is_folder(path);
    if (new_text == row_text(name, folder))
        return std::nullopt;
    if (new_text.find_first_not_of(" \t") == std::string::npos) {
        show_message(prompts, "A favourite needs a name. Nothing was renamed.", caption);
        return std::nullopt;
    }
    if (new_text.find('/') != std::string::npos || new_text == "." || new_text == "..") {
        show_message(prompts,
                     "\"" + fav::display_name(new_text) +
                         "\" cannot be used as a name: a name may not contain \"/\" or be \".\" or \"..\".",
                     caption);
        return std::nullopt;
    }
    // A favourite keeps the extension its row hides, so a shell link stays one.
    const std::string tail = folder ? std::string() : name.substr(fav::item_name(name).hidden_at);
    const fav::FileOpResult result =
        fav::RenameFile(path, fav::GetParentFolder(path) + "/" + new_text + tail);
    if (!result.ok()) {
        show_message(prompts, result.message, caption);
        return std::nullopt;
    }
    return result.final_path;
}

std::string size_text(unsigned long long bytes)
{
    if (bytes < 1024)
        return count_text(bytes, "byte", "bytes");
    static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.1f %s", value, kUnits[unit]);
    return std::string(shown) + " (" + grouped(bytes) + " bytes)";
}

std::optional<std::vector<std::pair<std::string, std::string>>>
favourite_properties(const std::string& path_in)
{
    const std::string path = fav::strip_slash(path_in);
    struct stat st;
    if (path.empty() || ::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    const std::string name(fav::base_name(path));
    const std::string ext = lower_ascii(fav::GetExtension(name, fav::WithDot::No));
    const bool folder = S_ISDIR(st.st_mode);
    const bool shortcut = S_ISREG(st.st_mode) && name.find('.') != std::string::npos && ext == "url";

    std::string kind = "File";
    if (folder)
        kind = "Folder";
    else if (S_ISLNK(st.st_mode))
        kind = "Symbolic link";
    else if (shortcut)
        kind = "Internet shortcut";
    else if (name.find('.') != std::string::npos && ext == "lnk")
        kind = "Shell link";

    std::string size;
    if (folder) {
        // Links inside are counted as themselves and never followed.
        unsigned long long total = 0, files = 0, folders = 0;
        std::error_code ec;
        for (std::filesystem::recursive_directory_iterator
                 it(path, std::filesystem::directory_options::skip_permission_denied, ec),
             end;
             !ec && it != end; it.increment(ec)) {
            struct stat entry;
            if (::lstat(it->path().c_str(), &entry) != 0)
                continue;
            if (S_ISDIR(entry.st_mode)) {
                ++folders;
            } else {
                ++files;
                total += static_cast<unsigned long long>(entry.st_size);
            }
        }
        size = size_text(total) + ", " + count_text(files, "file", "files") + " in " +
               count_text(folders, "folder", "folders");
    } else {
        size = size_text(static_cast<unsigned long long>(st.st_size));
    }

    char modified[64] = "";
    std::tm local{};
    if (localtime_r(&st.st_mtime, &local))
        std::strftime(modified, sizeof modified, "%Y-%m-%d %H:%M:%S", &local);

    const std::string location = fav::GetParentFolder(path);
    std::vector<std::pair<std::string, std::string>> rows{
        {"Name:", fav::display_name(name)},
        {"Kind:", kind},
        {"Location:", fav::display_path(location.empty() ? "/" : location)},
        {"Size:", size},
        {"Modified:", modified},
    };
    if (shortcut) {
        const auto address = fav::read_internet_shortcut(path);
        rows.emplace_back("Address:", address && !address->empty() ? fav::display_name(*address) : "(none)");
    }
    return rows;
}

// --- Folder picker --------------------------------------------------------------

FolderPickerDialog::FolderPickerDialog(Gtk::Window* parent, const std::string& favorites_folder)
    : Gtk::Dialog(fav::kBrowseTitle), m_instruction(fav::kBrowseInstruction),
      m_folders(favorites_folder, FavFolderTree::Show::Folders)
{
    place_over(*this, parent);
    set_default_size(360, 400);
    m_instruction.set_xalign(0);
    auto* area = get_content_area();
    area->set_spacing(6);
    area->set_border_width(6);
    area->pack_start(m_instruction, Gtk::PACK_SHRINK);
    area->pack_start(m_folders, Gtk::PACK_EXPAND_WIDGET);
    add_button("_Cancel", Gtk::RESPONSE_CANCEL);
    Gtk::Button* ok = add_button("_OK", Gtk::RESPONSE_OK);
    set_default_response(Gtk::RESPONSE_OK);
    m_folders.on_selection_changed = [this, ok] { ok->set_sensitive(!chosen().empty()); };
    m_folders.tree_view().signal_row_activated().connect(
        [this](const Gtk::TreePath&, Gtk::TreeViewColumn*) { response(Gtk::RESPONSE_OK); });
    ok->set_sensitive(!chosen().empty());
    show_all_children();
}

// --- Add Favorite -----------------------------------------------------------------

AddFavoriteDialog::AddFavoriteDialog(Gtk::Window* parent, platform::Prompts& prompts,
                                     const std::string& address, const std::string& suggested_name,
                                     const std::string& favorites_folder)
    : Gtk::Dialog(kAddTitle), m_prompts(prompts), m_intro("Driftway will add this page to your Favorites."),
      m_address(fav::display_name(address)), m_name_label("_Name:", true),
      m_folder_label("Create _in:", true), m_folders(favorites_folder, FavFolderTree::Show::Folders),
      m_new_folder("_New Folder", true)
{
    place_over(*this, parent);
    set_default_size(420, 420);
    m_intro.set_xalign(0);
    m_address.set_xalign(0);
    m_address.set_selectable(true);
    m_address.set_ellipsize(Pango::ELLIPSIZE_MIDDLE);
    m_name_label.set_xalign(0);
    m_name_label.set_mnemonic_widget(m_name);
    m_folder_label.set_xalign(0);
    m_folder_label.set_mnemonic_widget(m_folders.tree_view());
    m_name.set_text(fav::display_name(suggested_name));
    m_name.set_activates_default(true);
    m_folders.set_vexpand(true);

    auto* grid = Gtk::manage(new Gtk::Grid);
    grid->set_row_spacing(6);
    grid->set_column_spacing(6);
    grid->set_border_width(6);
    grid->attach(m_intro, 0, 0, 2, 1);
    grid->attach(m_address, 0, 1, 2, 1);
    grid->attach(m_name_label, 0, 2, 1, 1);
    grid->attach(m_name, 1, 2, 1, 1);
    grid->attach(m_folder_label, 0, 3, 2, 1);
    grid->attach(m_folders, 0, 4, 2, 1);
    auto* side = Gtk::manage(new Gtk::ButtonBox(Gtk::ORIENTATION_HORIZONTAL));
    side->set_layout(Gtk::BUTTONBOX_START);
    side->pack_start(m_new_folder, Gtk::PACK_SHRINK);
    grid->attach(*side, 0, 5, 2, 1);
    m_name.set_hexpand(true);
    get_content_area()->pack_start(*grid, Gtk::PACK_EXPAND_WIDGET);

    add_button("_Cancel", Gtk::RESPONSE_CANCEL);
    m_ok = add_button("_OK", Gtk::RESPONSE_OK);
    set_default_response(Gtk::RESPONSE_OK);

    m_name.signal_changed().connect(sigc::mem_fun(*this, &AddFavoriteDialog::update_ok));
    m_new_folder.signal_clicked().connect(sigc::mem_fun(*this, &AddFavoriteDialog::on_new_folder));
    m_folders.on_renamed = [this](const std::string& path, const std::string& text) {
        on_renamed(path, text);
    };
    // The suggestion is selected, so that typing replaces it.
    signal_show().connect([this] {
        m_name.grab_focus();
        m_name.select_region(0, -1);
    });
    update_ok();
    show_all_children();
}

fav::AddFavoriteChoice AddFavoriteDialog::choice() const
{
    const std::string folder = m_folders.selected_path();
    return {folder.empty() ? m_folders.root() : folder, m_name.get_text()};
}

void AddFavoriteDialog::update_ok()
{
    const std::string name = m_name.get_text();
    m_ok->set_sensitive(name.find_first_not_of(" \t") != std::string::npos);
}

void AddFavoriteDialog::on_new_folder()
{
    const std::string parent = m_folders.selected_path();
    if (const auto made = make_new_folder(parent.empty() ? m_folders.root() : parent, m_prompts, kAddTitle)) {
        m_folders.reload(*made);
        m_folders.start_rename(*made);
    }
}

void AddFavoriteDialog::on_renamed(const std::string& path, const std::string& text)
{
    const auto renamed = rename_entry(path, text, m_prompts, kAddTitle);
    m_folders.reload(renamed.value_or(path));
}

// --- Organize Favorites -------------------------------------------------------------

OrganizeFavoritesDialog::OrganizeFavoritesDialog(Gtk::Window* parent, GtkFavDialogs& dialogs,
                                                 platform::Prompts& prompts,
                                                 const std::string& favorites_folder)
    : Gtk::Dialog(kOrganizeTitle), m_dialogs(dialogs), m_prompts(prompts),
      m_intro("Choose a favourite or folder, then what to do with it."),
      m_entries(favorites_folder, FavFolderTree::Show::FoldersAndItems), m_create("_Create Folder", true),
      m_rename("_Rename", true), m_move("_Move to Folder...", true), m_delete("_Delete", true)
{
    place_over(*this, parent);
    set_default_size(560, 440);
    m_intro.set_xalign(0);
    m_intro.set_line_wrap(true);

    auto* buttons = Gtk::manage(new Gtk::ButtonBox(Gtk::ORIENTATION_VERTICAL));
    buttons->set_layout(Gtk::BUTTONBOX_START);
    buttons->set_spacing(6);
    for (Gtk::Button* b : {&m_create, &m_rename, &m_move, &m_delete})
        buttons->pack_start(*b, Gtk::PACK_SHRINK);

    auto* grid = Gtk::manage(new Gtk::Grid);
    grid->set_row_spacing(6);
    grid->set_column_spacing(12);
    grid->set_border_width(6);
    grid->attach(m_intro, 0, 0, 2, 1);
    grid->attach(*buttons, 0, 1, 1, 1);
    grid->attach(m_entries, 1, 1, 1, 1);
    m_entries.set_hexpand(true);
    m_entries.set_vexpand(true);
    get_content_area()->pack_start(*grid, Gtk::PACK_EXPAND_WIDGET);
    add_button("_Close", Gtk::RESPONSE_CLOSE);
    set_default_response(Gtk::RESPONSE_CLOSE);

    m_create.signal_clicked().connect(sigc::mem_fun(*this, &OrganizeFavoritesDialog::on_create_folder));
    m_rename.signal_clicked().connect(sigc::mem_fun(*this, &OrganizeFavoritesDialog::on_rename));
    m_move.signal_clicked().connect(sigc::mem_fun(*this, &OrganizeFavoritesDialog::on_move));
    m_delete.signal_clicked().connect(sigc::mem_fun(*this, &OrganizeFavoritesDialog::on_delete));
    m_entries.on_selection_changed = [this] { update_buttons(); };
    m_entries.on_renamed = [this](const std::string& path, const std::string& text) {
        on_renamed(path, text);
    };
    update_buttons();
    show_all_children();
}

void OrganizeFavoritesDialog::update_buttons()
{
    // The Favorites folder itself is neither renamed, moved nor deleted here.
    const bool entry = !m_entries.selected_path().empty() && !m_entries.selected_is_root();
    m_rename.set_sensitive(entry);
    m_move.set_sensitive(entry);
    m_delete.set_sensitive(entry);
}

void OrganizeFavoritesDialog::report(const std::string& text)
{
    show_message(m_prompts, text, kOrganizeTitle);
}

bool OrganizeFavoritesDialog::still_there(const std::string& path)
{
    if (fav::FileExists(path))
        return true;
    report(quoted(path) + " is no longer there. The list shows the Favorites folder as it is now.");
    m_entries.reload(fav::GetParentFolder(path));
    return false;
}

void OrganizeFavoritesDialog::on_create_folder()
{
    const std::string selected = m_entries.selected_path();
    std::string parent = m_entries.root();
    if (!selected.empty())
        parent = m_entries.selected_is_folder() ? selected : fav::GetParentFolder(selected);
    if (!still_there(parent))
        return;
    if (const auto made = make_new_folder(parent, m_prompts, kOrganizeTitle)) {
        m_entries.reload(*made);
        m_entries.start_rename(*made);
    }
}

void OrganizeFavoritesDialog::on_rename()
{
    const std::string selected = m_entries.selected_path();
    if (selected.empty() || m_entries.selected_is_root() || !still_there(selected))
        return;
    m_entries.start_rename(selected);
}

void OrganizeFavoritesDialog::on_renamed(const std::string& path, const std::string& text)
{
    if (!still_there(path))
        return;
    const auto renamed = rename_entry(path, text, m_prompts, kOrganizeTitle);
    m_entries.reload(renamed.value_or(path));
}

void OrganizeFavoritesDialog::on_move()
{
    const std::string source = m_entries.selected_path();
    if (source.empty() || m_entries.selected_is_root() || !still_there(source))
        return;
    const std::string target = m_dialogs.browse_for_folder(this, m_entries.root());
    if (target.empty())
        return;
    if (!still_there(source))
        return;
    const fav::FileOpResult result =
        fav::MoveFile(source, target + "/" + std::string(fav::base_name(source)));
    if (!result.ok())
        report(result.message);
    m_entries.reload(result.ok() ? result.final_path : source);
}

void OrganizeFavoritesDialog::on_delete()
{
    const std::string path = m_entries.selected_path();
    if (path.empty() || m_entries.selected_is_root() || !still_there(path))
        return;
    const bool folder = m_entries.selected_is_folder();
    const std::string question =
        folder ? "Delete the folder " + quoted(path) + " and everything in it? This cannot be undone."
               : "Delete " + quoted(path) + "? This cannot be undone.";
    if (m_prompts.message_box(question, kOrganizeTitle, platform::MsgButtons::YesNo,
                              platform::MsgIcon::Question) != platform::MsgAnswer::Yes)
        return;
    const fav::FileOpResult result = fav::DeleteFile(path);
    if (!result.ok())
        report(result.message);
    m_entries.reload(result.ok() ? fav::GetParentFolder(path) : path);
}

// --- Properties ----------------------------------------------------------------------

PropertiesDialog::PropertiesDialog(Gtk::Window* parent, const std::string& title,
                                   const std::vector<std::pair<std::string, std::string>>& rows)
    : Gtk::Dialog(title)
{
    place_over(*this, parent);
    set_resizable(false);
    auto* grid = Gtk::manage(new Gtk::Grid);
    grid->set_row_spacing(6);
    grid->set_column_spacing(12);
    grid->set_border_width(12);
    int line = 0;
    for (const auto& [caption, value] : rows) {
        auto& name = *m_labels.emplace_back(std::make_unique<Gtk::Label>(caption));
        auto& shown = *m_labels.emplace_back(std::make_unique<Gtk::Label>(value));
        name.set_xalign(0);
        name.set_yalign(0);
        shown.set_xalign(0);
        shown.set_selectable(true);
        shown.set_line_wrap(true);
        shown.set_line_wrap_mode(Pango::WRAP_WORD_CHAR);
        // Without a width of their own, wrapping labels ask for a very tall dialog.
        shown.set_width_chars(40);
        shown.set_max_width_chars(60);
        shown.set_hexpand(true);
        grid->attach(name, 0, line, 1, 1);
        grid->attach(shown, 1, line, 1, 1);
        ++line;
    }
    get_content_area()->pack_start(*grid, Gtk::PACK_EXPAND_WIDGET);
    add_button("_Close", Gtk::RESPONSE_CLOSE);
    set_default_response(Gtk::RESPONSE_CLOSE);
    show_all_children();
}

// --- The dialogs as the favourites code asks for them -------------------------------

std::optional<fav::AddFavoriteChoice> GtkFavDialogs::AddFavorite(const std::string& address,
                                                                 const std::string& suggested_name,
                                                                 const std::string& favorites_folder)
{
    AddFavoriteDialog dialog(m_parent, m_prompts, address, suggested_name, favorites_folder);
    if (dialog.run() != Gtk::RESPONSE_OK)
        return std::nullopt;
    return dialog.choice();
}

void GtkFavDialogs::OrganizeFavorites(const std::string& favorites_folder)
{
    OrganizeFavoritesDialog dialog(m_parent, *this, m_prompts, favorites_folder);
    dialog.run();
}

std::string GtkFavDialogs::BrowseForFolder(const std::string& favorites_folder)
{
    return browse_for_folder(m_parent, favorites_folder);
}

std::string GtkFavDialogs::browse_for_folder(Gtk::Window* owner, const std::string& favorites_folder)
{
    FolderPickerDialog dialog(owner, favorites_folder);
    if (dialog.run() != Gtk::RESPONSE_OK)
        return {};
    return dialog.chosen();
}

void GtkFavDialogs::ShowProperties(const std::string& path)
{
    const auto rows = favourite_properties(path);
    if (!rows) {
        show_message(m_prompts, quoted(path) + " is no longer there.", "Properties");
        return;
    }
    PropertiesDialog dialog(m_parent,
                            fav::display_name(fav::base_name(fav::strip_slash(path))) + " Properties", *rows);
    dialog.run();
}

} // namespace driftway::gtk
