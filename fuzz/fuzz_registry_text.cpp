// The registry store's file: any text is either refused with a reason (and the
// store then starts empty and says so), or read into trees that are written
// back to the same text and stay reachable through the registry calls.
#include "fuzz/scratch.h"
#include "platform/registry_store.h"

#include <cstddef>
#include <cstdint>

using namespace driftway::platform;
using driftway::fuzz::check;

namespace {

class NoFacts : public SystemFacts {
public:
    std::vector<MachineValue> machine_values() const override { return {}; }
};

// Every key the store lists must open, and every value it holds must be
// returned whole by RegQueryValueExA.
void check_reachable(RegistryStore& store, Hkey root, const RegistryKey& tree)
{
    const auto walk = [&](auto&& self, const RegistryKey& key, Hkey handle) -> void {
        for (const auto& [folded, value] : key.values) {
            std::uint32_t type = 0;
            std::uint32_t size = 0;
            check(store.RegQueryValueExA(handle, value.name, &type, nullptr, &size) ==
                      RegStatus::ERROR_SUCCESS,
                  "a stored value is not found");
            std::string data(size, '\0');
            check(store.RegQueryValueExA(handle, value.name, &type, data.data(), &size) ==
                          RegStatus::ERROR_SUCCESS &&
                      type == value.type && data == value.data,
                  "a stored value reads back differently");
        }
        for (const auto& [folded, sub] : key.subkeys) {
            Hkey child = Hkey::Null;
            check(store.RegOpenKeyExA(handle, sub->name, 0, KEY_READ, child) == RegStatus::ERROR_SUCCESS,
                  "a stored key does not open");
            self(self, *sub, child);
            check(store.RegCloseKey(child) == RegStatus::ERROR_SUCCESS, "a handle does not close");
        }
    };
    walk(walk, tree, root);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string reason;
    const auto trees = parse_registry_text(text, reason);
    std::string written;
    if (trees) {
        written = registry_text(*trees->classes_root, *trees->current_user);
        std::string again_reason;
        const auto again = parse_registry_text(written, again_reason);
        check(again.has_value(), "the store cannot read what it wrote");
        check(registry_text(*again->classes_root, *again->current_user) == written,
              "what was read changed when written again");
    } else {
        check(!reason.empty(), "a refusal without a reason");
    }

    const std::string folder = driftway::fuzz::fresh_folder("registry");
    const std::string file = folder + "/registry";
    driftway::fuzz::write_file(file, text);
    RegistryStore store(file, std::make_shared<NoFacts>());
    const auto warnings = store.take_warnings();
    if (!trees) {
        check(warnings.size() == 1, "a refused file is not reported");
        check(store.key_paths(Hkey::HKEY_CURRENT_USER).empty() &&
                  store.key_paths(Hkey::HKEY_CLASSES_ROOT).empty(),
              "a refused file left keys behind");
        return 0;
    }
    check(warnings.empty(), "a readable file is reported as damaged");
    check_reachable(store, Hkey::HKEY_CLASSES_ROOT, *trees->classes_root);
    check_reachable(store, Hkey::HKEY_CURRENT_USER, *trees->current_user);
    check(store.open_handles() == 0, "handles are left open");

    // A change keeps everything else that was read.
    Hkey key = Hkey::Null;
    check(store.RegCreateKeyA(Hkey::HKEY_CURRENT_USER, "Software\\Driftway Fuzz", key) ==
              RegStatus::ERROR_SUCCESS,
          "a key cannot be created");
    check(store.RegSetValueExA(key, "Input", static_cast<std::uint32_t>(RegType::REG_BINARY),
                               text.substr(0, RegistryStore::kMaxValueSize)) == RegStatus::ERROR_SUCCESS,
          "a value cannot be stored");
    store.RegCloseKey(key);
    RegistryStore reread(file, std::make_shared<NoFacts>());
    check(reread.take_warnings().empty(), "the file written after a change is refused");
    check(reread.key_paths(Hkey::HKEY_CLASSES_ROOT) == store.key_paths(Hkey::HKEY_CLASSES_ROOT),
          "a change lost keys");
    const auto value = reread.read_value(Hkey::HKEY_CURRENT_USER, "Software\\Driftway Fuzz", "Input");
    check(value && value->data == text.substr(0, RegistryStore::kMaxValueSize), "the change was not kept");
    return 0;
}
