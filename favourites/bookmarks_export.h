#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace driftway::favourites {

struct ExportResult {
    std::optional<std::string> error; // when set, no file was written
    std::size_t folders = 0;
    std::size_t links = 0;
    std::size_t skipped = 0; // files that are not Internet shortcuts, or hold no address
    bool ok() const { return !error; }
};

// The Favorites folder as a Netscape-format bookmark file (the format every
// current browser imports): folders nested, titles and addresses escaped,
// UTF-8 throughout. Folders come before links, each in name order.
ExportResult bookmarks_html(const std::string& favorites_root, std::string& html);

// Writes bookmarks_html to `out_file`, atomically.
ExportResult export_bookmarks(const std::string& favorites_root, const std::string& out_file);

// Text for an HTML element or a double-quoted attribute: markup characters
// escaped, bytes that are not UTF-8 as U+FFFD and control characters as
// blanks, so that the page reads the same in any browser.
std::string html_escape(std::string_view text);

} // namespace driftway::favourites
