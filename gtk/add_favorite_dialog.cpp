#include "gtk/add_favorite_dialog.h"

#include "favourites/display_text.h"
#include "gtk/fav_dialog_support.h"
#include "gtk/fav_file_work.h"

#include <gtkmm/buttonbox.h>
#include <gtkmm/grid.h>

namespace driftway::gtk {

namespace fav = driftway::favourites;

namespace {

constexpr const char* kAddTitle = "Add Favorite";

} // namespace

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

} // namespace driftway::gtk
