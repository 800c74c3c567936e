// Importing a bookmark file into an empty Favorites folder, twice: the first
// import writes every link once, a failed one leaves nothing behind, and the
// second finds everything there already.
#include "favourites/bookmarks_import.h"
#include "favourites/internet_shortcut.h"
#include "fuzz/scratch.h"

#include <cstddef>
#include <cstdint>
#include <set>

using driftway::favourites::BookmarkEntry;
using driftway::favourites::BookmarkTree;
using driftway::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string file = driftway::fuzz::scratch_folder() + "/bookmarks.html";
    driftway::fuzz::write_file(file, text);
    const std::string root = driftway::fuzz::fresh_folder("Favorites");

    const auto first = driftway::favourites::import_bookmarks(file, root);
    const auto parsed = driftway::favourites::parse_bookmarks(text);
    const auto after_first = driftway::fuzz::list_tree(root);
    if (!first.ok()) {
        check(after_first.empty(), "a failed import left entries behind");
        // A readable file may still fail on the file system (a path too long,
        // say), which the message must name.
        check(std::holds_alternative<std::string>(parsed) || first.error->starts_with("Cannot "),
              "an import of a readable file failed without a reason");
        return 0;
    }

    const auto& tree = std::get<BookmarkTree>(parsed);
    std::size_t links = 0;
    std::set<std::string> urls;
    for (const auto& entry : tree.entries) {
        if (entry.kind == BookmarkEntry::Kind::Link) {
            ++links;
            urls.insert(entry.url);
        }
    }
    check(first.links_written + first.links_skipped == links, "links were lost or counted twice");
    check(first.links_unusable == tree.unusable_links, "unusable links miscounted");

    std::size_t shortcuts = 0;
    std::size_t folders = 0;
    for (const auto& entry : after_first) {
        check(!entry.starts_with(".driftway-import"), "the staging folder was left behind");
        if (entry.ends_with("/")) {
            ++folders;
            continue;
        }
        ++shortcuts;
        const auto url = driftway::favourites::read_internet_shortcut(root + "/" + entry);
        check(url && urls.contains(*url), "a written shortcut does not hold an imported address");
    }
    check(shortcuts == first.links_written, "the files written are not the links counted");
    check(folders == first.folders_created, "the folders made are not the folders counted");

    const auto second = driftway::favourites::import_bookmarks(file, root);
    check(second.ok(), "the second import failed");
    check(second.links_written == 0 && second.folders_created == 0,
          "the second import wrote what was there already");
    check(driftway::fuzz::list_tree(root) == after_first, "the second import changed the folder");
    return 0;
}
