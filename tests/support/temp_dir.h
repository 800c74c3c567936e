#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace driftway::testing {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }

    // Writes a file (creating parent folders) and returns its path.
    std::filesystem::path write(const std::string& relative, const std::string& content) const;
    std::filesystem::path mkdir(const std::string& relative) const;

private:
    std::filesystem::path m_path;
};

std::string read_file(const std::filesystem::path& path);

// Walks the folder, one listing open at a time; `visit` gets each entry's
// path and whether it is a link or a real folder, and answers whether to go in.
void walk(const std::string& root, const std::function<bool(const std::string&, bool, bool)>& visit,
          const std::function<void(const std::string&)>& unlistable);
// Every entry below a folder by relative path: "<folder>", "-> target" for a
// link (never followed), "<unreadable>" for a folder that cannot be listed,
// or the file's content.
using Snapshot = std::map<std::string, std::string>;
Snapshot snapshot(const std::string& root);

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    bool m_had = false;
    std::string m_old;
};

} // namespace driftway::testing
