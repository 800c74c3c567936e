#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "favourites/file_ops.h"

namespace driftway::favourites {

// An address as it can be stored: tabs and line breaks taken out (as browsers
// do with addresses), blanks and control characters trimmed at both ends.
std::string clean_address(std::string_view url);

// The text of an Internet shortcut file for `url`, with CRLF line ends so that
// other systems read it too.
std::string internet_shortcut_text(std::string_view url);

// Writes an Internet shortcut file atomically, replacing any file of that
// name. Returns an error text, or nullopt on success. An empty address, or
// one with a line break or NUL in it, is refused.
std::optional<std::string> write_internet_shortcut(const std::string& path, const std::string& url);

// No Internet shortcut comes near this size; a bigger file is not one.
inline constexpr std::size_t kMaxShortcutFileSize = 1024 * 1024;

// The address stored in an Internet shortcut file, when it has one. Only a
// regular file of at most kMaxShortcutFileSize bytes is read: a named pipe, a
// device or a link to one gives nullopt at once, as does a file that is too
// big (ReadINI reads the same way).
std::optional<std::string> read_internet_shortcut(const std::string& path);

} // namespace driftway::favourites
