// Publishing the association to the desktop: the desktop entry and the
// mimeapps.list edits in a temporary XDG tree.
#include "about/desktop_association.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/about/doubles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace driftway::about {
namespace {

using namespace about::testing;
using namespace driftway::testing;
namespace fs = std::filesystem;

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

} // namespace
} // namespace driftway::about
