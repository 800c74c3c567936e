#pragma once

// Helpers of the favourites file tests: a whole folder tree as a comparable
// value, and the odd names that every operation has to survive.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace driftway::testing {

// Every entry under `root`, by relative path: file contents, "<folder>", or
// "-> target" for a symbolic link. Links are not followed.
std::map<std::string, std::string> snapshot(const std::filesystem::path& root);

// Names with blanks, quotes, a leading dash, a newline, bytes that are not
// UTF-8, and one of 255 bytes.
std::vector<std::string> odd_names();

bool is_root();

} // namespace driftway::testing
