// The favourites dialogs under Xvfb over a temporary Favorites folder: the
// folder picker, Add Favorite driven for real, Organize Favorites with its
// four commands, and the properties of favourites.
#include "platform/gtk/fav_dialogs.h"
#include "tests/gtk/favourites/fav_gtk_support.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <filesystem>

using namespace driftway;
using namespace driftway::platform::gtk;
using driftway::testing::read_file;
using driftway::testing::wait_until;
using driftway::testing::when_shown;
namespace fav = driftway::favourites;
namespace dt = driftway::testing;
namespace fs = std::filesystem;

namespace {

GtkWidget* label_editor(Gtk::TreeView& view)
{
    GList* children = gtk_container_get_children(GTK_CONTAINER(view.gobj()));
    GtkWidget* editor = nullptr;
    for (GList* l = children; l; l = l->next)
        if (GTK_IS_ENTRY(l->data))
            editor = GTK_WIDGET(l->data);
    g_list_free(children);
    return editor;
}

// Types a name into an open label editor and ends the edit as Enter does.
bool type_label(FavFolderTree& tree, const std::string& text)
{
    GtkWidget* editor = label_editor(tree.tree_view());
    if (!editor)
        return false;
    gtk_entry_set_text(GTK_ENTRY(editor), text.c_str());
    gtk_cell_editable_editing_done(GTK_CELL_EDITABLE(editor));
    return true;
}

void click_response(Gtk::Dialog& dialog, int response)
{
    GtkWidget* button = gtk_dialog_get_widget_for_response(dialog.gobj(), response);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(gtk_widget_is_sensitive(button));
    gtk_button_clicked(GTK_BUTTON(button));
}

class FavDialogsTest : public ::testing::Test, protected dt::FavFolderFixture {
protected:
    void SetUp() override
    {
        folder("Archive/Old");
        folder("Work");
        folder(".hidden");
        url_file("News.url", "https://news.example/");
        url_file("Work/Plan.url", "https://plan.example/");
        m_window.set_default_size(200, 200);
        m_window.show_all();
    }

    Gtk::Window m_window;
    dt::TestFavWindow m_fw{&m_window};
    fav::ModFaves m_faves;
};

TEST_F(FavDialogsTest, TheFolderPickerShowsOnlyFoldersAndAnswersItsChoice)
{
    when_shown<FolderPickerDialog>([&](FolderPickerDialog& d) {
        EXPECT_EQ(d.get_title(), "Favorites");
        EXPECT_EQ(d.folders().selected_path(), root());
        EXPECT_EQ(d.folders().text_of(root()), "Favorites");
        EXPECT_EQ(d.folders().text_of(root() + "/Archive/Old"), "Old");
        EXPECT_FALSE(d.folders().text_of(root() + "/News.url"));
        EXPECT_FALSE(d.folders().text_of(root() + "/.hidden"));
        d.response(Gtk::RESPONSE_CANCEL);
    });
    EXPECT_EQ(m_fw.dialogs().BrowseForFolder(root()), "");

    when_shown<FolderPickerDialog>([&](FolderPickerDialog& d) {
        ASSERT_TRUE(d.folders().select_path(root() + "/Archive/Old"));
        click_response(d, Gtk::RESPONSE_OK);
    });
    EXPECT_EQ(m_fw.dialogs().BrowseForFolder(root()), root() + "/Archive/Old");

    // The root itself can be chosen.
    when_shown<FolderPickerDialog>([&](FolderPickerDialog& d) { click_response(d, Gtk::RESPONSE_OK); });
    EXPECT_EQ(m_fw.dialogs().BrowseForFolder(root()), root());
}

TEST_F(FavDialogsTest, AddToFavoritesThroughTheRealDialogWritesTheShortcut)
{
    m_faves.LoadFavorites(m_fw);
    m_fw.location_url = "https://example.org/page?id=7";
    m_fw.location_name = "Release 2.0 notes";
    when_shown<AddFavoriteDialog>([&](AddFavoriteDialog& d) {
        EXPECT_EQ(d.get_title(), "Add Favorite");
        EXPECT_EQ(d.name_entry().get_text(), "Release 2");
        int start = 0, end = 0;
        EXPECT_TRUE(d.name_entry().get_selection_bounds(start, end));
        EXPECT_EQ(end - start, 9);
        d.name_entry().set_text("Release notes");
        ASSERT_TRUE(d.folders().select_path(root() + "/Work"));
        click_response(d, Gtk::RESPONSE_OK);
    });
    m_faves.AddToFavorites(m_fw);
    const std::string written = root() + "/Work/Release notes.url";
    ASSERT_TRUE(fs::exists(written));
    EXPECT_EQ(read_file(written), "[InternetShortcut]\r\nURL=https://example.org/page?id=7\r\n");
    EXPECT_NE(fav::find_node_by_key(m_fw.tree, written), 0);
    EXPECT_EQ(m_fw.frozen, 0);
    m_faves.WindowClosed(m_fw);
}

TEST_F(FavDialogsTest, AddFavoriteMakesANewFolderAndNamesIt)
{
    folder("Work/New folder");
    std::optional<fav::AddFavoriteChoice> choice;
    when_shown<AddFavoriteDialog>([&](AddFavoriteDialog& d) {
        d.name_entry().set_text("   ");
        EXPECT_FALSE(gtk_widget_is_sensitive(gtk_dialog_get_widget_for_response(d.gobj(), Gtk::RESPONSE_OK)));
        d.name_entry().set_text("Trip");
        ASSERT_TRUE(d.folders().select_path(root() + "/Work"));
        d.new_folder_button().clicked();
        EXPECT_TRUE(fs::is_directory(root() + "/Work/New folder1"));
        EXPECT_EQ(d.folders().selected_path(), root() + "/Work/New folder1");
        ASSERT_TRUE(d.folders().editing());
        ASSERT_TRUE(type_label(d.folders(), "Travel"));
        ASSERT_TRUE(wait_until([&] { return d.folders().selected_path() == root() + "/Work/Travel"; }, 3000));
        click_response(d, Gtk::RESPONSE_OK);
    });
    choice = m_fw.dialogs().AddFavorite("https://trip.example/", "Trip", root());
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->folder, root() + "/Work/Travel");
    EXPECT_EQ(choice->name, "Trip");
    EXPECT_TRUE(fs::is_directory(root() + "/Work/Travel"));
    EXPECT_FALSE(fs::exists(root() + "/Work/New folder1"));

    when_shown<AddFavoriteDialog>([&](AddFavoriteDialog& d) { d.response(Gtk::RESPONSE_CANCEL); });
    EXPECT_FALSE(m_fw.dialogs().AddFavorite("https://trip.example/", "Trip", root()));
}

class OrganizeTest : public FavDialogsTest {
protected:
    void SetUp() override
    {
        FavDialogsTest::SetUp();
        url_file("Tool.lnk", "x");
        m_dialog =
            std::make_unique<OrganizeFavoritesDialog>(&m_window, m_fw.gtk_dialogs(), m_fw.scripted(), root());
        m_dialog->show();
        ASSERT_TRUE(wait_until([&] { return m_dialog->get_mapped(); }));
    }
    FavFolderTree& entries() { return m_dialog->entries(); }
    std::vector<dt::ScriptedPrompts::Shown>& messages() { return m_fw.scripted().shown; }

    std::unique_ptr<OrganizeFavoritesDialog> m_dialog;
};

TEST_F(OrganizeTest, RenamesKeepingTheHiddenExtension)
{
    EXPECT_EQ(entries().text_of(root() + "/News.url"), "News");
    EXPECT_FALSE(m_dialog->rename_button().get_sensitive()); // the root is selected

    ASSERT_TRUE(entries().select_path(root() + "/News.url"));
    EXPECT_TRUE(m_dialog->rename_button().get_sensitive());
    m_dialog->rename_button().clicked();
    ASSERT_TRUE(type_label(entries(), "Daily"));
    ASSERT_TRUE(wait_until([&] { return fs::exists(root() + "/Daily.url"); }, 3000));
    EXPECT_FALSE(fs::exists(root() + "/News.url"));
    EXPECT_EQ(entries().selected_path(), root() + "/Daily.url");

    ASSERT_TRUE(entries().select_path(root() + "/Tool.lnk"));
    m_dialog->rename_button().clicked();
    ASSERT_TRUE(type_label(entries(), "Hammer"));
    ASSERT_TRUE(wait_until([&] { return fs::exists(root() + "/Hammer.lnk"); }, 3000));

    // A name that is not UTF-8 shows readably and is renamed by its bytes.
    const std::string cafe = url_file("caf\xE9.url", "https://cafe.example/");
    entries().reload(cafe);
    EXPECT_EQ(entries().text_of(cafe), "caf\u00e9");
    m_dialog->rename_button().clicked();
    ASSERT_TRUE(type_label(entries(), "Coffee"));
    ASSERT_TRUE(wait_until([&] { return fs::exists(root() + "/Coffee.url"); }, 3000));
    EXPECT_FALSE(fs::exists(cafe));
}

TEST_F(OrganizeTest, CreatesMovesAndDeletes)
{
    // Create Folder beside a selected item puts it in the item's folder.
    ASSERT_TRUE(entries().select_path(root() + "/Work/Plan.url"));
    m_dialog->create_folder_button().clicked();
    EXPECT_TRUE(fs::is_directory(root() + "/Work/New folder"));
    ASSERT_TRUE(type_label(entries(), "Ideas"));
    ASSERT_TRUE(wait_until([&] { return fs::is_directory(root() + "/Work/Ideas"); }, 3000));

    // Move News into Archive/Old through the folder picker.
    ASSERT_TRUE(entries().select_path(root() + "/News.url"));
    when_shown<FolderPickerDialog>([&](FolderPickerDialog& d) {
        ASSERT_TRUE(d.folders().select_path(root() + "/Archive/Old"));
        click_response(d, Gtk::RESPONSE_OK);
    });
    m_dialog->move_button().clicked();
    EXPECT_TRUE(fs::exists(root() + "/Archive/Old/News.url"));
    EXPECT_FALSE(fs::exists(root() + "/News.url"));
    EXPECT_EQ(entries().selected_path(), root() + "/Archive/Old/News.url");

    // A folder cannot go into its own subfolder; nothing moves.
    ASSERT_TRUE(entries().select_path(root() + "/Archive"));
    when_shown<FolderPickerDialog>([&](FolderPickerDialog& d) {
        ASSERT_TRUE(d.folders().select_path(root() + "/Archive/Old"));
        click_response(d, Gtk::RESPONSE_OK);
    });
    m_dialog->move_button().clicked();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_NE(messages()[0].text.find("into itself"), std::string::npos) << messages()[0].text;
    EXPECT_TRUE(fs::exists(root() + "/Archive/Old/News.url"));

    // Delete asks first; No keeps everything.
    m_fw.scripted().answers = {platform::MsgAnswer::No};
    ASSERT_TRUE(entries().select_path(root() + "/Archive"));
    m_dialog->delete_button().clicked();
    EXPECT_TRUE(fs::exists(root() + "/Archive/Old/News.url"));
    m_dialog->delete_button().clicked();
    EXPECT_FALSE(fs::exists(root() + "/Archive"));
    EXPECT_EQ(entries().selected_path(), root());

    // An entry that went away meanwhile is reported, and the list follows.
    ASSERT_TRUE(entries().select_path(root() + "/Work/Plan.url"));
    fs::remove(root() + "/Work/Plan.url");
    m_dialog->delete_button().clicked();
    EXPECT_NE(messages().back().text.find("is no longer there"), std::string::npos);
    EXPECT_FALSE(entries().text_of(root() + "/Work/Plan.url"));
}

TEST_F(FavDialogsTest, PropertiesDescribeFavouritesAndFolders)
{
    const auto news = favourite_properties(root() + "/News.url");
    ASSERT_TRUE(news);
    const auto value = [](const auto& rows, const std::string& name) {
        for (const auto& [k, v] : rows)
            if (k == name)
                return v;
        return std::string("<missing>");
    };
    EXPECT_EQ(value(*news, "Name:"), "News.url");
    EXPECT_EQ(value(*news, "Kind:"), "Internet shortcut");
    EXPECT_EQ(value(*news, "Location:"), root());
    EXPECT_EQ(value(*news, "Size:"), "47 bytes");
    EXPECT_EQ(value(*news, "Address:"), "https://news.example/");
    EXPECT_EQ(value(*news, "Modified:").size(), 19u);

    const auto work = favourite_properties(root() + "/Work/");
    ASSERT_TRUE(work);
    EXPECT_EQ(value(*work, "Kind:"), "Folder");
    EXPECT_EQ(value(*work, "Size:"), "47 bytes, 1 file in 0 folders");
    EXPECT_EQ(value(*work, "Address:"), "<missing>");

    const std::string odd = root() + "/caf\xE9.url";
    url_file("caf\xE9.url", "https://cafe.example/");
    const auto cafe = favourite_properties(odd);
    ASSERT_TRUE(cafe);
    EXPECT_EQ(value(*cafe, "Name:"), "caf\u00e9.url");

    EXPECT_FALSE(favourite_properties(root() + "/gone.url"));
    m_fw.dialogs().ShowProperties(root() + "/gone.url");
    ASSERT_EQ(m_fw.scripted().shown.size(), 1u);
    EXPECT_NE(m_fw.scripted().shown[0].text.find("gone.url\" is no longer there"), std::string::npos);

    when_shown<PropertiesDialog>([&](PropertiesDialog& d) {
        EXPECT_EQ(d.get_title(), "News.url Properties");
        d.response(Gtk::RESPONSE_CLOSE);
    });
    m_fw.dialogs().ShowProperties(root() + "/News.url");

    EXPECT_EQ(size_text(0), "0 bytes");
    EXPECT_EQ(size_text(1), "1 byte");
    EXPECT_EQ(size_text(1536), "1.5 KB (1,536 bytes)");
    EXPECT_EQ(size_text(5ull << 30), "5.0 GB (5,368,709,120 bytes)");
}

} // namespace
