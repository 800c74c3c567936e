#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace driftway::favourites {

// File names are bytes; what the tree and the menu show is text. A name that
// is valid UTF-8 is shown as it is, except that control characters (a newline
// in a name, say) show as their visible Unicode pictures. A byte that is not
// part of valid UTF-8 is read as Latin-1, the likeliest legacy encoding, so
// "caf\xE9" shows as "café". Keys always keep the exact bytes.
std::string display_name(std::string_view raw);

// Whether display_name leaves a name as it is (printable ASCII only).
bool shows_as_is(std::string_view raw);

// An item's node text is its file name without the last four characters
// (".url", ".lnk"). Characters are counted the way display_name shows them.
// A name of four characters or fewer is shown whole rather than as nothing.
struct ItemName {
    std::string text;          // what the node and the menu show
    std::size_t hidden_at = 0; // byte offset in the raw name where the hidden tail starts
};
ItemName item_name(std::string_view raw);

inline constexpr std::size_t kMaxCaptionChars = 49;
inline constexpr std::size_t kShortCaptionChars = 47;

// A menu caption longer than 49 characters becomes its first 47 characters
// and "..."; characters are UTF-8 code points of valid UTF-8 text.
std::string shorten_caption(std::string_view text);

// The caption of a favourites menu entry: shortened, and with every "&"
// doubled so that the menu shows it rather than taking it as an access key.
std::string menu_caption(std::string_view text);

// Number of code points of valid UTF-8 text.
std::size_t utf8_length(std::string_view text);

} // namespace driftway::favourites
