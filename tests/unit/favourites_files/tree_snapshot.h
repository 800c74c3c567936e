#pragma once

// A whole folder tree as a comparable value, for the favourites file tests.

#include "tests/support/temp_dir.h"

#include <filesystem>
#include <map>
#include <string>

namespace driftway::testing {

using Tree = std::map<std::string, std::string>;

// Every entry under `root`, by relative path: file contents, "<folder>", or
// "-> target" for a symbolic link. Links are not followed.
inline Tree snapshot(const std::filesystem::path& root)
{
    Tree entries;
    for (auto it = std::filesystem::recursive_directory_iterator(root); it != decltype(it)(); ++it) {
        const std::string relative = it->path().lexically_relative(root).string();
        if (it->is_symlink())
            entries[relative] = "-> " + std::filesystem::read_symlink(it->path()).string();
        else
            entries[relative] = it->is_directory() ? "<folder>" : read_file(it->path());
    }
    return entries;
}

} // namespace driftway::testing
