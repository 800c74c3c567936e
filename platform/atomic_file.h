#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace driftway::platform {

// Writes a whole file so that a crash leaves either the old or the new
// content under the name, never a torn one: the data goes to a temporary file
// in the same folder, is flushed to disk, and is renamed over the target.
// Missing parent folders are created. Returns an error text on failure.
std::optional<std::string> write_file_atomic(const std::string& path, std::string_view content,
                                             unsigned mode = 0644);

// Whether `name` (a bare file name) is that of a temporary file of
// write_file_atomic: the target's name, shortened when it is long, followed by
// ".tmp-" and six letters or digits. One that a crash left behind is never
// the real file; readers of a folder pass it over.
bool is_atomic_temp_name(std::string_view name);

// Removes the temporary files that writes of `path` by write_file_atomic left
// behind when their process was killed, and returns how many went. A write
// that is still under way holds a lock on its temporary file and is left
// alone, as is a file made less than a few seconds ago.
std::size_t remove_stale_temp_files(const std::string& path);

// Reads a whole file; nullopt when it cannot be opened or read.
std::optional<std::string> read_whole_file(const std::string& path);

} // namespace driftway::platform
