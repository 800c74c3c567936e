#pragma once

#include <filesystem>
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

}  // namespace driftway::testing
