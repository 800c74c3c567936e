// The HTML association when the desktop cannot follow: a configuration folder
// that cannot be written, mimeapps.list as a folder, a program path that
// launchers cannot take. The box and the stores end saying what is true and
// the failure is shown, naming the file. An installed driftway.desktop for
// this program is named instead of a second entry. Needs a temporary folder.
#include "about/desktop_association.h"
#include "about/frm_about.h"
#include "platform/settings_store.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/about/doubles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace driftway::about {
namespace {

using namespace about::testing;
using namespace driftway::testing;

class AssociationFailures : public ::testing::Test {
protected:
    // The program, a stand-in executable, in a folder of the given name.
    std::string install_program(const std::string& folder)
    {
        const std::string program = dir.write(folder + "/Driftway", "#!/bin/sh\n").string();
        ::chmod(program.c_str(), 0755);
        return dir.str() + "/" + folder;
    }
    // Checks the box, as the user does, with the program in program_folder.
    int check_the_box(const std::string& program_folder)
    {
        platform::RegistryStore registry(config + "/Driftway/registry", std::make_shared<FixedFacts>());
        DesktopAssociation desktop(registry, data, config, nullptr, {system_data});
        ModAssociate associate(registry, program_folder, desktop);
        FrmAbout about(AboutServices{settings, registry, shell, prompts, window, associate});
        about.load();
        about.set_chkAssociate(1);
        registry_says = associate.is_associated(kHtmType.ProgID, kHtmType.Extension);
        return about.chkAssociate();
    }
    std::string message() const { return prompts.messages.empty() ? "" : prompts.messages.back().text; }
    bool exists(const std::string& path) const { return std::filesystem::exists(path); }

    TempDir dir;
    std::string config = dir.str() + "/config", data = dir.str() + "/data", system_data = dir.str() + "/usr";
    platform::SettingsStore settings{config};
    std::vector<std::string> log;
    PromptsDouble prompts{&log};
    ShellDouble shell;
    RecordingWindow window{log};
    bool registry_says = false;
};

TEST_F(AssociationFailures, AFileThatCannotBeWrittenUnticksTheBoxAndIsNamed)
{
    // mimeapps.list as a folder; a file where the registry's folder must go,
    // which stops every write there, for root as for anyone.
    const std::string cases[][3] = {{"mimeapps.list/inside", "/mimeapps.list", "it is a folder"},
                                    {"Driftway", "/Driftway/registry", ""}};
    for (const auto& [blocker, named, why] : cases) {
        std::filesystem::remove_all(config);
        settings = platform::SettingsStore(config);
        dir.write("config/" + blocker, "");
        EXPECT_EQ(check_the_box(install_program("bin")), 0);
        EXPECT_NE(message().find(config + named), std::string::npos) << message();
        EXPECT_NE(message().find(why), std::string::npos) << message();
        EXPECT_FALSE(registry_says);
        EXPECT_EQ(stored_choice(settings), "0");
        EXPECT_FALSE(exists(data + "/applications/driftway-html.desktop"));
    }
}

TEST_F(AssociationFailures, ProgramPathsWithBlanksOrPercentGoThroughALinkOrAreRefused)
{
    // "%" in the program's folder: the entry starts the program through a link.
    const std::string odd = install_program("100% apps");
    EXPECT_EQ(check_the_box(odd), 1) << message();
    const std::string entry = read_file(data + "/applications/driftway-html.desktop");
    EXPECT_NE(entry.find("\nExec=" + data + "/Driftway/bin/Driftway %f\n"), std::string::npos) << entry;
    EXPECT_EQ(std::filesystem::read_symlink(data + "/Driftway/bin/Driftway"), odd + "/Driftway");

    // With blanks in both folders a link could live in, nothing is left half done.
    data = dir.str() + "/data home";
    config = dir.str() + "/config home";
    settings = platform::SettingsStore(config);
    prompts.messages.clear();
    EXPECT_EQ(check_the_box(odd), 0);
    EXPECT_NE(message().find("no folder without one"), std::string::npos) << message();
    EXPECT_FALSE(registry_says);
}

TEST_F(AssociationFailures, AnInstalledEntryForThisProgramIsNamedInsteadOfASecond)
{
    const std::string folder = install_program("lib/driftway");
    dir.write("usr/applications/driftway.desktop", "[Desktop Entry]\nType=Application\nName=Driftway\nExec=" +
                                                       folder + "/Driftway %U\nMimeType=text/html;\n");
    EXPECT_EQ(check_the_box(folder), 1) << message();
    EXPECT_FALSE(exists(data + "/applications/driftway-html.desktop"));
    const std::string mimeapps = read_file(config + "/mimeapps.list");
    EXPECT_NE(mimeapps.find("text/html=driftway.desktop;"), std::string::npos) << mimeapps;

    // Another program's entry of that name is not ours to name.
    dir.write("usr/applications/driftway.desktop",
              "[Desktop Entry]\nExec=/usr/bin/other %U\nMimeType=text/html;\n");
    EXPECT_EQ(check_the_box(folder), 1);
    EXPECT_TRUE(exists(data + "/applications/driftway-html.desktop"));
    EXPECT_NE(read_file(config + "/mimeapps.list").find("text/html=driftway-html.desktop;"),
              std::string::npos);
}

} // namespace
} // namespace driftway::about
