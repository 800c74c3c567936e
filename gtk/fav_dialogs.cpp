#include "gtk/fav_dialogs.h"

#include "favourites/display_text.h"
#include "favourites/paths.h"
#include "gtk/add_favorite_dialog.h"
#include "gtk/fav_dialog_support.h"
#include "gtk/fav_file_work.h"
#include "gtk/organize_favorites_dialog.h"
#include "gtk/properties_dialog.h"

namespace driftway::gtk {

namespace fav = driftway::favourites;

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
        show_message(m_prompts, quoted_path(path) + " is no longer there.", "Properties");
        return;
    }
    PropertiesDialog dialog(m_parent,
                            fav::display_name(fav::base_name(fav::strip_slash(path))) + " Properties", *rows);
    dialog.run();
}

} // namespace driftway::gtk
