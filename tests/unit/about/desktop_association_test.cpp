// The HTML file association: in the registry store, withdrawal that leaves
// other programs' entries alone and the command line's quoting (the quoted
// command itself is the GTK About test's); published to the desktop, the
// desktop entry and the mimeapps.list edits in a temporary XDG tree.
#include "about/desktop_association.h"
#include "about/mod_associate.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/about/doubles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace driftway::about {
namespace {

using namespace about::testing;
using namespace driftway::testing;
namespace fs = std::filesystem;
using platform::Hkey;
using platform::RegStatus;
using Strings = std::vector<std::string>;
constexpr auto HKCR = Hkey::HKEY_CLASSES_ROOT;

constexpr const char* kOtherDefaults =
    "# the user's own note\n[Added Associations]\nimage/png=viewer.desktop;\n\n"
    "[Default Applications]\ntext/html=other.desktop;\nimage/png=viewer.desktop;\n";

TEST(DesktopAssociation, CheckingMakesUsTheDefaultAndUncheckingGivesTheOtherProgramItBack)
{
    TempDir dir;
    dir.write("config/mimeapps.list", kOtherDefaults);
    platform::RegistryStore registry{dir.str() + "/config/Driftway/registry", std::make_shared<FixedFacts>()};
    const std::string program_folder = dir.str() + "/My Apps";
    DesktopAssociation desktop(registry, dir.str() + "/data", dir.str() + "/config");
    ModAssociate associate(registry, program_folder, desktop);

    associate.associate_html();
    EXPECT_EQ(desktop.last_error(), std::nullopt);
    const std::string entry = read_file(desktop.desktop_file());
    EXPECT_NE(entry.find("\nMimeType=text/html;\n"), std::string::npos);
    EXPECT_NE(entry.find("\nIcon=" + program_folder + "/support/htm.ico\n"), std::string::npos);
    // Our name goes first on the other program's line; the rest stays.
    std::string ours = kOtherDefaults;
    ours.replace(ours.find("html=") + 5, 0, "driftway-html.desktop;");
    EXPECT_EQ(read_file(desktop.mimeapps_file()), ours);

    associate.remove_html();
    EXPECT_FALSE(fs::exists(desktop.desktop_file()));
    EXPECT_FALSE(fs::exists(fs::symlink_status(desktop.launcher_link())));
    EXPECT_EQ(read_file(desktop.mimeapps_file()), kOtherDefaults);
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
    EXPECT_EQ(desktop_exec("prog --file=%1"), std::nullopt);
    EXPECT_EQ(desktop_exec("\"/opt/\xff/Driftway\" %1"), std::nullopt);
    // The key file's own escaping comes on top.
    EXPECT_NE(desktop_entry_text("\"/a\\\\b\" %f", "/i").find("\nExec=\"/a\\\\\\\\b\" %f\n"),
              std::string::npos);
}

class AssociateTest : public ::testing::Test {
protected:
    // A string value without its NUL, or "(none)".
    std::string text(const std::string& key, const std::string& name = "")
    {
        const auto value = registry.read_value(HKCR, key, name);
        if (!value)
            return "(none)";
        EXPECT_EQ(value->type, 1u) << key;
        EXPECT_EQ(value->data.back(), '\0') << key;
        return value->data.substr(0, value->data.size() - 1);
    }
    void create_key(const std::string& path)
    {
        Hkey key{};
        ASSERT_EQ(registry.RegCreateKeyA(HKCR, path, key), RegStatus::ERROR_SUCCESS);
        registry.RegCloseKey(key);
    }

    driftway::testing::TempDir dir;
    platform::RegistryStore registry{dir.str() + "/registry", std::make_shared<FixedFacts>()};
    RecordingNotifier notifier;
    ModAssociate associate{registry, "/opt/My Apps/Driftway", notifier};
};

TEST_F(AssociateTest, UncheckingRemovesOnlyOurKeysAndOurPartOfTheExtensions)
{
    // Another program's value and subkey under .htm, its subkey under our
    // ProgID, and its name in .html must all stay.
    create_key(".htm\\OpenWithProgids");
    Hkey key{};
    ASSERT_EQ(registry.RegCreateKeyA(HKCR, ".htm", key), RegStatus::ERROR_SUCCESS);
    registry.RegSetValueExA(key, "Content Type", 1, std::string("text/html\0", 10));
    registry.RegCloseKey(key);
    associate.associate_html();
    create_key("DriftwayHTM\\shell\\edit");
    ASSERT_EQ(registry.RegSetValueA(HKCR, ".html", platform::RegType::REG_SZ, "OtherBrowser.HTML"),
              RegStatus::ERROR_SUCCESS);

    associate.remove_html();
    EXPECT_EQ(notifier.count, 4);
    EXPECT_EQ(registry.key_paths(HKCR), (Strings{".htm", ".htm\\OpenWithProgids", ".html", "DriftwayHTM",
                                                 "DriftwayHTM\\shell", "DriftwayHTM\\shell\\edit"}));
    EXPECT_EQ(text(".htm"), "(none)");
    EXPECT_EQ(text(".htm", "Content Type"), "text/html");
    EXPECT_EQ(text(".html"), "OtherBrowser.HTML");
    EXPECT_EQ(registry.open_handles(), 0u);
}

TEST(CommandLine, QuotingAndSplittingGiveBackEveryArgument)
{
    for (const std::string arg : {"plain", "with blank", "quote\"inside", "back\\slash", "trailing\\",
                                  "ends \\\"", "\\\\\"", "", "/opt/My Apps/Driftway", "tab\there"})
        EXPECT_EQ(split_command_line(quote_command_argument(arg) + " \"%1\""), (Strings{arg, "%1"})) << arg;
    EXPECT_EQ(split_command_line("  a   b\"c d\"e  "), (Strings{"a", "bc de"}));
    EXPECT_EQ(split_command_line("C:\\Apps\\Driftway.exe %1"), (Strings{"C:\\Apps\\Driftway.exe", "%1"}));
}

} // namespace
} // namespace driftway::about
