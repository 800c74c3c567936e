#include "platform/registry_text.h"

#include "platform/hex.h"

#include <charconv>
#include <utility>

namespace driftway::platform {

namespace {

constexpr std::string_view kHeader = "Driftway registry 1";

// The text file: a header line, then one "key" line per key (parents before
// children) followed by its "value" lines. Names and data are in double
// quotes; printable ASCII stands for itself except \ and ", which are
// escaped, and every other byte is written as \xHH, so any bytes round-trip.
void append_quoted(std::string& out, std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (b >= 0x20 && b < 0x7f) {
            out += c;
        } else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xf];
        }
    }
    out += '"';
}

void append_key(std::string& out, const RegistryKey& key, const std::string& path, bool is_root_key)
{
    if (!is_root_key || !key.values.empty()) {
        out += "key ";
        append_quoted(out, path);
        out += '\n';
        for (const auto& [folded, value] : key.values) {
            out += "value ";
            append_quoted(out, value.name);
            out += ' ';
            out += std::to_string(value.type);
            out += ' ';
            append_quoted(out, value.data);
            out += '\n';
        }
    }
    for (const auto& [folded, sub] : key.subkeys)
        append_key(out, *sub, path + "\\" + sub->name, false);
}

// Reads a quoted string at the start of text and removes it from text.
std::optional<std::string> take_quoted(std::string_view& text)
{
    if (text.empty() || text.front() != '"')
        return std::nullopt;
    std::string out;
    std::size_t i = 1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        const auto b = static_cast<unsigned char>(c);
        if (c == '"')
            break;
        if (b < 0x20 || b == 0x7f)
            return std::nullopt;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= text.size())
            return std::nullopt;
        if (text[i] == '\\' || text[i] == '"') {
            out += text[i];
        } else if (text[i] == 'x' && i + 2 < text.size() && hex_digit(text[i + 1]) >= 0 &&
                   hex_digit(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_digit(text[i + 1]) * 16 + hex_digit(text[i + 2]));
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    if (i >= text.size())
        return std::nullopt;
    text.remove_prefix(i + 1);
    return out;
}

bool take_word(std::string_view& text, std::string_view word)
{
    if (text.substr(0, word.size()) != word)
        return false;
    text.remove_prefix(word.size());
    return true;
}

} // namespace

std::string registry_text(const RegistryKey& classes_root, const RegistryKey& current_user)
{
    std::string out(kHeader);
    out += '\n';
    append_key(out, classes_root, std::string(kClassesRootName), true);
    append_key(out, current_user, std::string(kCurrentUserName), true);
    return out;
}

std::optional<RegistryTrees> parse_registry_text(std::string_view text, std::string& reason)
{
    RegistryTrees trees{new_root_key(kClassesRootName), new_root_key(kCurrentUserName)};
    if (text.empty())
        return trees; // an empty file is an empty registry

    RegistryKey* current = nullptr;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const auto eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const auto bad = [&](const std::string& why) {
            reason = "line " + std::to_string(number) + ": " + why;
            return std::nullopt;
        };

        if (number == 1) {
            if (line != kHeader)
                return bad("it does not start with \"" + std::string(kHeader) + "\"");
            continue;
        }
        if (line.empty() || line.front() == '#')
            continue;

        if (take_word(line, "key ")) {
            const auto path = take_quoted(line);
            if (!path || !line.empty())
                return bad("a key line is not understood");
            // The path starts with the root's name.
            const auto names = split_key_path(*path, registry_limits::kMaxDepth + 1);
            if (!names || names->empty())
                return bad("a key path is not valid");
            const std::string root = fold_name((*names)[0]);
            if (root == fold_name(kClassesRootName))
                current = trees.classes_root.get();
            else if (root == fold_name(kCurrentUserName))
                current = trees.current_user.get();
            else
                return bad("\"" + (*names)[0] + "\" is not a stored root");
            bool created = false;
            for (std::size_t i = 1; i < names->size(); ++i)
                current = &child_key(*current, (*names)[i], created);
            continue;
        }
        if (take_word(line, "value ")) {
            if (!current)
                return bad("a value comes before any key");
            auto name = take_quoted(line);
            if (!name || name->size() > registry_limits::kMaxValueNameLength || !take_word(line, " "))
                return bad("a value name is not understood");
            const auto space = line.find(' ');
            std::uint32_t type = 0;
            const std::string_view digits = line.substr(0, space);
            const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), type);
            if (digits.empty() || ec != std::errc{} || end != digits.data() + digits.size() ||
                space == std::string_view::npos)
                return bad("a value type is not understood");
            line.remove_prefix(space + 1);
            auto data = take_quoted(line);
            if (!data || !line.empty() || data->size() > registry_limits::kMaxValueSize)
                return bad("a value's data is not understood");
            set_value(*current, RegValue{std::move(*name), type, std::move(*data)});
            continue;
        }
        return bad("the line is not understood");
    }
    return trees;
}

} // namespace driftway::platform
