#pragma once

#include "platform/registry_key.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace driftway::platform {

// A value that HKEY_LOCAL_MACHINE shows, with its key path below the root.
struct MachineValue {
    std::string key;
    RegValue value;
};

// What HKEY_LOCAL_MACHINE says is not stored by us but found on this system.
// Tests put their own facts in its place.
class SystemFacts {
public:
    virtual ~SystemFacts() = default;
    virtual std::vector<MachineValue> machine_values() const = 0;
};

// The facts of the machine the program runs on: the System Information tool
// is the first of a short list of system-information programs found in PATH.
class HostSystemFacts : public SystemFacts {
public:
    std::vector<MachineValue> machine_values() const override;
};

// The programs looked for, in order, and where the tool's path is shown.
inline constexpr const char* kSystemInformationPrograms[] = {"hardinfo", "kinfocenter", "lshw-gtk",
                                                             "gnome-system-monitor"};
inline constexpr const char* kMsinfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr const char* kMsinfoValue = "PATH";

// The first of the programs found in the folders of a PATH-style list, as a
// full path; nullopt when none is there.
std::optional<std::string> find_system_information_program(std::string_view path_list);

} // namespace driftway::platform
