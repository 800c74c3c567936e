#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace driftway::platform {

// An initialisation-format document, read leniently: CRLF or LF line ends, an
// optional UTF-8 byte-order mark, blanks around names trimmed, section and key
// names compared without regard to ASCII case, the first occurrence of a key
// wins, values read whole (no length limit). Lines that are neither a section
// header, a key=value pair, a comment (";" or "#") nor blank are ignored.
class IniDocument {
public:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    static IniDocument parse(std::string_view text);

    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    // Replaces the first occurrence of the key, or appends it (and the section).
    void set(std::string_view section, std::string_view key, std::string_view value);
    // Removes every occurrence of the key; true when one was there.
    bool remove(std::string_view section, std::string_view key);

    const std::vector<Section>& sections() const { return m_sections; }

    // Writes the document back, with the given line end ("\r\n" or "\n").
    std::string serialize(std::string_view eol = "\n") const;

private:
    Section* find_section(std::string_view name);
    const Section* find_section(std::string_view name) const;

    std::vector<Section> m_sections;
};

bool iequals(std::string_view a, std::string_view b);

}  // namespace driftway::platform
