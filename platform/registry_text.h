#pragma once

#include "platform/registry_key.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace driftway::platform {

// The text form of the two stored roots, exposed for the tests and the
// fuzzer. parse_registry_text returns nullopt and a reason for text that is
// not a registry file of this version.
struct RegistryTrees {
    std::unique_ptr<RegistryKey> classes_root;
    std::unique_ptr<RegistryKey> current_user;
};
std::optional<RegistryTrees> parse_registry_text(std::string_view text, std::string& reason);
std::string registry_text(const RegistryKey& classes_root, const RegistryKey& current_user);

} // namespace driftway::platform
