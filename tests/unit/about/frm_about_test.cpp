// The About box's logic: GetKeyValue, StartSysInfo, the load handler with the
// stored "open-HTML" choice, the advert links and the Internet Options pages.
// Needs a temporary folder; the shell, prompts and main window are doubles.
#include "about/frm_about.h"
#include "about/internet_options.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/about/doubles.h"

#include <gtest/gtest.h>

namespace driftway::about {
namespace {

using platform::Hkey;
using platform::RegStatus;
using namespace about::testing;

class AboutTest : public ::testing::Test {
protected:
    std::unique_ptr<FrmAbout> make_about()
    {
        auto about =
            std::make_unique<FrmAbout>(AboutServices{settings, registry, shell, prompts, window, associate});
        about->on_unload = [this] { log.push_back("unload"); };
        return about;
    }

    void set_value(const std::string& name, std::uint32_t type, const std::string& data)
    {
        Hkey key{};
        ASSERT_EQ(registry.RegCreateKeyA(Hkey::HKEY_CURRENT_USER, "Test", key), RegStatus::ERROR_SUCCESS);
        ASSERT_EQ(registry.RegSetValueExA(key, name, type, data), RegStatus::ERROR_SUCCESS);
        registry.RegCloseKey(key);
    }

    std::string stored_choice()
    {
        return settings.get_setting("Quillmere", "Driftway", "open-HTML", "absent");
    }

    driftway::testing::TempDir dir;
    platform::SettingsStore settings{dir.str() + "/config"};
    std::shared_ptr<FixedFacts> facts = std::make_shared<FixedFacts>();
    platform::RegistryStore registry{dir.str() + "/config/Driftway/registry", facts};
    RecordingShell shell;
    RecordingPrompts prompts;
    std::vector<std::string> log;
    RecordingWindow window{log};
    RecordingNotifier notifier;
    ModAssociate associate{registry, "/opt/My Apps/Driftway", notifier};
};

TEST_F(AboutTest, GetKeyValueReadsStringsUpToTheirNulAndReportsMissingValues)
{
    std::string value = "stale";
    set_value("Five", 1, std::string("abcde\0", 6));
    EXPECT_TRUE(GetKeyValue(registry, Hkey::HKEY_CURRENT_USER, "Test", "Five", value));
    EXPECT_EQ(value, "abcde");

    set_value("NoNul", 1, "abc");
    EXPECT_TRUE(GetKeyValue(registry, Hkey::HKEY_CURRENT_USER, "Test", "NoNul", value));
    EXPECT_EQ(value, "abc");

    set_value("Inner", 1, std::string("ab\0cd\0", 6));
    EXPECT_TRUE(GetKeyValue(registry, Hkey::HKEY_CURRENT_USER, "Test", "Inner", value));
    EXPECT_EQ(value, "ab");

    EXPECT_FALSE(GetKeyValue(registry, Hkey::HKEY_CURRENT_USER, "Test", "Missing", value));
    EXPECT_EQ(value, "");
    value = "stale";
    EXPECT_FALSE(GetKeyValue(registry, Hkey::HKEY_CURRENT_USER, "No\\Such\\Key", "X", value));
    EXPECT_EQ(value, "");

    // Larger than the 1024-byte buffer: not read.
    set_value("Long", 1, std::string(1024, 'x') + '\0');
    value = "stale";
    EXPECT_FALSE(GetKeyValue(registry, Hkey::HKEY_CURRENT_USER, "Test", "Long", value));
    EXPECT_EQ(value, "");
    EXPECT_EQ(registry.open_handles(), 0u) << "every opened key is closed again";
}

TEST_F(AboutTest, GetKeyValueWritesDwordsAsHexAndLeavesOtherTypesAlone)
{
    const std::pair<std::string, std::string> cases[] = {
        {std::string("\x1f\0\0\0", 4), "&h1F"},
        {std::string("\0\0\0\0", 4), "&h0"},
        {std::string("\xef\xbe\xad\xde", 4), "&hDEADBEEF"},
        {std::string("\0\0\x01\0", 4), "&h10000"},
    };
    for (const auto& [bytes, text] : cases) {
        set_value("Number", 4, bytes);
        std::string value = "before";
        EXPECT_TRUE(GetKeyValue(registry, Hkey::HKEY_CURRENT_USER, "Test", "Number", value));
        EXPECT_EQ(value, text);
    }
    set_value("Blob", 3, "\x01\x02");
    std::string value = "before";
    EXPECT_TRUE(GetKeyValue(registry, Hkey::HKEY_CURRENT_USER, "Test", "Blob", value));
    EXPECT_EQ(value, "before");
}

TEST_F(AboutTest, StartSysInfoStartsTheRegisteredPathWithoutTestingIt)
{
    facts->values = {{platform::kMsinfoKey, {"PATH", 1, std::string("/nowhere/hardinfo\0", 18)}},
                     {kMsinfoLocationKey, {"MSINFO", 1, dir.str() + '\0'}}};
    dir.write("MSINFO32.EXE", "");
    make_about()->on_cmdSysInfo_click();
    ASSERT_EQ(shell.spawned.size(), 1u);
    EXPECT_EQ(shell.spawned[0], std::vector<std::string>{"/nowhere/hardinfo"});
    EXPECT_EQ(shell.styles[0], platform::WindowStyle::NormalFocus);
    EXPECT_TRUE(prompts.boxes.empty());

    // A registered program that cannot start ends in the message, without
    // trying the second location.
    shell.fail = true;
    make_about()->StartSysInfo();
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_EQ(prompts.boxes[0].text, "System Information Is Unavailable At This Time");
    EXPECT_EQ(prompts.boxes[0].caption, "Driftway");
    EXPECT_EQ(prompts.boxes[0].buttons, platform::MsgButtons::Ok);
}

TEST_F(AboutTest, StartSysInfoUsesTheSecondLocationOnlyWhenItsProgramExists)
{
    facts->values = {{kMsinfoLocationKey, {"MSINFO", 1, dir.str() + '\0'}}};
    make_about()->StartSysInfo();
    EXPECT_TRUE(shell.spawned.empty());
    EXPECT_EQ(prompts.boxes.size(), 1u);

    dir.write("MSINFO32.EXE", "");
    make_about()->StartSysInfo();
    ASSERT_EQ(shell.spawned.size(), 1u);
    EXPECT_EQ(shell.spawned[0], std::vector<std::string>{dir.str() + "/MSINFO32.EXE"});

    facts->values.clear();
    make_about()->StartSysInfo();
    EXPECT_EQ(prompts.boxes.size(), 2u);
}

TEST_F(AboutTest, LoadSetsTheTextsAndLeavesAnUncheckedChoiceAlone)
{
    for (const char* stored : {"", "0", "abc", "1x"}) {
        if (*stored)
            settings.save_setting("Quillmere", "Driftway", "open-HTML", stored);
        auto about = make_about();
        EXPECT_EQ(about->caption(), "About MyApp");
        about->load();
        EXPECT_EQ(about->caption(), "About Driftway\u2122");
        EXPECT_EQ(about->lblVersion(), "V. 4.0.0");
        EXPECT_EQ(about->lblTitle(), "Driftway");
        EXPECT_EQ(about->chkAssociate(), 0) << stored;
        EXPECT_EQ(notifier.count, 0);
        EXPECT_TRUE(registry.key_paths(Hkey::HKEY_CLASSES_ROOT).empty());
        EXPECT_EQ(stored_choice(), *stored ? stored : "absent");
    }
}

TEST_F(AboutTest, EachLoadWithAStoredOneWritesTheChoiceAndBothAssociationsAgain)
{
    settings.save_setting("Quillmere", "Driftway", "open-HTML", "1");
    make_about()->load();
    EXPECT_EQ(notifier.count, 2);
    EXPECT_TRUE(registry.read_value(Hkey::HKEY_CLASSES_ROOT, ".htm", ""));

    // Someone removes the associations behind our back; the next opening
    // writes them again.
    associate.remove_html();
    EXPECT_FALSE(registry.read_value(Hkey::HKEY_CLASSES_ROOT, "DriftwayHTML\\shell\\open\\command", ""));
    auto about = make_about();
    about->load();
    EXPECT_EQ(about->chkAssociate(), 1);
    EXPECT_EQ(registry.read_value(Hkey::HKEY_CLASSES_ROOT, ".html", "")->data,
              std::string("DriftwayHTML\0", 13));
    EXPECT_TRUE(registry.read_value(Hkey::HKEY_CLASSES_ROOT, "DriftwayHTML\\shell\\open\\command", ""));
    EXPECT_EQ(stored_choice(), "1");
}

TEST_F(AboutTest, TheChoiceIsStoredBeforeTheRegistryIsTouchedEvenWhenThatFails)
{
    auto about = make_about();
    std::vector<std::string> seen;
    notifier.on_notify = [&] { seen.push_back(stored_choice()); };
    about->set_chkAssociate(1);
    about->set_chkAssociate(1); // no change, no click
    about->set_chkAssociate(0);
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "1", "0", "0"}));

    // Without a place for settings the registry work still happens.
    dir.write("blocked", "a file where a folder should be");
    platform::SettingsStore broken(dir.str() + "/blocked");
    FrmAbout other(AboutServices{broken, registry, shell, prompts, window, associate});
    other.set_chkAssociate(1);
    EXPECT_TRUE(registry.read_value(Hkey::HKEY_CLASSES_ROOT, "DriftwayHTM", ""));
}

TEST_F(AboutTest, AdvertLinksCloseTheBoxThenOpenThePublisherSiteInTheFirstWindow)
{
    make_about()->on_cmdDownload_click();
    make_about()->on_lblTy_click();
    EXPECT_EQ(log, (std::vector<std::string>{"unload", "show",
                                             "NavNow https://www.quillmere.example/trial/QuillpadSetup.exe",
                                             "unload", "show", "NavNow https://www.quillmere.example"}));

    // The dialog may be destroyed while it unloads; a failing step is passed
    // over.
    log.clear();
    window.fail_show = true;
    auto about = make_about();
    about->on_unload = [&] { about.reset(); };
    about->on_lblTy_click();
    EXPECT_FALSE(about);
    EXPECT_EQ(log, (std::vector<std::string>{"show", "NavNow https://www.quillmere.example"}));
}

TEST_F(AboutTest, ADamagedSettingsFileIsShownToTheUserWhenTheBoxLoads)
{
    dir.write("config/Quillmere/settings.ini", std::string("\0\0garbage", 9));
    auto about = make_about();
    about->load();
    EXPECT_EQ(about->chkAssociate(), 0);
    ASSERT_EQ(prompts.boxes.size(), 1u);
    EXPECT_NE(prompts.boxes[0].text.find("kept as"), std::string::npos);
}

TEST(CheckState, OnlyWholeNumbersCountAndAnyButZeroChecks)
{
    const std::pair<const char*, int> cases[] = {{"1", 1},
                                                 {" 1 ", 1},
                                                 {"+1", 1},
                                                 {"2", 1},
                                                 {"-1", 1},
                                                 {"0", 0},
                                                 {"", 0},
                                                 {"abc", 0},
                                                 {"1abc", 0},
                                                 {"1.5", 0},
                                                 {"99999999999999999999", 0}};
    for (const auto& [text, state] : cases)
        EXPECT_EQ(check_state_from_setting(text), state) << text;
}

TEST(InternetOptions, PagesHaveDefaultsAndRefuseTextOnSeveralLines)
{
    driftway::testing::TempDir dir;
    platform::SettingsStore settings(dir.str());
    EXPECT_EQ(home_page(settings), "https://www.quillmere.example");
    EXPECT_EQ(search_page(settings), "https://duckduckgo.com/");

    EXPECT_EQ(set_home_page(settings, "  https://home.example/  "), std::nullopt);
    EXPECT_EQ(platform::SettingsStore(dir.str()).get_setting("Driftway", "Internet Options", "Home Page"),
              "https://home.example/");
    EXPECT_EQ(home_page(settings), "https://home.example/");

    EXPECT_NE(set_search_page(settings, "https://a.example/\nHome Page=evil"), std::nullopt);
    EXPECT_EQ(search_page(settings), "https://duckduckgo.com/");

    EXPECT_EQ(set_home_page(settings, " "), std::nullopt);
    EXPECT_EQ(home_page(settings), "https://www.quillmere.example");
}

} // namespace
} // namespace driftway::about
