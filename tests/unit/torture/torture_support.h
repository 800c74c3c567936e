#pragma once

// Helpers of the torture tests: a whole folder tree as a comparable value,
// what the favourites tree has to show for a folder, and a way to run a test
// as an unprivileged user when the suite runs as root.

#include "favourites/tree.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace driftway::testing {

// Every entry below `root` by relative path: "<folder>", "-> target" for a
// symbolic link, "<unreadable>" for a folder that cannot be listed, or the
// file's content. Links are never followed; the walk holds one folder open at
// a time, so deep trees need no more descriptors than shallow ones.
using Snapshot = std::map<std::string, std::string>;
Snapshot snapshot(const std::string& root);

// The snapshot after moving the entry at `from` (relative) with everything
// below it to `to`; an expectation for a move or rename.
Snapshot moved(Snapshot entries, const std::string& from, const std::string& to);
// The snapshot without the entry at `path` and everything below it.
Snapshot without(Snapshot entries, const std::string& path);

// Where two snapshots differ, a line per entry (at most `limit`), with names
// shown readably; empty when they are equal.
std::string differences(const Snapshot& expected, const Snapshot& actual, std::size_t limit = 10);

// The node keys the favourites tree must hold for the folder `root_key` (with
// its trailing "/"): real folders whose names do not start with ".", and
// every other entry except links to folders and stray temporary files.
std::vector<std::string> expected_keys(const std::string& root_key);

// Where the tree is unsound whatever the folder holds: a key twice, a first
// node other than the root, or a node whose parent is not its containing
// folder. Empty when it is sound.
std::string tree_structure(const favourites::Tree& tree, const std::string& root_key, std::size_t limit = 10);

// Where the tree disagrees with the folder: missing or extra keys, and nodes
// whose parent is not their containing folder. Empty when they agree.
std::string tree_vs_disk(const favourites::Tree& tree, const std::string& root_key, std::size_t limit = 10);

// When the tests run as root, runs the current test again in a child process
// as the user "nobody" (folder permissions do not bind root) and answers true:
// the caller returns and the child's verdict is recorded here. Answers false
// when the caller is to run the test body itself.
bool ran_unprivileged();

// A folder for large temporary trees: /dev/shm when it is a writable
// memory file system with `bytes` free (a hundred thousand files are made and
// removed there in a fraction of the time a disk takes; containers often give
// it only a few megabytes), else the usual temporary folder.
std::string fast_temp_folder(std::uint64_t bytes = 64 << 20);

// A name made readable for a test message.
std::string shown(std::string_view name);

} // namespace driftway::testing
