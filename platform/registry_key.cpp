#include "platform/registry_key.h"

#include <utility>

namespace driftway::platform {

std::string fold_name(std::string_view name)
{
    std::string out(name);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::unique_ptr<RegistryKey> new_root_key(std::string_view name)
{
    auto key = std::make_unique<RegistryKey>();
    key->name = std::string(name);
    return key;
}

std::optional<std::vector<std::string>> split_key_path(std::string_view path, std::size_t max_names)
{
    std::vector<std::string> names;
    if (path.empty())
        return names;
    if (path.back() == '\\')
        path.remove_suffix(1);
    if (path.empty())
        return std::nullopt;
    for (;;) {
        const auto sep = path.find('\\');
        const std::string_view name = path.substr(0, sep);
        if (name.empty() || name.size() > registry_limits::kMaxNameLength || names.size() >= max_names)
            return std::nullopt;
        names.emplace_back(name);
        if (sep == std::string_view::npos)
            return names;
        path.remove_prefix(sep + 1);
    }
}

RegistryKey& child_key(RegistryKey& parent, const std::string& name, bool& created)
{
    auto& slot = parent.subkeys[fold_name(name)];
    if (!slot) {
        slot = std::make_unique<RegistryKey>();
        slot->name = name;
        created = true;
    }
    return *slot;
}

void set_value(RegistryKey& key, RegValue value)
{
    key.values[fold_name(value.name)] = std::move(value);
}

} // namespace driftway::platform
