#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace driftway::fuzz {

// A private folder for this fuzzing process, made on first use and removed at
// exit. It lies under $TMPDIR, or /dev/shm when that is unset: the targets
// write files for every input, and a memory file system keeps that fast and
// spares the disk.
const std::string& scratch_folder();

// Empties a folder below the scratch folder, creating it when missing, and
// returns its path.
std::string fresh_folder(std::string_view name);

void write_file(const std::string& path, std::string_view data);
std::string read_file(const std::string& path);

// Every entry below `folder`, as relative paths in sorted order; folders end
// in "/".
std::vector<std::string> list_tree(const std::string& folder);

// Ends the run with a message when a property of the code under test does not
// hold; libFuzzer saves the input that caused it.
void check(bool holds, std::string_view what);

} // namespace driftway::fuzz
