#pragma once

#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace driftway::testing {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes away.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "driftway-test-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder");
        m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        // Tests make folders unreadable on purpose; give the rights back first.
        for (auto it = std::filesystem::recursive_directory_iterator(
                 m_path, std::filesystem::directory_options::skip_permission_denied, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec) && !it->is_symlink(ec))
                ::chmod(it->path().c_str(), 0700);
        }
        ::chmod(m_path.c_str(), 0700);
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }

    // Writes a file (creating parent folders) and returns its path.
    std::filesystem::path write(const std::string& relative, const std::string& content) const
    {
        const std::filesystem::path p = m_path / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream out(p, std::ios::binary);
        out << content;
        return p;
    }
    std::filesystem::path mkdir(const std::string& relative) const
    {
        const std::filesystem::path p = m_path / relative;
        std::filesystem::create_directories(p);
        return p;
    }

private:
    std::filesystem::path m_path;
};

inline std::string read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Walks the folder, one listing open at a time; `visit` gets each entry's
// path and whether it is a link or a real folder, and answers whether to go in.
inline void walk(const std::string& root, const std::function<bool(const std::string&, bool, bool)>& visit,
                 const std::function<void(const std::string&)>& unlistable)
{
    std::vector<std::string> pending{root};
    while (!pending.empty()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        DIR* listing = ::opendir(folder.c_str());
        if (!listing) {
            unlistable(folder);
            continue;
        }
        std::vector<std::pair<std::string, unsigned char>> entries;
        while (const dirent* entry = ::readdir(listing))
            if (std::string_view(entry->d_name) != "." && std::string_view(entry->d_name) != "..")
                entries.emplace_back(entry->d_name, entry->d_type);
        ::closedir(listing);
        for (auto& [name, type] : entries) {
            const std::string path = (folder.ends_with('/') ? folder : folder + "/") + name;
            struct stat st {};
            if (type == DT_UNKNOWN && ::lstat(path.c_str(), &st) == 0)
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
            if (visit(path, type == DT_LNK, type == DT_DIR))
                pending.push_back(path);
        }
    }
}
// Every entry below a folder by relative path: "<folder>", "-> target" for a
// link (never followed), "<unreadable>" for a folder that cannot be listed,
// or the file's content.
using Snapshot = std::map<std::string, std::string>;
inline Snapshot snapshot(const std::string& root)
{
    Snapshot entries;
    const auto relative = [&](const std::string& path) {
        return path == root ? "." : path.substr(root.size() + 1);
    };
    walk(
        root,
        [&](const std::string& path, bool link, bool folder) {
            std::error_code ec;
            entries[relative(path)] = link     ? "-> " + std::filesystem::read_symlink(path, ec).string()
                                      : folder ? "<folder>"
                                               : read_file(path);
            return folder;
        },
        [&](const std::string& folder) { entries[relative(folder)] = "<unreadable>"; });
    return entries;
}

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value) : m_name(std::move(name))
    {
        if (const char* old = std::getenv(m_name.c_str())) {
            m_had = true;
            m_old = old;
        }
        ::setenv(m_name.c_str(), value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_had)
            ::setenv(m_name.c_str(), m_old.c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    bool m_had = false;
    std::string m_old;
};

} // namespace driftway::testing
