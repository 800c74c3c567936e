#pragma once

#include <cstddef>
#include <cstdint>
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

// Addresses longer than this are not written: no browser takes them, and a
// shortcut file of many megabytes would only slow every reader of the folder.
inline constexpr std::size_t kMaxImportedAddress = 1 << 16;
// Bookmark files larger than this are refused before anything is read.
inline constexpr std::uint64_t kMaxBookmarkFile = std::uint64_t{256} << 20;

struct BookmarkTree {
    std::vector<BookmarkEntry> entries;
    std::size_t unusable_links = 0; // links without an address, or browser-internal queries
    std::size_t long_links = 0;     // addresses longer than kMaxImportedAddress
};

// Called as the file is read, with the bytes read so far and the file's size,
// from (0, size) on. An exception thrown from it ends the reading.
using ReadProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Reads a Netscape-format bookmark file as current browsers export it. A text
// that is not one gives an error text instead. The time taken grows in
// proportion to the size of the text, whatever it holds. Only a regular file
// of at most kMaxBookmarkFile bytes is read.
std::variant<BookmarkTree, std::string> parse_bookmarks(std::string_view html);
std::variant<BookmarkTree, std::string> parse_bookmark_file(const std::string& path,
                                                            const ReadProgress& reading = {});

struct ImportResult {
    std::optional<std::string> error; // when set, nothing was changed
    std::size_t folders_created = 0;
    std::size_t folders_merged = 0; // folders that existed already and received entries
    std::size_t links_written = 0;
    std::size_t links_skipped = 0; // the same address was already there under that name
    std::size_t links_unusable = 0;
    std::size_t links_too_long = 0; // addresses longer than kMaxImportedAddress
    bool ok() const { return !error; }
};

// What an import did, in words for the user: how many favourites were added
// and how many entries were skipped, and why.
std::string import_summary(const ImportResult& result);

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
// `reading` hears the reading of the file, `progress` the writing after it;
// either may end the import by throwing, which undoes it.
ImportResult import_bookmarks(const std::string& bookmark_file, const std::string& favorites_root,
                              const ImportProgress& progress = {}, const ReadProgress& reading = {});

} // namespace driftway::favourites
