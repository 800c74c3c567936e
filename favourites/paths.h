#pragma once

#include <string>
#include <string_view>

namespace driftway::favourites {

// The special-folder id of the user's Favorites folder.
inline constexpr int CSIDL_FAVORITES = 6;

// The value of `key` in `section` of an initialisation-format file, read whole;
// "" when the file, the section or the key is missing, or when the file is not
// a regular file of sane size (a named pipe would block, a huge file is not a
// shortcut).
std::string ReadINI(const std::string& file, const std::string& section, const std::string& key);

// Whether anything (file, folder, dangling link) is at `path`; "/" is the only
// root. False for the empty path.
bool FileExists(const std::string& path);

// The path up to its last "/", without that "/"; "" when there is none.
std::string GetParentFolder(const std::string& path);

// The text after the last "." of `path` (all of it without a dot), with "."
// in front when `with_dot` says so.
enum class WithDot { No, Yes };
std::string GetExtension(const std::string& path, WithDot with_dot);

// `name` without the text from its last "." on, plus "." + `extension` when
// that is not empty.
std::string ChangeExtension(const std::string& name, const std::string& extension);

// The first free path made from `path` by numbering its name: New folder,
// New folder1, New folder2, ... (the number goes before the extension).
struct UniqueName {
    std::string path;
    std::string name; // the bare name chosen, LastUniqueName
};
UniqueName unique_file_name(const std::string& path);

// The part of a path after its last "/".
std::string_view base_name(std::string_view path);

// Strips one trailing "/" (a folder key) unless the path is "/" itself.
std::string strip_slash(std::string_view key);

// Whether a node key names a folder (or the root): it ends in "/".
inline bool is_folder_key(std::string_view key)
{
    return !key.empty() && key.back() == '/';
}

} // namespace driftway::favourites
