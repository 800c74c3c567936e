// Settings files and the escaping of their values: a damaged file is set
// aside and reported, a readable one gives the values it holds, and saving a
// setting keeps the others readable.
#include "fuzz/scratch.h"
#include "platform/ini.h"
#include "platform/settings_store.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

using namespace driftway::platform;
using driftway::fuzz::check;

namespace {

constexpr std::string_view kApplication = "Fuzz";
constexpr std::string_view kMissing = "\x01(missing)";
constexpr std::size_t kMaxChecked = 64;

struct Setting {
    std::string section;
    std::string key;
    std::string value;
};

void check_escaping(std::string_view value)
{
    const std::string encoded = encode_setting_value(value);
    check(decode_setting_value(encoded) == value, "a value does not survive its escaping");
    // The escaped form must come back whole from a "key=value" line.
    const auto line = IniDocument::parse("[s]\nk=" + encoded + "\n").get("s", "k");
    check(line == encoded, "an escaped value does not survive a settings line");
    decode_setting_value(value);
}

// A damaged file must be kept, byte for byte, under another name (a save may
// then have written a new file beside it).
void check_kept_aside(const std::string& folder, std::string_view text)
{
    std::vector<std::string> kept;
    for (const auto& entry : driftway::fuzz::list_tree(folder + "/Fuzz")) {
        if (entry.starts_with("settings.ini.corrupt-"))
            kept.push_back(entry);
        else
            check(entry == "settings.ini", "a damaged file left an unexpected entry");
    }
    check(kept.size() == 1, "a damaged file was not set aside once");
    check(driftway::fuzz::read_file(folder + "/Fuzz/" + kept[0]) == text, "a damaged file was changed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    check_escaping(text);

    const std::string folder = driftway::fuzz::fresh_folder("settings");
    driftway::fuzz::fresh_folder("settings/Fuzz");
    SettingsStore store(folder);
    driftway::fuzz::write_file(store.file_for(kApplication), text);

    // What the store gives back for the names in the file.
    const IniDocument doc = IniDocument::parse(text);
    std::vector<Setting> readable;
    for (const auto& section : doc.sections()) {
        for (const auto& entry : section.entries) {
            if (readable.size() >= kMaxChecked)
                break;
            const std::string value = store.get_setting(kApplication, section.name, entry.key, kMissing);
            if (!store.take_warnings().empty()) {
                check_kept_aside(folder, text);
                return 0;
            }
            if (value == kMissing)
                continue;
            check(value == decode_setting_value(doc.get(section.name, entry.key).value_or("")),
                  "a stored value reads back differently");
            readable.push_back({section.name, entry.key, value});
        }
    }

    const std::string saved(text.substr(0, 256));
    const auto error = store.save_setting(kApplication, "Fuzz Section", "Fuzz Value", saved);
    if (!store.take_warnings().empty()) {
        check_kept_aside(folder, text);
        return 0;
    }
    check(!error, "a setting cannot be saved into a readable file");
    check(store.get_setting(kApplication, "Fuzz Section", "Fuzz Value", kMissing) == saved,
          "a saved setting reads back differently");
    for (const auto& setting : readable) {
        if (iequals(setting.section, "Fuzz Section") && iequals(setting.key, "Fuzz Value"))
            continue;
        check(store.get_setting(kApplication, setting.section, setting.key, kMissing) == setting.value,
              "saving one setting changed another");
    }
    check(store.take_warnings().empty(), "the file written after saving is reported as damaged");
    return 0;
}
