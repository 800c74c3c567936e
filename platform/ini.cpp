#include "platform/ini.h"

#include <algorithm>

namespace driftway::platform {

namespace {

std::string_view trim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool iequals(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

IniDocument IniDocument::parse(std::string_view text)
{
    IniDocument doc;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);

    // Keys before any section header belong to a section with an empty name.
    Section* current = nullptr;
    while (!text.empty()) {
        auto eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);

        line = trim(line);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            if (close == std::string_view::npos)
                continue;
            const auto name = trim(line.substr(1, close - 1));
            current = doc.find_section(name);
            if (!current) {
                doc.m_sections.push_back({std::string(name), {}});
                current = &doc.m_sections.back();
            }
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        if (!current) {
            doc.m_sections.push_back({"", {}});
            current = &doc.m_sections.back();
        }
        current->entries.push_back({std::string(trim(line.substr(0, eq))), std::string(trim(line.substr(eq + 1)))});
    }
    return doc;
}

IniDocument::Section* IniDocument::find_section(std::string_view name)
{
    for (auto& s : m_sections)
        if (iequals(s.name, name))
            return &s;
    return nullptr;
}

const IniDocument::Section* IniDocument::find_section(std::string_view name) const
{
    for (const auto& s : m_sections)
        if (iequals(s.name, name))
            return &s;
    return nullptr;
}

std::optional<std::string> IniDocument::get(std::string_view section, std::string_view key) const
{
    // A section may appear more than once in a hand-edited file; the first
    // occurrence of the key across all of them wins.
    for (const auto& s : m_sections) {
        if (!iequals(s.name, section))
            continue;
        for (const auto& e : s.entries)
            if (iequals(e.key, key))
                return e.value;
    }
    return std::nullopt;
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value)
{
    Section* s = find_section(section);
    if (!s) {
        m_sections.push_back({std::string(section), {}});
        s = &m_sections.back();
    }
    for (auto& e : s->entries) {
        if (iequals(e.key, key)) {
            e.value = std::string(value);
            return;
        }
    }
    s->entries.push_back({std::string(key), std::string(value)});
}

bool IniDocument::remove(std::string_view section, std::string_view key)
{
    bool removed = false;
    for (auto& s : m_sections) {
        if (!iequals(s.name, section))
            continue;
        const auto before = s.entries.size();
        std::erase_if(s.entries, [&](const Entry& e) { return iequals(e.key, key); });
        removed = removed || s.entries.size() != before;
    }
    return removed;
}

std::string IniDocument::serialize(std::string_view eol) const
{
    std::string out;
    bool first = true;
    for (const auto& s : m_sections) {
        // A first key that begins like a byte-order mark would lose those
        // bytes when read back, unless a header comes before it.
        const bool key_like_bom = !s.entries.empty() && s.entries.front().key.starts_with("\xEF\xBB\xBF");
        if (!s.name.empty() || !first || key_like_bom) {
            if (!first)
                out += eol;
            out += '[';
            out += s.name;
            out += ']';
            out += eol;
        }
        first = false;
        for (const auto& e : s.entries) {
            out += e.key;
            out += '=';
            out += e.value;
            out += eol;
        }
    }
    return out;
}

}  // namespace driftway::platform
