// The favourites dialogs over a temporary Favorites folder: Add Favorite,
// Organize Favorites (with the folder picker) and the properties of favourites.
#include "gtk/add_favorite_dialog.h"
#include "gtk/fav_dialogs.h"
#include "gtk/fav_file_work.h"
#include "gtk/organize_favorites_dialog.h"
#include "gtk/properties_dialog.h"
#include "tests/gtk/favourites/fav_gtk_support.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <filesystem>

using namespace driftway;
using namespace driftway::gtk;
using namespace driftway::testing;
namespace fav = driftway::favourites;
namespace fs = std::filesystem;

namespace {

using Properties = std::vector<std::pair<std::string, std::string>>;

void click_response(Gtk::Dialog& dialog, int response)
{
    GtkWidget* button = gtk_dialog_get_widget_for_response(dialog.gobj(), response);
    ASSERT_TRUE(button && gtk_widget_is_sensitive(button));
    gtk_button_clicked(GTK_BUTTON(button));
}

// Answers the next folder picker with a folder (the root when empty).
void pick_folder(const std::string& folder)
{
    when_shown<FolderPickerDialog>([folder](FolderPickerDialog& d) {
        ASSERT_TRUE(folder.empty() || d.folders().select_path(folder));
        click_response(d, Gtk::RESPONSE_OK);
    });
}

class FavDialogsTest : public ::testing::Test, protected GtkFavFolder {
protected:
    void SetUp() override
    {
        dir.mkdir("Archive/Old");
        dir.mkdir("Work");
        dir.mkdir(".hidden");
        url_file("News.url", "https://news.example/");
        url_file("Work/Plan.url", "https://plan.example/");
        window.top.show_all();
    }
};

TEST_F(FavDialogsTest, AddToFavoritesMakesAndNamesAFolderAndWritesTheShortcut)
{
    dir.mkdir("Work/New folder");
    faves.LoadFavorites(window);
    window.location_url = "https://example.org/page?id=7";
    window.location_name = "Release 2.0 notes";
    when_shown<AddFavoriteDialog>([&](AddFavoriteDialog& d) {
        EXPECT_EQ(d.name_entry().get_text(), "Release 2.0 notes");
        int start = 0, end = 0;
        EXPECT_TRUE(d.name_entry().get_selection_bounds(start, end) && end - start == 17);
        d.name_entry().set_text("   ");
        EXPECT_FALSE(gtk_widget_is_sensitive(gtk_dialog_get_widget_for_response(d.gobj(), Gtk::RESPONSE_OK)));
        d.name_entry().set_text("Release notes");
        // "New folder" is taken, so the new one is "New folder1"; it is named at once.
        ASSERT_TRUE(d.folders().select_path(root() + "Work"));
        d.new_folder_button().clicked();
        EXPECT_EQ(d.folders().selected_path(), root() + "Work/New folder1");
        ASSERT_TRUE(d.folders().editing());
        ASSERT_TRUE(type_label(d.folders().tree_view(), "Travel"));
        ASSERT_TRUE(wait_until([&] { return d.folders().selected_path() == root() + "Work/Travel"; }, 3000));
        click_response(d, Gtk::RESPONSE_OK);
    });
    faves.AddToFavorites(window);
    const std::string written = root() + "Work/Travel/Release notes.url";
    EXPECT_EQ(read_file(written), "[InternetShortcut]\r\nURL=https://example.org/page?id=7\r\n");
    EXPECT_FALSE(fs::exists(root() + "Work/New folder1"));
    EXPECT_NE(fav::find_node_by_key(window.tree, written), 0);
    EXPECT_EQ(window.frozen, 0);

    when_shown<AddFavoriteDialog>([&](AddFavoriteDialog& d) { d.response(Gtk::RESPONSE_CANCEL); });
    EXPECT_FALSE(window.dialogs().AddFavorite("https://trip.example/", "Trip", dir.str()));
    faves.WindowClosed(window);
}

TEST_F(FavDialogsTest, OrganizeRenamesCreatesMovesAndDeletes)
{
    url_file("Tool.lnk", "x");
    const std::string cafe = url_file("caf\xE9.url", "https://cafe.example/");
    OrganizeFavoritesDialog dialog(&window.top, window.gtk_dialogs, window.prompts_double, dir.str());
    dialog.show();
    ASSERT_TRUE(wait_until([&] { return dialog.get_mapped(); }));
    FavFolderTree& entries = dialog.entries();
    const auto& messages = window.prompts_double.messages;
    EXPECT_FALSE(dialog.rename_button().get_sensitive()); // the root is selected

    // Renames keep the hidden extension; a name that is not UTF-8 shows
    // readably and is renamed by its bytes.
    EXPECT_EQ(entries.text_of(cafe), "caf\u00e9");
    const std::tuple<const char*, const char*, const char*> renames[] = {
        {"Tool.lnk", "Hammer", "Hammer.lnk"}, {"caf\xE9.url", "Coffee", "Coffee.url"}};
    for (const auto& [from, to, result] : renames) {
        ASSERT_TRUE(entries.select_path(root() + from));
        dialog.rename_button().clicked();
        ASSERT_TRUE(type_label(entries.tree_view(), to));
        ASSERT_TRUE(wait_until([&] { return fs::exists(root() + result); }, 3000)) << to;
        EXPECT_FALSE(fs::exists(root() + from));
        EXPECT_EQ(entries.selected_path(), root() + result);
    }

    // Create Folder beside a selected item puts it in the item's folder.
    ASSERT_TRUE(entries.select_path(root() + "Work/Plan.url"));
    dialog.create_folder_button().clicked();
    ASSERT_TRUE(type_label(entries.tree_view(), "Ideas"));
    ASSERT_TRUE(wait_until([&] { return fs::is_directory(root() + "Work/Ideas"); }, 3000));

    ASSERT_TRUE(entries.select_path(root() + "Hammer.lnk"));
    pick_folder(root() + "Archive/Old");
    dialog.move_button().clicked();
    EXPECT_TRUE(fs::exists(root() + "Archive/Old/Hammer.lnk"));
    EXPECT_FALSE(fs::exists(root() + "Hammer.lnk"));
    EXPECT_EQ(entries.selected_path(), root() + "Archive/Old/Hammer.lnk");

    // Delete asks first; No keeps everything.
    ASSERT_TRUE(entries.select_path(root() + "Archive"));
    window.prompts_double.answers = {platform::MsgAnswer::No};
    dialog.delete_button().clicked();
    EXPECT_TRUE(fs::exists(root() + "Archive/Old/Hammer.lnk"));
    dialog.delete_button().clicked();
    EXPECT_FALSE(fs::exists(root() + "Archive"));
    EXPECT_EQ(entries.selected_path(), dir.str());
    // An entry that went away meanwhile is reported, and the list follows.
    ASSERT_TRUE(entries.select_path(root() + "Work/Plan.url"));
    fs::remove(root() + "Work/Plan.url");
    dialog.delete_button().clicked();
    EXPECT_NE(messages.back().text.find("is no longer there"), std::string::npos);
    EXPECT_FALSE(entries.text_of(root() + "Work/Plan.url"));
}

TEST_F(FavDialogsTest, PropertiesDescribeFavouritesAndFolders)
{
    // The rows as lines, with the modification time's text replaced by its length.
    const auto rows = [](const std::string& path) {
        std::string text;
        for (const auto& [key, value] : favourite_properties(path).value_or(Properties{}))
            text += key + " " + (key == "Modified:" ? std::to_string(value.size()) : value) + "\n";
        return text;
    };
    const std::string news = root() + "News.url";
    EXPECT_EQ(rows(news), "Name: News.url\nKind: Internet shortcut\nLocation: " + dir.str() +
                              "\nSize: 47 bytes\nModified: 19\nAddress: https://news.example/\n");
    EXPECT_EQ(rows(root() + "Work/"), "Name: Work\nKind: Folder\nLocation: " + dir.str() +
                                          "\nSize: 47 bytes, 1 file in 0 folders\nModified: 19\n");
    EXPECT_EQ(rows(url_file("caf\xE9.url", "https://cafe.example/")).substr(0, 16), "Name: caf\u00e9.url\n");

    EXPECT_FALSE(favourite_properties(root() + "gone.url"));
    window.dialogs().ShowProperties(root() + "gone.url");
    ASSERT_EQ(window.prompts_double.messages.size(), 1u);
    EXPECT_NE(window.prompts_double.messages[0].text.find("gone.url\" is no longer there"),
              std::string::npos);
    when_shown<PropertiesDialog>([&](PropertiesDialog& d) {
        EXPECT_EQ(d.get_title(), "News.url Properties");
        d.response(Gtk::RESPONSE_CLOSE);
    });
    window.dialogs().ShowProperties(news);

    EXPECT_EQ(size_text(0), "0 bytes");
    EXPECT_EQ(size_text(1), "1 byte");
    EXPECT_EQ(size_text(1536), "1.5 KB (1,536 bytes)");
    EXPECT_EQ(size_text(5ull << 30), "5.0 GB (5,368,709,120 bytes)");
}

} // namespace
