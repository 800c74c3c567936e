#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace driftway::testing {

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "driftway-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Tests make folders unreadable on purpose; give the rights back first.
    for (auto it =
             fs::recursive_directory_iterator(m_path, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            ::chmod(it->path().c_str(), 0700);
    }
    ::chmod(m_path.c_str(), 0700);
    fs::remove_all(m_path, ec);
}

fs::path TempDir::write(const std::string& relative, const std::string& content) const
{
    const fs::path p = m_path / relative;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << content;
    return p;
}

fs::path TempDir::mkdir(const std::string& relative) const
{
    const fs::path p = m_path / relative;
    fs::create_directories(p);
    return p;
}

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

ScopedEnv::ScopedEnv(std::string name, const std::string& value) : m_name(std::move(name))
{
    if (const char* old = std::getenv(m_name.c_str())) {
        m_had = true;
        m_old = old;
    }
    ::setenv(m_name.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (m_had)
        ::setenv(m_name.c_str(), m_old.c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}

void walk(const std::string& root, const std::function<bool(const std::string&, bool, bool)>& visit,
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

Snapshot snapshot(const std::string& root)
{
    Snapshot entries;
    const auto relative = [&](const std::string& path) {
        return path == root ? "." : path.substr(root.size() + 1);
    };
    walk(
        root,
        [&](const std::string& path, bool link, bool folder) {
            std::error_code ec;
            entries[relative(path)] = link     ? "-> " + fs::read_symlink(path, ec).string()
                                      : folder ? "<folder>"
                                               : read_file(path);
            return folder;
        },
        [&](const std::string& folder) { entries[relative(folder)] = "<unreadable>"; });
    return entries;
}

} // namespace driftway::testing
