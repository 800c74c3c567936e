#pragma once

// The store writer: a mode of this test program that writes the settings, the
// registry store and a favourite over and over until it is killed. The crash
// tests start it with the environment below and kill it at random moments.

#include <string>

namespace driftway::testing {

// The folder to write in; its presence selects the writer mode.
inline constexpr const char* kWriterFolderVariable = "DRIFTWAY_STORE_WRITER";
// The descriptor on which the writer reports its progress: "R" when it is
// about to write, then "C" after each round of writing all three files.
inline constexpr const char* kWriterReadyVariable = "DRIFTWAY_STORE_WRITER_READY";
// "atomic" (the default) writes through the stores; "in-place" rewrites the
// settings file in place, as a careless program would, so that the tests can
// show that they catch a torn file.
inline constexpr const char* kWriterModeVariable = "DRIFTWAY_STORE_WRITER_MODE";

// What the writer writes, by version (0 or 1). Long contents make the moment
// of writing long, so that kills often land in the middle of it.
std::string crash_value(int version);
std::string crash_address(int version);

// Where the writer writes, below its folder.
std::string settings_folder(const std::string& folder);
std::string registry_file(const std::string& folder);
std::string favorites_folder(const std::string& folder);
// The favourite's name takes all 255 bytes a name may have.
std::string favourite_file(const std::string& folder);

inline constexpr const char* kCrashApplication = "Driftway";
inline constexpr const char* kCrashSection = "Crash";
inline constexpr const char* kCrashKey = "Value";
inline constexpr const char* kCrashRegistryKey = "Software\\Driftway\\Crash";

// Writes version `version` of all three once; an error text on failure.
std::string write_all(const std::string& folder, int version);

} // namespace driftway::testing
