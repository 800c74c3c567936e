// The About box's wiring over the real stores: one box at a time, the HTML
// association through its check box, the advert links. Needs xdotool.
#include "gtk/about_dialog.h"
#include "tests/gtk/common/dialogs.h"
#include "tests/gtk/common/wait.h"
#include "tests/gtk/common/x_input.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/about/doubles.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace driftway;
using namespace driftway::gtk;
using driftway::about::testing::stored_choice;
using namespace driftway::testing;
using platform::Hkey;

namespace {

class AboutDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.mkdir("Driftway Program");
        owner.show();
        AboutServicesHolder::Locations where;
        where.config_home = dir.str() + "/config";
        where.data_home = dir.str() + "/data";
        where.program_folder = dir.str() + "/Driftway Program";
        where.facts = std::make_shared<about::testing::FixedFacts>(); // no System Information tool
        where.shell = std::make_unique<ShellDouble>();
        services = std::make_unique<AboutServicesHolder>(std::move(where));
    }

    void TearDown() override
    {
        if (auto* open = current_about_dialog())
            open->cmdOK().clicked();
        pump_for(50); // closed boxes go away from idle
    }

    AboutDialog& open(Gtk::Window& from)
    {
        show_about_dialog(from, first, *services);
        AboutDialog* dialog = current_about_dialog();
        EXPECT_NE(dialog, nullptr);
        EXPECT_TRUE(wait_until([&] { return dialog->get_mapped(); }, 5000));
        return *dialog;
    }

    std::string classes_root_default(const std::string& key)
    {
        const auto value = services->registry().read_value(Hkey::HKEY_CLASSES_ROOT, key, "");
        return value ? value->data.substr(0, value->data.find('\0')) : "(none)";
    }

    TempDir dir;
    std::unique_ptr<AboutServicesHolder> services;
    std::vector<std::string> log;
    about::testing::RecordingWindow first{log};
    Gtk::Window owner;
};

TEST_F(AboutDialogTest, OneBoxAtATimeLoadedAfreshWithTheAssociationOnItsCheckBox)
{
    AboutDialog& box = open(owner);
    EXPECT_TRUE(box.get_modal());
    EXPECT_TRUE(box.picIcon().get_pixbuf() && box.imgEditor().get_pixbuf());
    EXPECT_FALSE(box.chkAssociate().get_active());
    EXPECT_EQ(stored_choice(services->settings()), "absent")
        << "loading without a stored choice writes nothing";
    EXPECT_TRUE(services->registry().key_paths(Hkey::HKEY_CLASSES_ROOT).empty());
    // Checking associates, unchecking withdraws.
    box.chkAssociate().clicked();
    EXPECT_EQ(stored_choice(services->settings()), "1");
    EXPECT_EQ(classes_root_default("DriftwayHTM\\shell\\open\\command"),
              "\"" + dir.str() + "/Driftway Program/Driftway\" \"%1\"");
    EXPECT_TRUE(std::filesystem::exists(services->desktop().desktop_file()));
    box.chkAssociate().clicked();
    EXPECT_EQ(stored_choice(services->settings()), "0");
    EXPECT_EQ(classes_root_default("DriftwayHTM"), "(none)");
    EXPECT_FALSE(std::filesystem::exists(services->desktop().desktop_file()));

    Gtk::Window second_owner;
    second_owner.show();
    show_about_dialog(second_owner, first, *services);
    EXPECT_EQ(current_about_dialog(), &box) << "a second request brings the open box forward";
    EXPECT_EQ(box.get_transient_for(), &owner);
    // The close box does what OK does; the box is released.
    box.close();
    EXPECT_TRUE(wait_until([] { return current_about_dialog() == nullptr; }, 5000));

    // A choice stored meanwhile is what the next box shows: it loaded again,
    // and wrote the associations the stored "1" stands for.
    services->settings().save_setting("Quillmere", "Driftway", "open-HTML", "1");
    AboutDialog& again = open(second_owner);
    EXPECT_TRUE(again.chkAssociate().get_active());
    EXPECT_EQ(classes_root_default(".html"), "DriftwayHTML");
    EXPECT_TRUE(std::filesystem::exists(services->desktop().desktop_file()));
    EXPECT_EQ(again.get_transient_for(), &second_owner);
    // Closing the owner closes the box it owns.
    second_owner.hide();
    EXPECT_EQ(current_about_dialog(), nullptr);
    EXPECT_FALSE(again.get_visible());
}

TEST_F(AboutDialogTest, TheAdvertOpensThePublisherAndADamagedSettingsFileIsReportedOverTheOwner)
{
    open(owner).cmdDownload().clicked();
    EXPECT_EQ(current_about_dialog(), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"show", "NavNow " + about::advert_download_address()}));

    // The label is clicked with the real mouse.
    log.clear();
    AboutDialog& box = open(owner);
    ASSERT_TRUE(
        wait_until([&] { return box.lblTy().get_window() && box.lblTy().get_window()->is_viewable(); }));
    int x = 0, y = 0;
    box.lblTy().get_window()->get_origin(x, y);
    const auto area = box.lblTy().get_allocation();
    ASSERT_TRUE(mouse_click(x + area.get_width() / 2, y + area.get_height() / 2));
    EXPECT_TRUE(wait_until([&] { return current_about_dialog() == nullptr; }, 5000));
    EXPECT_EQ(log, (std::vector<std::string>{"show", "NavNow " + about::publisher_home_address()}));

    // A damaged settings file is set aside and reported over the owner, as
    // the box is not shown yet.
    dir.write("config/Quillmere/settings.ini", std::string("[Driftway]\nopen-HTML=1\0", 24));
    MessageBoxAnswerer answerer(platform::MsgAnswer::Ok);
    open(owner).cmdOK().clicked();
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_NE(answerer.seen[0].text.find("settings.ini.corrupt-"), std::string::npos)
        << answerer.seen[0].text;
    EXPECT_EQ(answerer.seen[0].parent, &owner);
}

} // namespace
