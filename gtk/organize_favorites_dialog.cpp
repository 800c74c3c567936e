#include "gtk/organize_favorites_dialog.h"

#include "favourites/file_ops.h"
#include "favourites/paths.h"
#include "gtk/fav_dialog_support.h"
#include "gtk/fav_dialogs.h"
#include "gtk/fav_file_work.h"

#include <gtkmm/buttonbox.h>
#include <gtkmm/grid.h>

namespace driftway::gtk {

namespace fav = driftway::favourites;

namespace {

constexpr const char* kOrganizeTitle = "Organize Favorites";

} // namespace

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
    report(quoted_path(path) + " is no longer there. The list shows the Favorites folder as it is now.");
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
        folder ? "Delete the folder " + quoted_path(path) + " and everything in it? This cannot be undone."
               : "Delete " + quoted_path(path) + "? This cannot be undone.";
    if (m_prompts.message_box(question, kOrganizeTitle, platform::MsgButtons::YesNo,
                              platform::MsgIcon::Question) != platform::MsgAnswer::Yes)
        return;
    const fav::FileOpResult result = fav::DeleteFile(path);
    if (!result.ok())
        report(result.message);
    m_entries.reload(result.ok() ? fav::GetParentFolder(path) : path);
}

} // namespace driftway::gtk
