#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace driftway::favourites {

// One folder or link of a bookmark file, in the order of the file. A parent
// is the index of a folder entry, or kTopLevel.
struct BookmarkEntry {
    enum class Kind { Folder, Link };
    static constexpr std::size_t kTopLevel = static_cast<std::size_t>(-1);

    Kind kind = Kind::Link;
    std::string title;
    std::string url; // links only
    std::size_t parent = kTopLevel;
};

struct BookmarkTree {
    std::vector<BookmarkEntry> entries;
    std::size_t unusable_links = 0; // links without an address, or browser-internal queries
};

// Reads a Netscape-format bookmark file as current browsers export it. A text
// that is not one gives an error text instead.
std::variant<BookmarkTree, std::string> parse_bookmarks(std::string_view html);
std::variant<BookmarkTree, std::string> parse_bookmark_file(const std::string& path);

struct ImportResult {
    std::optional<std::string> error; // when set, nothing was changed
    std::size_t folders_created = 0;
    std::size_t folders_merged = 0; // folders that existed already and received entries
    std::size_t links_written = 0;
    std::size_t links_skipped = 0; // the same address was already there under that name
    std::size_t links_unusable = 0;
    bool ok() const { return !error; }
};

// Called on the importing thread with (0, total) first, then every so often,
// and with (total, total) once everything is in place. An exception thrown
// from it ends the import, and what was written is removed again.
using ImportProgress = std::function<void(std::size_t done, std::size_t total)>;

// Imports a bookmark file into the Favorites folder: folders become folders,
// links Internet shortcut files. What is there already is never overwritten:
// a folder of the same name receives the new entries, a file of the same name
// that holds the same address makes the link a duplicate that is skipped,
// any other file of the same name leaves the link a free name beside it.
// A failure undoes what the import had written.
ImportResult import_bookmarks(const std::string& bookmark_file, const std::string& favorites_root,
                              const ImportProgress& progress = {});

} // namespace driftway::favourites
