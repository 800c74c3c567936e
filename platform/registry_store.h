#pragma once

#include "platform/paths.h"
#include "platform/registry_key.h"
#include "platform/registry_text.h"
#include "platform/system_facts.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace driftway::platform {

// A key handle: one of the three roots, or a handle returned by
// RegCreateKeyA / RegOpenKeyExA. Null is no handle at all.
enum class Hkey : std::uint32_t {
    Null = 0,
    HKEY_CLASSES_ROOT = 0x80000000u,
    HKEY_CURRENT_USER = 0x80000001u,
    HKEY_LOCAL_MACHINE = 0x80000002u,
};

// The result codes of the registry calls, with their usual numbers.
enum class RegStatus : std::int32_t {
    ERROR_SUCCESS = 0,
    ERROR_FILE_NOT_FOUND = 2,
    ERROR_ACCESS_DENIED = 5,
    ERROR_INVALID_HANDLE = 6,
    ERROR_INVALID_PARAMETER = 87,
    ERROR_MORE_DATA = 234,
    ERROR_CANTWRITE = 1013,
    ERROR_KEY_DELETED = 1018,
};

// The access mask the program passes when it opens a key to read it.
inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;
inline constexpr std::uint32_t KEY_READ = 0x20019;

// A small registry of the program's own with the semantics of the classic
// registry calls: keys in "\"-separated paths whose names are compared
// without regard to ASCII case (and keep the case they were created with),
// default and named values of any type, handles, and result codes.
// Deleting a key that still has subkeys fails with ERROR_ACCESS_DENIED.
//
// HKEY_CLASSES_ROOT and HKEY_CURRENT_USER live in one text file (by default
// $XDG_CONFIG_HOME/Driftway/registry), written atomically after each change
// and read again whenever another process has replaced it. HKEY_LOCAL_MACHINE
// is read-only and shows the SystemFacts.
//
// A file that cannot be read or parsed is renamed to
// "registry.corrupt-<time>", reported through take_warnings(), and the store
// starts empty; when it cannot even be renamed, the store refuses every
// change rather than write over it.
class RegistryStore {
public:
    explicit RegistryStore(std::string file = default_file(),
                           std::shared_ptr<const SystemFacts> facts = std::make_shared<HostSystemFacts>());
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    static std::string default_file();
    const std::string& file() const { return m_file; }

    RegStatus RegCreateKeyA(Hkey key, std::string_view sub_key, Hkey& result);
    RegStatus RegOpenKeyExA(Hkey key, std::string_view sub_key, std::uint32_t options,
                            std::uint32_t sam_desired, Hkey& result);
    RegStatus RegCloseKey(Hkey key);

    // Sets the default value of sub_key (created when missing; "" is the key
    // itself) to text, which is cut at its first NUL and stored with one.
    // Only REG_SZ is accepted.
    RegStatus RegSetValueA(Hkey key, std::string_view sub_key, RegType type, std::string_view text);
    // Stores the bytes of data exactly as given.
    RegStatus RegSetValueExA(Hkey key, std::string_view value_name, std::uint32_t type,
                             std::string_view data);

    // value_name "" is the default value. With data null, only the type and
    // size are returned. When *size is too small, ERROR_MORE_DATA is returned
    // with the size needed in *size.
    RegStatus RegQueryValueExA(Hkey key, std::string_view value_name, std::uint32_t* type, char* data,
                               std::uint32_t* size);

    RegStatus RegDeleteKeyA(Hkey key, std::string_view sub_key);
    RegStatus RegDeleteValueA(Hkey key, std::string_view value_name);

    // Convenience: a whole value under root\path, if there.
    std::optional<RegValue> read_value(Hkey root, std::string_view path, std::string_view value_name);
    // Every key path below a root ("DriftwayHTM\shell\open\command"), in
    // sorted order, for checks and diagnostics.
    std::vector<std::string> key_paths(Hkey root);

    std::vector<std::string> take_warnings();
    // Why the last change that could not be written failed (a call returned
    // ERROR_CANTWRITE), for a message; empty when none has failed.
    const std::string& write_error() const { return m_write_error; }

    // How many handles are open, so that leaks can be seen.
    std::size_t open_handles() const { return m_handles.size(); }

    static constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;
    static constexpr std::size_t kMaxValueSize = registry_limits::kMaxValueSize;
    static constexpr std::size_t kMaxNameLength = registry_limits::kMaxNameLength;
    static constexpr std::size_t kMaxDepth = registry_limits::kMaxDepth;
    static constexpr std::size_t kMaxValueNameLength = registry_limits::kMaxValueNameLength;

private:
    struct Handle {
        Hkey root;
        std::vector<std::string> path; // folded names below the root
    };
    // Where a call points: the key a handle names, and the names of the
    // subkeys below it, as the caller wrote them.
    struct Target {
        Handle base;
        std::vector<std::string> names;
    };

    std::optional<Target> resolve(Hkey key, std::string_view sub_key, RegStatus& status);
    RegistryKey* find(Hkey root, const std::vector<std::string>& path);
    RegistryKey& tree_of(Hkey root);
    Hkey new_handle(Handle where);
    RegStatus commit();
    void refresh();
    void rebuild_machine();

    std::string m_file;
    std::shared_ptr<const SystemFacts> m_facts;
    std::unique_ptr<RegistryKey> m_classes_root;
    std::unique_ptr<RegistryKey> m_current_user;
    std::unique_ptr<RegistryKey> m_local_machine;
    std::map<std::uint32_t, Handle> m_handles;
    std::uint32_t m_next_handle = 1;
    bool m_read_only = false;
    std::string m_saved_text; // what the file holds, as last read or written
    std::optional<std::string> m_file_identity;
    std::vector<std::string> m_warnings;
    std::string m_write_error;
};

} // namespace driftway::platform
