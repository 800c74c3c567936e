#include "platform/settings_store.h"

#include "platform/atomic_file.h"
#include "platform/hex.h"
#include "platform/ini.h"

#include <glib.h>

#include <utility>

namespace driftway::platform {

namespace {

bool is_control(unsigned char c)
{
    return c < 0x20 || c == 0x7f;
}

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (is_blank(s.front()) || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (is_blank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Length of the valid UTF-8 sequence starting at s[0], or 0 when there is none.
std::size_t utf8_sequence_length(std::string_view s)
{
    const auto c = static_cast<unsigned char>(s[0]);
    if (c < 0x80)
        return 1;
    const std::size_t len = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc0 ? 2 : 0;
    if (len == 0 || len > s.size())
        return 0;
    return g_utf8_validate_len(s.data(), len, nullptr) ? len : 0;
}

bool valid_name(std::string_view name, std::string_view forbidden)
{
    if (name.empty() || is_blank(name.front()) || is_blank(name.back()))
        return false;
    for (const char c : name)
        if (is_control(static_cast<unsigned char>(c)) || forbidden.find(c) != std::string_view::npos)
            return false;
    return g_utf8_validate_len(name.data(), name.size(), nullptr);
}

bool valid_section(std::string_view section)
{
    return valid_name(section, "]");
}

bool valid_key(std::string_view key)
{
    return valid_name(key, "=") && key.front() != '[' && key.front() != ';' && key.front() != '#';
}

// Why a settings file's text cannot be taken as it is, if it cannot.
std::optional<std::string> damage_in(std::string_view text)
{
    if (!g_utf8_validate_len(text.data(), text.size(), nullptr))
        return "it is not UTF-8 text";
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const auto eol = text.find('\n');
        const std::string_view line = trim(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            // "[]" is what a group whose name is all blanks is written back as.
            if (line.back() == ']' && line.size() >= 2)
                continue;
        } else if (const auto eq = line.find('=');
                   eq != std::string_view::npos && !trim(line.substr(0, eq)).empty()) {
            continue;
        }
        return "line " + std::to_string(number) + " is not understood";
    }
    return std::nullopt;
}

} // namespace

std::string encode_setting_value(std::string_view value)
{
    bool quote =
        !value.empty() && (value.front() == '"' || is_blank(value.front()) || is_blank(value.back()));
    for (std::size_t i = 0; !quote && i < value.size();) {
        const std::size_t len = utf8_sequence_length(value.substr(i));
        quote = len == 0 || is_control(static_cast<unsigned char>(value[i]));
        i += len;
    }
    if (!quote)
        return std::string(value);

    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (std::size_t i = 0; i < value.size();) {
        const char c = value[i];
        const std::size_t len = utf8_sequence_length(value.substr(i));
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (len == 0 || is_control(static_cast<unsigned char>(c))) {
            const auto b = static_cast<unsigned char>(c);
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xf];
        } else {
            out.append(value.substr(i, len));
            i += len;
            continue;
        }
        ++i;
    }
    out += '"';
    return out;
}

std::string decode_setting_value(std::string_view stored)
{
    if (stored.size() < 2 || stored.front() != '"' || stored.back() != '"')
        return std::string(stored);
    const std::string_view inner = stored.substr(1, stored.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < inner.size(); ++i) {
        const char c = inner[i];
        if (c == '"')
            return std::string(stored); // not our quoting: take the text as it is
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= inner.size())
            return std::string(stored);
        switch (inner[i]) {
        case '\\':
            out += '\\';
            break;
        case '"':
            out += '"';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x': {
            const int hi = i + 1 < inner.size() ? hex_digit(inner[i + 1]) : -1;
            const int lo = i + 2 < inner.size() ? hex_digit(inner[i + 2]) : -1;
            if (hi < 0 || lo < 0)
                return std::string(stored);
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default:
            return std::string(stored);
        }
    }
    return out;
}

namespace {

// Writes the file, and clears what earlier writes left behind when their
// process was killed half-way.
std::optional<std::string> write_settings_file(const std::string& file, const IniDocument& document)
{
    auto error = write_file_atomic(file, document.serialize("\n"), 0600);
    remove_stale_temp_files(file);
    return error;
}

} // namespace

struct SettingsStore::Loaded {
    IniDocument document;
    bool writable = true;
};

SettingsStore::SettingsStore(std::string folder) : m_folder(std::move(folder)) {}

std::string SettingsStore::file_for(std::string_view application) const
{
    if (application.empty() || application == "." || application == "..")
        return {};
    for (const char c : application)
        if (c == '/' || is_control(static_cast<unsigned char>(c)))
            return {};
    return m_folder + "/" + std::string(application) + "/settings.ini";
}

SettingsStore::Loaded SettingsStore::load(const std::string& file)
{
    const StoredFile stored = read_stored_file(file, kMaxFileSize);
    std::string reason = stored.reason;
    switch (stored.status) {
    case StoredFile::Status::Missing:
        return {};
    case StoredFile::Status::Read:
        if (auto damage = damage_in(stored.content); damage) {
            reason = *damage;
            break;
        }
        return {IniDocument::parse(stored.content), true};
    case StoredFile::Status::Unreadable:
    case StoredFile::Status::TooLarge:
        break;
    }

    const KeptAside kept = keep_aside(file);
    if (kept.new_path) {
        m_warnings.push_back("The settings file \"" + file + "\" could not be used (" + reason +
                             "). It was kept as \"" + *kept.new_path +
                             "\" and the default settings are used.");
        return {};
    }
    m_warnings.push_back("The settings file \"" + file + "\" could not be used (" + reason +
                         ") and could not be set aside (" + kept.error +
                         "). It was left as it is; settings cannot be saved until it is moved away.");
    return {IniDocument{}, false};
}

std::string SettingsStore::get_setting(std::string_view application, std::string_view section,
                                       std::string_view key, std::string_view default_value)
{
    const std::string file = file_for(application);
    if (file.empty() || !valid_section(section) || !valid_key(key))
        return std::string(default_value);
    const Loaded loaded = load(file);
    const auto stored = loaded.document.get(section, key);
    return stored ? decode_setting_value(*stored) : std::string(default_value);
}

std::optional<std::string> SettingsStore::save_setting(std::string_view application, std::string_view section,
                                                       std::string_view key, std::string_view value)
{
    const std::string file = file_for(application);
    if (file.empty())
        return "\"" + std::string(application) + "\" cannot be used as an application name for settings.";
    if (!valid_section(section) || !valid_key(key))
        return "\"" + std::string(section) + "\" / \"" + std::string(key) +
               "\" cannot be used as a settings section and key.";
    Loaded loaded = load(file);
    if (!loaded.writable)
        return "The settings file \"" + file + "\" is damaged and could not be set aside; nothing was saved.";
    loaded.document.set(section, key, encode_setting_value(value));
    return write_settings_file(file, loaded.document);
}

std::optional<std::string> SettingsStore::delete_setting(std::string_view application,
                                                         std::string_view section, std::string_view key)
{
    const std::string file = file_for(application);
    if (file.empty() || !valid_section(section) || !valid_key(key))
        return std::nullopt; // such a setting cannot exist
    Loaded loaded = load(file);
    if (!loaded.writable)
        return "The settings file \"" + file +
               "\" is damaged and could not be set aside; nothing was changed.";
    if (!loaded.document.remove(section, key))
        return std::nullopt;
    return write_settings_file(file, loaded.document);
}

std::vector<std::string> SettingsStore::take_warnings()
{
    return std::exchange(m_warnings, {});
}

} // namespace driftway::platform
