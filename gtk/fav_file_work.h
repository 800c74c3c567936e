#pragma once

#include "platform/prompts.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace driftway::gtk {

// The file work the favourites dialogs share.

// Makes a folder named "New folder" (or New folder1, New folder2, ... when
// that is taken) in `parent`. Its path, or nullopt after telling the user why
// it could not be made.
std::optional<std::string> make_new_folder(const std::string& parent, platform::Prompts& prompts,
                                           const std::string& caption);

// Renames a favourite or folder to `new_text` as its row shows it: an item
// keeps the extension its row hides. Never replaces another entry. The path it
// ends up at, or nullopt when nothing was renamed (the user has been told why,
// unless the name did not change).
std::optional<std::string> rename_entry(const std::string& path, const std::string& new_text,
                                        platform::Prompts& prompts, const std::string& caption);

// The rows of the properties dialog for a favourite file or folder: name,
// kind, location, size, modified and, for an Internet shortcut, its address.
// nullopt when nothing is at `path`.
std::optional<std::vector<std::pair<std::string, std::string>>> favourite_properties(const std::string& path);

// "0 bytes", "512 bytes", "1.5 KB (1,536 bytes)", ...
std::string size_text(unsigned long long bytes);

} // namespace driftway::gtk
