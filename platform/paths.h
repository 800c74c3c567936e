#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace driftway::platform {

// The folder holding the running executable (from /proc/self/exe), without a
// trailing "/" except for the root itself.
std::string program_folder();

// The user's home folder: $HOME when set, else the password database's entry.
std::string home_folder();

// The XDG base folders. An unset, empty or relative variable is ignored, as
// the base-directory rules require, and the usual default under the home
// folder is used: ~/.config, ~/.local/share and ~/.cache.
std::string config_home();
std::string data_home();
std::string cache_home();
// $XDG_DATA_DIRS, its absolute entries in order; /usr/local/share and
// /usr/share when it names none.
std::vector<std::string> data_dirs();

// The outcome of reading one of the program's own stored files.
struct StoredFile {
    enum class Status { Read, Missing, Unreadable, TooLarge };
    Status status = Status::Missing;
    std::string content; // the whole file when Read
    std::string reason;  // why it could not be read, for a message
};

// Reads a stored file of at most max_size bytes. A file that does not exist is
// Missing; anything else that stops the read (no permission, a folder, a named
// pipe or a device in its place, an I/O error) is Unreadable. The read never
// waits for a writer and never holds more than max_size bytes, whatever is
// found under the name.
StoredFile read_stored_file(const std::string& path, std::size_t max_size);

// Keeps a damaged file aside before it is replaced, by renaming it to
// "<path>.corrupt-<YYYYmmdd-HHMMSS>" (with "-2", "-3"... when that name is
// taken; an existing file is never overwritten). Returns the new name, or the
// reason as an error.
struct KeptAside {
    std::optional<std::string> new_path;
    std::string error;
};
KeptAside keep_aside(const std::string& path);

} // namespace driftway::platform
