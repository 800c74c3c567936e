#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace driftway::favourites {

// Passes HTML through unchanged, except that a start tag keeps only its first
// kMaxAttributes attributes and an attribute value only its first
// kMaxValueBytes bytes. libxml2's HTML reader compares every attribute of a
// tag with all the earlier ones, and looks for the end of a tag from its
// start again with every piece of input, so one tag with a great many
// attributes, or one enormous value, would cost time that grows with the
// square of its size. With the filter in front, reading costs time in
// proportion to the input, whatever it holds.
//
// A value cut short is followed by kCutMark, so that whoever reads it can
// tell a cut value from one that was whole.
//
// The filter keeps its state between calls: the input may be split anywhere.
class MarkupFilter {
public:
    static constexpr std::size_t kMaxAttributes = 64;
    static constexpr std::size_t kMaxValueBytes = (1u << 16) + 64;
    static constexpr char kCutMark = '\x01';

    // Appends the filtered form of `in` to `out`.
    void filter(std::string_view in, std::string& out);

private:
    enum class State {
        Text,
        Open,         // after "<"
        TagName,      // in the name of a start tag
        BetweenAttrs, // in a start tag, between attributes
        AttrName,
        AfterName,   // after an attribute's name, before "=" or the next one
        BeforeValue, // after "="
        Quoted,
        Unquoted,
        Markup,     // after "<!": a comment or a declaration
        MarkupDash, // after "<!-"
        Comment,    // inside "<!-- ... -->"
        Other,      // an end tag, a declaration or "<?...": up to ">"
    };

    void begin_attribute();
    void value_byte(char c, std::string& out);

    State m_state = State::Text;
    std::size_t m_attributes = 0; // attributes of the current start tag so far
    bool m_keep = true;           // whether the current attribute is passed on
    std::size_t m_value_bytes = 0;
    char m_quote = 0;
    int m_dashes = 0; // "-" seen in a row inside a comment
};

} // namespace driftway::favourites
