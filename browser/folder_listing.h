#pragma once

#include "favourites/bookmarks_export.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace driftway::browser {

enum class EntryKind { Folder, File, Shortcut };

struct FolderEntry {
    std::string name; // the raw bytes of the file name
    EntryKind kind = EntryKind::File;
    std::uintmax_t size = 0;  // files only
    std::string shortcut_url; // shortcuts only: the URL the .url file holds
};

struct FolderContents {
    std::vector<FolderEntry> entries;
    std::string error; // why the folder could not be read; empty when it could
};

// Reads a folder for display. Internet shortcuts (*.url files holding an
// [InternetShortcut] URL) become Shortcut entries; entries that vanish while
// the folder is read are left out.
FolderContents read_folder(const std::string& folder_path);

// The HTML page that shows a folder: its entries sorted folders first, then
// by name without regard to case, each linked by its file:// URI, a link to
// the parent folder, and shortcuts linked straight to their addresses when
// those are web or file addresses.
std::string folder_listing_html(const std::string& folder_path, FolderContents contents);

// A name for display as UTF-8: valid UTF-8 is kept, every other byte is read
// as Latin-1, which is what most legacy names are written in.
std::string readable_name(std::string_view bytes);

using favourites::html_escape;

// Only http, https, ftp and file addresses are offered as links from a
// shortcut; anything else (javascript:, data:, custom schemes) is shown as text.
bool is_linkable_shortcut_url(std::string_view url);

} // namespace driftway::browser
