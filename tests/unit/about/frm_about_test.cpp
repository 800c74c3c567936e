// The About box's logic: StartSysInfo (and GetKeyValue under it), the stored
// "open-HTML" choice and the advert links.
#include "about/frm_about.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/about/doubles.h"

#include <gtest/gtest.h>

namespace driftway::about {
namespace {

using platform::Hkey;
using namespace about::testing;
using Strings = std::vector<std::string>;

class AboutTest : public ::testing::Test {
protected:
    std::unique_ptr<FrmAbout> make_about()
    {
        auto about =
            std::make_unique<FrmAbout>(AboutServices{settings, registry, shell, prompts, window, associate});
        about->on_unload = [this] { log.push_back("unload"); };
        return about;
    }
    bool associated()
    {
        return registry.read_value(Hkey::HKEY_CLASSES_ROOT, "DriftwayHTML\\shell\\open\\command", "")
            .has_value();
    }

    driftway::testing::TempDir dir;
    platform::SettingsStore settings{dir.str() + "/config"};
    std::shared_ptr<FixedFacts> facts = std::make_shared<FixedFacts>();
    platform::RegistryStore registry{dir.str() + "/config/Driftway/registry", facts};
    ShellDouble shell;
    Strings log;
    PromptsDouble prompts;
    RecordingWindow window{log};
    RecordingNotifier notifier;
    ModAssociate associate{registry, "/opt/My Apps/Driftway", notifier};
};

TEST_F(AboutTest, StartSysInfoTriesTheRegisteredPathThenAnExistingProgramInTheSecondLocation)
{
    facts->values = {{kMsinfoLocationKey, {"MSINFO", 1, dir.str() + '\0'}}};
    make_about()->StartSysInfo();
    EXPECT_TRUE(shell.spawned.empty());
    dir.write("MSINFO32.EXE", "");
    make_about()->StartSysInfo();
    EXPECT_EQ(shell.spawned, (std::vector<Strings>{{dir.str() + "/MSINFO32.EXE"}}));

    // The registered path is started without testing it; one that cannot
    // start ends in the message.
    facts->values.push_back({platform::kMsinfoKey, {"PATH", 1, std::string("/nowhere/hardinfo\0", 18)}});
    make_about()->on_cmdSysInfo_click();
    EXPECT_EQ(shell.spawned.back(), Strings{"/nowhere/hardinfo"});
    EXPECT_EQ(prompts.messages.size(), 1u);
    shell.fail = true;
    make_about()->StartSysInfo();
    facts->values.clear();
    make_about()->StartSysInfo();
    ASSERT_EQ(prompts.messages.size(), 3u);
    EXPECT_EQ(prompts.messages[2].text, "System Information Is Unavailable At This Time");
}

TEST_F(AboutTest, TheChoiceIsStoredBeforeTheRegistryIsTouchedEvenWhenThatFails)
{
    auto about = make_about();
    Strings seen;
    notifier.on_notify = [&] { seen.push_back(stored_choice(settings)); };
    about->set_chkAssociate(1);
    about->set_chkAssociate(1); // no change, no click
    about->set_chkAssociate(0);
    EXPECT_EQ(seen, (Strings{"1", "1", "0", "0"}));

    // Without a place for settings the registry work still happens.
    dir.write("blocked", "a file where a folder should be");
    platform::SettingsStore broken(dir.str() + "/blocked");
    FrmAbout other(AboutServices{broken, registry, shell, prompts, window, associate});
    other.set_chkAssociate(1);
    EXPECT_TRUE(associated());
}

// The advert's usual path is the GTK About test's.
TEST_F(AboutTest, AnAdvertLinkSurvivesTheBoxDestroyedWhileItUnloads)
{
    // A failing step is passed over too.
    window.fail_show = true;
    auto about = make_about();
    about->on_unload = [&] { about.reset(); };
    about->on_lblTy_click();
    EXPECT_FALSE(about);
    EXPECT_EQ(log, (Strings{"show", "NavNow https://www.quillmere.example"}));
}

} // namespace
} // namespace driftway::about
