// The registry store: key and value semantics, persistence, damaged files and
// the system information program. Deleting keys (never one with subkeys) is
// the association tests', the machine's facts the About box tests'.
#include "platform/registry_store.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace driftway::platform {
namespace {

using testing::read_file;
namespace fs = std::filesystem;

constexpr auto HKCR = Hkey::HKEY_CLASSES_ROOT;
constexpr auto OK = RegStatus::ERROR_SUCCESS;

class RegistryStoreTest : public ::testing::Test {
protected:
    std::string file() const { return dir.str() + "/Driftway/registry"; }
    std::unique_ptr<RegistryStore> open_store() { return std::make_unique<RegistryStore>(file(), nullptr); }
    // A value's type and bytes, read through a handle.
    std::pair<std::uint32_t, std::string> query(RegistryStore& store, Hkey key, const std::string& name)
    {
        std::uint32_t type = 0, size = 0;
        EXPECT_EQ(store.RegQueryValueExA(key, name, &type, nullptr, &size), OK);
        std::string data(size, '?');
        EXPECT_EQ(store.RegQueryValueExA(key, name, nullptr, data.data(), &size), OK);
        return {type, data};
    }

    testing::TempDir dir;
    std::unique_ptr<RegistryStore> store = open_store();
};

TEST_F(RegistryStoreTest, KeysAreFoundWithoutRegardToCaseAndKeepTheirFirstSpelling)
{
    Hkey key{};
    ASSERT_EQ(store->RegCreateKeyA(HKCR, "DriftwayHTM\\shell\\open", key), OK);
    EXPECT_EQ(store->RegSetValueA(key, "", RegType::REG_SZ, "abc"), OK);
    EXPECT_EQ(store->RegCloseKey(key), OK);

    ASSERT_EQ(store->RegOpenKeyExA(HKCR, "driftwayhtm\\SHELL\\Open\\", 0, KEY_READ, key), OK);
    EXPECT_EQ(query(*store, key, ""), std::pair(1u, std::string("abc\0", 4)));
    // A buffer that is too small says how much is needed.
    char small[2];
    std::uint32_t size = sizeof small;
    EXPECT_EQ(store->RegQueryValueExA(key, "", nullptr, small, &size), RegStatus::ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    store->RegCloseKey(key);
    EXPECT_EQ(store->key_paths(HKCR),
              (std::vector<std::string>{"DriftwayHTM", "DriftwayHTM\\shell", "DriftwayHTM\\shell\\open"}));
    EXPECT_EQ(store->open_handles(), 0u);

    // RegSetValueA makes the subkey, cuts at a NUL and takes only strings.
    EXPECT_EQ(store->RegSetValueA(HKCR, "A\\B", RegType::REG_SZ, std::string_view("xy\0z", 4)), OK);
    EXPECT_EQ(store->read_value(HKCR, "a\\b", "")->data, std::string("xy\0", 3));
    EXPECT_EQ(store->RegSetValueA(HKCR, "A", RegType::REG_DWORD, "1"), RegStatus::ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryStoreTest, EveryByteOfNamesAndDataAndChangesReachAnotherInstance)
{
    std::string all_bytes;
    for (int b = 0; b < 256; ++b)
        all_bytes += static_cast<char>(b);
    const std::string odd_name = "Quote\" back/slash ]\n\xC3\xA9";
    Hkey key{};
    ASSERT_EQ(store->RegCreateKeyA(HKCR, odd_name + "\\Sub", key), OK);
    EXPECT_EQ(store->RegSetValueExA(key, all_bytes, 3, all_bytes), OK);
    store->RegCloseKey(key);
    EXPECT_EQ(store->RegSetValueA(Hkey::HKEY_CURRENT_USER, "Software\\Driftway", RegType::REG_SZ, "u"), OK);

    auto second = open_store();
    EXPECT_TRUE(second->take_warnings().empty());
    const auto value = second->read_value(HKCR, odd_name + "\\sub", all_bytes);
    ASSERT_TRUE(value);
    EXPECT_EQ(std::pair(value->type, value->data), std::pair(3u, all_bytes));
    EXPECT_EQ(second->read_value(Hkey::HKEY_CURRENT_USER, "software\\driftway", "")->data,
              std::string("u\0", 2));
    EXPECT_FALSE(second->read_value(HKCR, "Software\\Driftway", ""));
    ASSERT_EQ(second->RegDeleteKeyA(HKCR, odd_name + "\\Sub"), OK);
    EXPECT_FALSE(store->read_value(HKCR, odd_name + "\\Sub", ""));
    EXPECT_EQ(fs::status(file()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "Driftway"), {}), 1)
        << "a temporary file was left";
}

TEST_F(RegistryStoreTest, ADamagedFileIsKeptAsideReportedAndNeverWrittenOver)
{
    const std::string garbage("\x7f"
                              "ELF\0\x01\x02 binary garbage\xff\xfe",
                              22);
    dir.write("Driftway/registry", garbage);
    auto damaged = open_store();
    auto warnings = damaged->take_warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("kept as"), std::string::npos) << warnings[0];
    EXPECT_TRUE(damaged->key_paths(HKCR).empty());
    ASSERT_EQ(damaged->RegSetValueA(HKCR, "Fresh", RegType::REG_SZ, "1"), OK);
    EXPECT_TRUE(open_store()->take_warnings().empty());
    int kept = 0;
    for (const auto& entry : fs::directory_iterator(dir.path() / "Driftway"))
        kept += entry.path().filename().string().starts_with("registry.corrupt-") &&
                read_file(entry.path()) == garbage;
    EXPECT_EQ(kept, 1);

    // A name so long that no "<name>.corrupt-<time>" fits in a folder entry
    // makes setting it aside fail, for root as for anyone.
    const std::string long_file = dir.str() + "/" + std::string(240, 'r');
    dir.write(std::string(240, 'r'), "not a registry");
    RegistryStore stuck(long_file, nullptr);
    warnings = stuck.take_warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("could not be set aside"), std::string::npos) << warnings[0];
    Hkey key{};
    EXPECT_EQ(stuck.RegSetValueA(HKCR, "X", RegType::REG_SZ, "1"), RegStatus::ERROR_ACCESS_DENIED);
    EXPECT_EQ(stuck.RegCreateKeyA(HKCR, "X", key), RegStatus::ERROR_ACCESS_DENIED);
    EXPECT_EQ(read_file(long_file), "not a registry");
    EXPECT_TRUE(stuck.take_warnings().empty()) << "reported once, not on every call";
}

TEST(SystemInformationProgram, IsTheFirstOfTheListFoundInAbsolutePathFolders)
{
    testing::TempDir dir;
    const auto make = [&](const std::string& path, unsigned mode) {
        ::chmod(dir.write(path, "#!/bin/sh\n").c_str(), mode);
        return (dir.path() / path).parent_path().string();
    };
    const std::string a = make("a/gnome-system-monitor", 0755), b = make("b/hardinfo", 0644),
                      c = make("c/kinfocenter", 0755);
    EXPECT_EQ(find_system_information_program(a + ":" + b + ":" + c), c + "/kinfocenter");
    EXPECT_EQ(find_system_information_program(a + "::relative"), a + "/gnome-system-monitor");
    EXPECT_EQ(find_system_information_program(b), std::nullopt) << "not executable";
    make("b/hardinfo", 0755);
    EXPECT_EQ(find_system_information_program(a + ":" + b), b + "/hardinfo");
}

} // namespace
} // namespace driftway::platform
