// The bookmark-file reader: any text gives either an error or a sound tree.
#include "favourites/bookmarks_import.h"
#include "favourites/internet_shortcut.h"
#include "fuzz/scratch.h"
#include "platform/ini.h"

#include <cstddef>
#include <cstdint>

using driftway::favourites::BookmarkEntry;
using driftway::favourites::BookmarkTree;
using driftway::fuzz::check;

namespace {

bool same_trees(const BookmarkTree& a, const BookmarkTree& b)
{
    if (a.unusable_links != b.unusable_links || a.entries.size() != b.entries.size())
        return false;
    for (std::size_t i = 0; i < a.entries.size(); ++i) {
        const auto& x = a.entries[i];
        const auto& y = b.entries[i];
        if (x.kind != y.kind || x.title != y.title || x.url != y.url || x.parent != y.parent)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = driftway::favourites::parse_bookmarks(text);

    if (const auto* error = std::get_if<std::string>(&parsed)) {
        check(!error->empty(), "an error without a message");
    } else {
        const auto& tree = std::get<BookmarkTree>(parsed);
        for (std::size_t i = 0; i < tree.entries.size(); ++i) {
            const BookmarkEntry& entry = tree.entries[i];
            check(entry.parent == BookmarkEntry::kTopLevel ||
                      (entry.parent < i && tree.entries[entry.parent].kind == BookmarkEntry::Kind::Folder),
                  "an entry's parent is not a folder before it");
            if (entry.kind != BookmarkEntry::Kind::Link)
                continue;
            check(!entry.url.empty() && !entry.title.empty(), "a link without an address or a title");
            // What the importer writes for the link must give its address back.
            const auto stored = driftway::platform::IniDocument::parse(
                driftway::favourites::internet_shortcut_text(entry.url));
            check(stored.get("InternetShortcut", "URL") == entry.url,
                  "a link's address does not survive its shortcut file");
        }
    }

    // Read from a file, in chunks, the text must give the same answer.
    static const std::string file = driftway::fuzz::scratch_folder() + "/bookmarks.html";
    driftway::fuzz::write_file(file, text);
    const auto from_file = driftway::favourites::parse_bookmark_file(file);
    check(from_file.index() == parsed.index(), "the file and the text are read differently");
    if (const auto* tree = std::get_if<BookmarkTree>(&parsed))
        check(same_trees(*tree, std::get<BookmarkTree>(from_file)),
              "the file and the text give different trees");
    return 0;
}
