#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace driftway::platform {

// Value types; any other number is stored and returned unchanged.
enum class RegType : std::uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4
};

struct RegValue {
    std::string name; // "" is the key's default (unnamed) value
    std::uint32_t type = 0;
    std::string data; // the stored bytes; a REG_SZ keeps its terminating NUL
};

// One key of the tree: its name as first created, its values and its
// subkeys, both by their names folded to lower case.
struct RegistryKey {
    std::string name;
    std::map<std::string, RegValue> values;
    std::map<std::string, std::unique_ptr<RegistryKey>> subkeys;
};

// What a key tree may hold, in the store and in its file alike.
namespace registry_limits {
inline constexpr std::size_t kMaxValueSize = 1024 * 1024;
inline constexpr std::size_t kMaxNameLength = 255;
inline constexpr std::size_t kMaxDepth = 512;
inline constexpr std::size_t kMaxValueNameLength = 16383;
} // namespace registry_limits

// The names of the three roots.
inline constexpr std::string_view kClassesRootName = "HKEY_CLASSES_ROOT";
inline constexpr std::string_view kCurrentUserName = "HKEY_CURRENT_USER";
inline constexpr std::string_view kLocalMachineName = "HKEY_LOCAL_MACHINE";

// A key or value name as the maps compare it: ASCII letters in lower case.
std::string fold_name(std::string_view name);

// An empty root key of that name.
std::unique_ptr<RegistryKey> new_root_key(std::string_view name);

// Splits a "\"-separated key path. A single trailing separator is allowed; a
// leading one, an empty name, a name longer than the limit or a path deeper
// than the limit is not.
std::optional<std::vector<std::string>> split_key_path(std::string_view path,
                                                       std::size_t max_names = registry_limits::kMaxDepth);

// The subkey `name` of parent, made (and `created` set) when it is not there.
RegistryKey& child_key(RegistryKey& parent, const std::string& name, bool& created);

// Stores value under its folded name, replacing one of the same name.
void set_value(RegistryKey& key, RegValue value);

} // namespace driftway::platform
