// The About box: one box at a time, the HTML association through its check
// box (registry keys and the desktop's own answer from xdg-mime in a temporary
// XDG tree), System Information and the advert links. Needs xdotool.
#include "platform/gtk/about_dialog.h"
#include "tests/gtk/about/message_boxes.h"
#include "tests/gtk/common/wait.h"
#include "tests/gtk/common/x_input.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <glib.h>

#include <filesystem>

using namespace driftway;
using namespace driftway::platform::gtk;
using driftway::testing::MessageBoxAnswerer;
using driftway::testing::TempDir;
using driftway::testing::wait_until;
using platform::Hkey;

namespace {

struct RecordingShell : platform::Shell {
    std::vector<std::vector<std::string>> spawned;
    void spawn(const std::vector<std::string>& argv, platform::WindowStyle) override
    {
        spawned.push_back(argv);
    }
    void open_with_default(const std::string&) override {}
};

struct Facts : platform::SystemFacts {
    std::vector<platform::MachineValue> values;
    std::vector<platform::MachineValue> machine_values() const override { return values; }
};

struct RecordingFirstWindow : about::FirstMainWindow {
    std::vector<std::string> log;
    void show() override { log.push_back("show"); }
    void NavNow(const std::string& address) override { log.push_back("NavNow " + address); }
};

bool installed(const char* program)
{
    gchar* path = g_find_program_in_path(program);
    g_free(path);
    return path != nullptr;
}

class AboutDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* folder : {"home", "sys-data/applications", "sys-config", "data/applications",
                                   "config", "Driftway Program"})
            dir.mkdir(folder);
        owner.show();
        make_services();
    }

    void TearDown() override
    {
        if (auto* open = current_about_dialog())
            open->cmdOK().clicked();
        driftway::testing::pump_for(50); // closed boxes go away from idle
    }

    void make_services()
    {
        AboutServicesHolder::Locations where;
        where.config_home = dir.str() + "/config";
        where.data_home = dir.str() + "/data";
        where.program_folder = dir.str() + "/Driftway Program";
        where.facts = facts;
        where.shell = std::make_unique<RecordingShell>();
        shell = static_cast<RecordingShell*>(where.shell.get());
        services = std::make_unique<AboutServicesHolder>(std::move(where));
    }

    AboutDialog& open(Gtk::Window& from)
    {
        show_about_dialog(from, first, *services);
        AboutDialog* dialog = current_about_dialog();
        EXPECT_NE(dialog, nullptr);
        EXPECT_TRUE(wait_until([&] { return dialog->get_mapped(); }, 5000));
        return *dialog;
    }

    std::string stored_choice()
    {
        return services->settings().get_setting("Quillmere", "Driftway", "open-HTML", "absent");
    }

    std::string classes_root_default(const std::string& key)
    {
        const auto value = services->registry().read_value(Hkey::HKEY_CLASSES_ROOT, key, "");
        return value ? value->data.substr(0, value->data.find('\0')) : "(none)";
    }

    // What the desktop itself says opens HTML files, in the temporary XDG tree.
    std::string default_for_html()
    {
        const std::string d = dir.str();
        const std::string command = "env -i PATH=\"$PATH\" HOME='" + d + "/home' XDG_CONFIG_HOME='" + d +
                                    "/config' XDG_DATA_HOME='" + d + "/data' XDG_CONFIG_DIRS='" + d +
                                    "/sys-config' XDG_DATA_DIRS='" + d +
                                    "/sys-data' xdg-mime query default text/html 2>/dev/null";
        const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
        gchar* out = nullptr;
        g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &out,
                     nullptr, nullptr, nullptr);
        std::string text = out ? out : "";
        g_free(out);
        return text;
    }

    TempDir dir;
    std::shared_ptr<Facts> facts = std::make_shared<Facts>();
    RecordingShell* shell = nullptr;
    std::unique_ptr<AboutServicesHolder> services;
    RecordingFirstWindow first;
    Gtk::Window owner;
};

TEST_F(AboutDialogTest, OneBoxAtATimeLoadedAfreshEachTimeAndTouchingNothing)
{
    AboutDialog& box = open(owner);
    EXPECT_TRUE(box.get_modal());
    EXPECT_TRUE(box.picIcon().get_pixbuf() && box.imgEditor().get_pixbuf());
    EXPECT_FALSE(box.chkAssociate().get_active());
    EXPECT_EQ(stored_choice(), "absent") << "loading without a stored choice writes nothing";
    EXPECT_TRUE(services->registry().key_paths(Hkey::HKEY_CLASSES_ROOT).empty());

    Gtk::Window second_owner;
    second_owner.show();
    show_about_dialog(second_owner, first, *services);
    EXPECT_EQ(current_about_dialog(), &box) << "a second request brings the open box forward";
    EXPECT_EQ(box.get_transient_for(), &owner);
    // The close box does what OK does; the box is released.
    box.close();
    EXPECT_TRUE(wait_until([] { return current_about_dialog() == nullptr; }, 5000));

    // A choice stored meanwhile is what the next box shows: it loaded again.
    services->settings().save_setting("Quillmere", "Driftway", "open-HTML", "1");
    AboutDialog& again = open(second_owner);
    EXPECT_TRUE(again.chkAssociate().get_active());
    EXPECT_EQ(again.get_transient_for(), &second_owner);
    // Closing the owner closes the box it owns.
    second_owner.hide();
    EXPECT_EQ(current_about_dialog(), nullptr);
    EXPECT_FALSE(again.get_visible());
}

TEST_F(AboutDialogTest, CheckingAssociatesAndPublishesAndUncheckingWithdraws)
{
    dir.write("config/mimeapps.list", "[Default Applications]\ntext/html=other.desktop;\n");
    dir.write("data/applications/other.desktop",
              "[Desktop Entry]\nType=Application\nName=Other\nExec=/bin/true %f\nMimeType=text/html;\n");
    const std::string folder = dir.str() + "/Driftway Program";
    AboutDialog& box = open(owner);

    box.chkAssociate().clicked();
    EXPECT_EQ(stored_choice(), "1");
    for (const std::string progid : {"DriftwayHTM", "DriftwayHTML"}) {
        EXPECT_EQ(classes_root_default(progid == "DriftwayHTM" ? ".htm" : ".html"), progid);
        EXPECT_EQ(classes_root_default(progid + "\\shell\\open\\command"),
                  "\"" + folder + "/Driftway\" \"%1\"");
        EXPECT_EQ(classes_root_default(progid + "\\DefaultIcon"), folder + "/support/htm.ico");
    }
    EXPECT_TRUE(std::filesystem::exists(services->desktop().desktop_file()));
    EXPECT_EQ(services->desktop().last_error(), std::nullopt);
    const bool xdg_mime = installed("xdg-mime");
    EXPECT_EQ(xdg_mime ? default_for_html() : "driftway-html.desktop\n", "driftway-html.desktop\n");

    box.chkAssociate().clicked();
    EXPECT_EQ(stored_choice(), "0");
    EXPECT_TRUE(services->registry().key_paths(Hkey::HKEY_CLASSES_ROOT).size() <= 2u)
        << "at most the extension keys stay, emptied";
    EXPECT_EQ(classes_root_default("DriftwayHTM"), "(none)");
    EXPECT_NE(classes_root_default(".htm"), "DriftwayHTM");
    EXPECT_FALSE(std::filesystem::exists(services->desktop().desktop_file()));
    EXPECT_EQ(xdg_mime ? default_for_html() : "other.desktop\n", "other.desktop\n");
}

TEST_F(AboutDialogTest, AStoredChoiceRewritesTheAssociationsOnLoadAndNonsenseCountsAsUnchecked)
{
    // A damaged settings file is set aside and reported over the owner, as
    // the box is not shown yet.
    dir.write("config/Quillmere/settings.ini", std::string("[Driftway]\nopen-HTML=1\0", 24));
    {
        MessageBoxAnswerer answerer(platform::MsgAnswer::Ok);
        open(owner).cmdOK().clicked();
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_NE(answerer.seen[0].text.find("settings.ini.corrupt-"), std::string::npos)
            << answerer.seen[0].text;
        EXPECT_EQ(answerer.seen[0].parent, &owner);
    }

    services->settings().save_setting("Quillmere", "Driftway", "open-HTML", "yes");
    AboutDialog& first_box = open(owner);
    EXPECT_FALSE(first_box.chkAssociate().get_active());
    EXPECT_TRUE(services->registry().key_paths(Hkey::HKEY_CLASSES_ROOT).empty());
    first_box.cmdOK().clicked();

    // Someone removed the keys behind the program's back; the stored "1"
    // brings them back without a click.
    services->settings().save_setting("Quillmere", "Driftway", "open-HTML", "1");
    AboutDialog& box = open(owner);
    EXPECT_TRUE(box.chkAssociate().get_active());
    EXPECT_EQ(classes_root_default(".html"), "DriftwayHTML");
    EXPECT_EQ(classes_root_default("DriftwayHTM\\DefaultIcon"),
              dir.str() + "/Driftway Program/support/htm.ico");
    EXPECT_TRUE(std::filesystem::exists(services->desktop().desktop_file()));
    EXPECT_EQ(stored_choice(), "1");
}

TEST_F(AboutDialogTest, SystemInfoStartsTheToolOrSaysItIsUnavailable)
{
    AboutDialog& box = open(owner);
    {
        MessageBoxAnswerer answerer(platform::MsgAnswer::Ok);
        box.cmdSysInfo().clicked();
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_EQ(answerer.seen[0].text, "System Information Is Unavailable At This Time");
        EXPECT_EQ(answerer.seen[0].title, "Driftway");
        EXPECT_EQ(answerer.seen[0].parent, &box) << "the message stands over the About box";
    }
    EXPECT_TRUE(shell->spawned.empty());
    EXPECT_EQ(current_about_dialog(), &box) << "the box stays open";

    box.cmdOK().clicked();
    driftway::testing::pump_for(50);
    facts->values = {{platform::kMsinfoKey, {"PATH", 1, std::string("/usr/bin/hardinfo\0", 18)}}};
    make_services();
    open(owner).cmdSysInfo().clicked();
    ASSERT_EQ(shell->spawned.size(), 1u);
    EXPECT_EQ(shell->spawned[0], std::vector<std::string>{"/usr/bin/hardinfo"});
}

TEST_F(AboutDialogTest, TheAdvertClosesTheBoxAndOpensThePublisherInTheFirstWindow)
{
    open(owner).cmdDownload().clicked();
    EXPECT_EQ(current_about_dialog(), nullptr);
    EXPECT_EQ(first.log, (std::vector<std::string>{"show", "NavNow " + about::advert_download_address()}));

    // The label is clicked with the real mouse.
    first.log.clear();
    AboutDialog& box = open(owner);
    ASSERT_TRUE(
        wait_until([&] { return box.lblTy().get_window() && box.lblTy().get_window()->is_viewable(); }));
    int x = 0, y = 0;
    box.lblTy().get_window()->get_origin(x, y);
    const auto area = box.lblTy().get_allocation();
    ASSERT_TRUE(driftway::testing::mouse_click(x + area.get_width() / 2, y + area.get_height() / 2));
    EXPECT_TRUE(wait_until([&] { return current_about_dialog() == nullptr; }, 5000));
    EXPECT_EQ(first.log, (std::vector<std::string>{"show", "NavNow " + about::publisher_home_address()}));
}

} // namespace
