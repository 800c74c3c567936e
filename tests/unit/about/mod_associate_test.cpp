// The HTML file association in the registry store: the quoted command, and
// withdrawal that leaves other programs' entries alone.
#include "about/desktop_association.h"
#include "about/mod_associate.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/about/doubles.h"

#include <gtest/gtest.h>

namespace driftway::about {
namespace {

using platform::Hkey;
using platform::RegStatus;
using namespace about::testing;
using Strings = std::vector<std::string>;

constexpr auto HKCR = Hkey::HKEY_CLASSES_ROOT;

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

TEST_F(AssociateTest, CheckingPointsBothTypesAtAQuotedCommand)
{
    associate.associate_html();
    EXPECT_EQ(notifier.count, 2);
    EXPECT_EQ(text(".htm") + " " + text(".html"), "DriftwayHTM DriftwayHTML");
    for (const std::string prog_id : {"DriftwayHTM", "DriftwayHTML"}) {
        EXPECT_EQ(text(prog_id + "\\shell\\open\\command"), "\"/opt/My Apps/Driftway/Driftway\" \"%1\"");
        EXPECT_EQ(text(prog_id + "\\DefaultIcon"), "/opt/My Apps/Driftway/support/htm.ico");
    }
    // Blanks in the program and in the file both come back as single arguments.
    EXPECT_EQ(split_command_line(text("DriftwayHTM\\shell\\open\\command")),
              (Strings{"/opt/My Apps/Driftway/Driftway", "%1"}));

    // A program in the root folder gets one separator.
    ModAssociate(registry, "/", notifier)
        .AssociateFileType("DriftwayHTM", "Driftway", ".htm", "HTM", html_icon_file("/"));
    EXPECT_EQ(text("DriftwayHTM\\shell\\open\\command"), "\"/Driftway\" \"%1\"");
    EXPECT_EQ(text("DriftwayHTM\\DefaultIcon"), "/support/htm.ico");
}

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
