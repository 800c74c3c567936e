// The About box's logic: GetKeyValue, StartSysInfo, the stored "open-HTML"
// choice, the advert links and the Internet Options pages.
#include "about/frm_about.h"
#include "about/internet_options.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/about/doubles.h"

#include <gtest/gtest.h>

#include <tuple>

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
    std::string stored_choice()
    {
        return settings.get_setting("Quillmere", "Driftway", "open-HTML", "absent");
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

TEST_F(AboutTest, GetKeyValueReadsStringsAndDwordsAndEmptiesTheValueWhenNothingIsRead)
{
    const auto read = [&](const char* key, const char* name) {
        std::string value = "stale";
        const bool found = GetKeyValue(registry, Hkey::HKEY_CURRENT_USER, key, name, value);
        return std::pair(found, value);
    };
    // Type, data, and what a read into "stale" gives.
    const std::tuple<std::uint32_t, std::string, std::pair<bool, std::string>> cases[] = {
        {1, "abc", {true, "abc"}},
        {1, std::string("ab\0cd\0", 6), {true, "ab"}},
        {1, std::string(1024, 'x') + '\0', {false, ""}}, // larger than the 1024-byte buffer
        {4, std::string("\x1f\0\0\0", 4), {true, "&h1F"}},
        {4, "\xef\xbe\xad\xde", {true, "&hDEADBEEF"}},
        {4, std::string("\0\0\x01\0", 4), {true, "&h10000"}},
        {3, "\x01\x02", {true, "stale"}}, // other types leave the value alone
    };
    for (const auto& [type, data, expected] : cases) {
        Hkey key{};
        ASSERT_EQ(registry.RegCreateKeyA(Hkey::HKEY_CURRENT_USER, "Test", key),
                  platform::RegStatus::ERROR_SUCCESS);
        ASSERT_EQ(registry.RegSetValueExA(key, "V", type, data), platform::RegStatus::ERROR_SUCCESS);
        registry.RegCloseKey(key);
        EXPECT_EQ(read("Test", "V"), expected) << data;
    }
    EXPECT_EQ(read("Test", "Missing"), std::pair(false, std::string()));
    EXPECT_EQ(read("No\\Such\\Key", "X"), std::pair(false, std::string()));
    EXPECT_EQ(registry.open_handles(), 0u) << "every opened key is closed again";
}

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

TEST_F(AboutTest, LoadLeavesAnyTextButAStoredChoiceAlone)
{
    for (const char* stored : {"", "0", "abc", "1x"}) {
        if (*stored)
            settings.save_setting("Quillmere", "Driftway", "open-HTML", stored);
        auto about = make_about();
        about->load();
        EXPECT_EQ(about->chkAssociate(), 0) << stored;
        EXPECT_EQ(stored_choice(), *stored ? stored : "absent");
    }
    EXPECT_EQ(notifier.count, 0);
    EXPECT_TRUE(registry.key_paths(Hkey::HKEY_CLASSES_ROOT).empty());
}

TEST_F(AboutTest, TheChoiceIsStoredBeforeTheRegistryIsTouchedEvenWhenThatFails)
{
    auto about = make_about();
    Strings seen;
    notifier.on_notify = [&] { seen.push_back(stored_choice()); };
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

TEST_F(AboutTest, AdvertLinksCloseTheBoxThenOpenThePublisherSiteInTheFirstWindow)
{
    make_about()->on_cmdDownload_click();
    make_about()->on_lblTy_click();
    EXPECT_EQ(log, (Strings{"unload", "show", "NavNow https://www.quillmere.example/trial/QuillpadSetup.exe",
                            "unload", "show", "NavNow https://www.quillmere.example"}));

    // The dialog may be destroyed while it unloads; a failing step is passed over.
    log.clear();
    window.fail_show = true;
    auto about = make_about();
    about->on_unload = [&] { about.reset(); };
    about->on_lblTy_click();
    EXPECT_FALSE(about);
    EXPECT_EQ(log, (Strings{"show", "NavNow https://www.quillmere.example"}));
}

TEST(CheckState, OnlyWholeNumbersCountAndAnyButZeroChecks)
{
    for (const char* text : {"1", " 1 ", "+1", "2", "-1"})
        EXPECT_EQ(check_state_from_setting(text), 1) << text;
    for (const char* text : {"0", "", "abc", "1abc", "1.5", "99999999999999999999"})
        EXPECT_EQ(check_state_from_setting(text), 0) << text;
}

TEST(InternetOptions, PagesHaveDefaultsAndRefuseTextOnSeveralLines)
{
    driftway::testing::TempDir dir;
    platform::SettingsStore settings(dir.str());
    EXPECT_EQ(search_page(settings), "https://duckduckgo.com/");
    EXPECT_EQ(set_home_page(settings, "  https://home.example/  "), std::nullopt);
    EXPECT_EQ(platform::SettingsStore(dir.str()).get_setting("Driftway", "Internet Options", "Home Page"),
              "https://home.example/");
    EXPECT_NE(set_search_page(settings, "https://a.example/\nHome Page=evil"), std::nullopt);
    EXPECT_EQ(search_page(settings), "https://duckduckgo.com/");
    EXPECT_EQ(home_page(settings), "https://home.example/");
    EXPECT_EQ(set_home_page(settings, " "), std::nullopt);
    EXPECT_EQ(home_page(settings), "https://www.quillmere.example");
}

} // namespace
} // namespace driftway::about
