// Publishing the association to the desktop: the desktop entry, mimeapps.list
// edits, and what xdg-mime, xdg-open and gio make of them in a temporary XDG
// tree. The desktop tools are run when installed (make test installs them)
// and their checks are skipped otherwise.
#include "about/desktop_association.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/about/doubles.h"

#include <gtest/gtest.h>

#include <glib.h>

#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace driftway::about {
namespace {

using namespace about::testing;
namespace fs = std::filesystem;

bool installed(const char* program)
{
    gchar* path = g_find_program_in_path(program);
    g_free(path);
    return path != nullptr;
}

// Runs a program with exactly the given environment; its standard output.
std::string run(const std::vector<std::string>& argv, const std::vector<std::string>& env)
{
    std::vector<char*> args, envp;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    args.push_back(nullptr);
    envp.push_back(nullptr);
    gchar* out = nullptr;
    const bool ran = g_spawn_sync(nullptr, args.data(), envp.data(),
                                  GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL), nullptr,
                                  nullptr, &out, nullptr, nullptr, nullptr);
    std::string text = ran && out ? out : "";
    g_free(out);
    return text;
}

constexpr const char* kOtherDefaults =
    "# the user's own note\n[Added Associations]\nimage/png=viewer.desktop;\n\n"
    "[Default Applications]\ntext/html=other.desktop;\nimage/png=viewer.desktop;\n";

// A private desktop: home, XDG folders, another browser that is the default
// for text/html, and a stand-in Driftway that writes down its arguments.
class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* folder : {"home", "sys-data/applications", "sys-config"})
            dir.mkdir(folder);
        dir.write("data/applications/other.desktop",
                  "[Desktop Entry]\nType=Application\nName=Other\nExec=/bin/true %f\nMimeType=text/html;\n");
        dir.write("config/mimeapps.list", kOtherDefaults);
    }

    void install_program(const std::string& folder)
    {
        program_folder = dir.str() + "/" + folder;
        const auto program = dir.write(folder + "/Driftway", "#!/bin/sh\nprintf '[%s]\\n' \"$@\" > \"" +
                                                                 opened() + ".part\"\nmv \"" + opened() +
                                                                 ".part\" \"" + opened() + "\"\n");
        ::chmod(program.c_str(), 0755);
    }

    std::string opened() const { return dir.str() + "/opened"; }
    std::string wait_for_opened() const
    {
        for (int i = 0; i < 100 && !fs::exists(opened()); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return driftway::testing::read_file(opened());
    }

    std::vector<std::string> env(const std::string& data_folder = "data") const
    {
        const char* path = std::getenv("PATH");
        const std::string d = dir.str();
        return {"PATH=" + std::string(path ? path : "/usr/bin:/bin"),
                "HOME=" + d + "/home",
                "XDG_CONFIG_HOME=" + d + "/config",
                "XDG_DATA_HOME=" + d + "/" + data_folder,
                "XDG_CONFIG_DIRS=" + d + "/sys-config",
                "XDG_DATA_DIRS=" + d + "/sys-data",
                "DISPLAY=:97"};
    }
    std::string default_for_html() const { return run({"xdg-mime", "query", "default", "text/html"}, env()); }

    driftway::testing::TempDir dir;
    std::string program_folder;
    platform::RegistryStore registry{dir.str() + "/config/Driftway/registry", std::make_shared<FixedFacts>()};
};

TEST_F(DesktopTest, CheckingMakesUsTheDefaultAndUncheckingGivesTheOtherProgramItBack)
{
    for (const char* folder : {"apps", "My Apps"}) {
        SCOPED_TRACE(folder);
        install_program(folder);
        DesktopAssociation desktop(registry, dir.str() + "/data", dir.str() + "/config");
        ModAssociate associate(registry, program_folder, desktop);

        associate.associate_html();
        EXPECT_EQ(desktop.last_error(), std::nullopt);
        const std::string entry = driftway::testing::read_file(desktop.desktop_file());
        EXPECT_NE(entry.find("\nMimeType=text/html;\n"), std::string::npos);
        EXPECT_NE(entry.find("\nIcon=" + program_folder + "/support/htm.ico\n"), std::string::npos);
        // Our name goes first on the other program's line; the rest stays.
        std::string ours = kOtherDefaults;
        ours.replace(ours.find("html=") + 5, 0, "driftway-html.desktop;");
        EXPECT_EQ(driftway::testing::read_file(desktop.mimeapps_file()), ours);
        if (installed("xdg-mime")) {
            EXPECT_EQ(default_for_html(), "driftway-html.desktop\n");
        }

        associate.remove_html();
        EXPECT_FALSE(fs::exists(desktop.desktop_file()));
        EXPECT_FALSE(fs::exists(fs::symlink_status(desktop.launcher_link())));
        EXPECT_EQ(driftway::testing::read_file(desktop.mimeapps_file()), kOtherDefaults);
        if (installed("xdg-mime")) {
            EXPECT_EQ(default_for_html(), "other.desktop\n");
        }
    }
}

TEST_F(DesktopTest, OpeningAFileFromTheDesktopGivesDriftwayTheWholeName)
{
    if (!installed("xdg-open") || !fs::exists("/usr/bin/file") || !fs::exists("/usr/share/mime"))
        GTEST_SKIP() << "xdg-open, file or the shared MIME database is not installed";
    // The file's type comes from the system's MIME database; the
    // applications and defaults stay private.
    fs::create_directory_symlink("/usr/share/mime", dir.path() / "sys-data/mime");
    install_program("My Apps");
    DesktopAssociation desktop(registry, dir.str() + "/data", dir.str() + "/config");
    ModAssociate(registry, program_folder, desktop).associate_html();

    const auto page =
        dir.write("a page; with $pecial 'chars'.html",
                  "<!DOCTYPE html>\n<html><head><title>t</title></head><body>x</body></html>\n");
    run({"xdg-open", page.string()}, env());
    EXPECT_EQ(wait_for_opened(), "[" + page.string() + "]\n");
}

TEST_F(DesktopTest, AQuotedProgramPathIsReadRightByGio)
{
    if (!installed("gio"))
        GTEST_SKIP() << "gio is not installed";
    // With blanks in the data folder too, the link goes to the configuration
    // folder.
    dir.mkdir("data home/applications");
    install_program("My Apps");
    DesktopAssociation desktop(registry, dir.str() + "/data home", dir.str() + "/config");
    ModAssociate(registry, program_folder, desktop).associate_html();
    const std::string entry = driftway::testing::read_file(desktop.desktop_file());
    EXPECT_NE(entry.find("\nExec=" + dir.str() + "/config/Driftway/bin/Driftway %f\n"), std::string::npos) << entry;

    const std::string page = dir.str() + "/my page.html";
    run({"gio", "launch", desktop.desktop_file(), page}, env("data home"));
    EXPECT_EQ(wait_for_opened(), "[" + page + "]\n");
}

TEST(MimeappsList, OurNameGoesFirstOrComesOutAndEverythingElseStays)
{
    const std::string d = "[Default Applications]\n";
    // Another program's default, however it is written, is not touched.
    const std::string theirs =
        "[Default Applications]\r\ntext/html = firefox.desktop ;\r\n[X]\ntext/html=ours.desktop;";
    struct Case {
        bool add;
        std::string before, after;
    };
    const Case cases[] = {
        {true, "", d + "text/html=ours.desktop;\n"},
        {true, d + "text/plain=ed.desktop\n\n[Other]\nx=y\n",
         d + "text/plain=ed.desktop\ntext/html=ours.desktop;\n\n[Other]\nx=y\n"},
        {true, "[Other]\ntext/html=x.desktop;\n",
         "[Other]\ntext/html=x.desktop;\n\n" + d + "text/html=ours.desktop;\n"},
        {true, d + "text/html=a.desktop;ours.desktop;b.desktop\n",
         d + "text/html=ours.desktop;a.desktop;b.desktop;\n"},
        {false, d + "text/html=ours.desktop;\ntext/plain=ours.desktop;\n", d + "text/plain=ours.desktop;\n"},
        {false, theirs, theirs},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.add ? mimeapps_with_default(c.before, "text/html", "ours.desktop")
                        : mimeapps_without(c.before, "text/html", "ours.desktop"),
                  c.after)
            << c.before;
}

TEST(DesktopExec, QuotesWhatTheDesktopRulesReserveAndPassesTheFileAsOneField)
{
    EXPECT_EQ(desktop_exec("\"/usr/lib/driftway/Driftway\" \"%1\""), "/usr/lib/driftway/Driftway %f");
    EXPECT_EQ(desktop_exec("\"/opt/My Apps/Driftway\" \"%1\""), "\"/opt/My Apps/Driftway\" %f");
    EXPECT_EQ(desktop_exec("\"/opt/a$b%c\\d`e/Driftway\" \"%1\""), "\"/opt/a\\$b%%c\\\\d\\`e/Driftway\" %f");
    EXPECT_EQ(desktop_exec("\"/opt/My Apps/Driftway\" \"%1\"", "/home/u/bin/Driftway"),
              "/home/u/bin/Driftway %f");
    EXPECT_EQ(desktop_exec("prog --file=%1"), std::nullopt);
    EXPECT_EQ(desktop_exec("  "), std::nullopt);
    EXPECT_EQ(desktop_exec("\"/opt/\xff/Driftway\" %1"), std::nullopt);
    // The key file's own escaping comes on top.
    EXPECT_NE(desktop_entry_text("\"/a\\\\b\" %f", "/i").find("\nExec=\"/a\\\\\\\\b\" %f\n"),
              std::string::npos);
}

} // namespace
} // namespace driftway::about
