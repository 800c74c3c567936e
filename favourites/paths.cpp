#include "favourites/paths.h"

#include "favourites/internet_shortcut.h"
#include "platform/ini.h"
#include "platform/paths.h"

#include <sys/stat.h>

namespace driftway::favourites {

std::string ReadINI(const std::string& file, const std::string& section, const std::string& key)
{
    const auto stored = platform::read_stored_file(file, kMaxShortcutFileSize);
    if (stored.status != platform::StoredFile::Status::Read)
        return {};
    return platform::IniDocument::parse(stored.content).get(section, key).value_or("");
}

bool FileExists(const std::string& path)
{
    if (path.empty())
        return false;
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string GetParentFolder(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return path.substr(0, slash);
}

std::string GetExtension(const std::string& path, WithDot with_dot)
{
    const auto dot = path.rfind('.');
    std::string ext = dot == std::string::npos ? path : path.substr(dot + 1);
    return with_dot == WithDot::Yes ? "." + ext : ext;
}

std::string ChangeExtension(const std::string& name, const std::string& extension)
{
    const auto dot = name.rfind('.');
    std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    return extension.empty() ? base : base + "." + extension;
}

UniqueName unique_file_name(const std::string& path)
{
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = path.substr(folder.size());
    const auto dot = name.rfind('.');
    const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);

    std::string bare = base + ext;
    for (long n = 1; FileExists(folder + bare); ++n)
        bare = base + std::to_string(n) + ext;
    return {folder + bare, bare};
}

std::string_view base_name(std::string_view path)
{
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string strip_slash(std::string_view key)
{
    if (key.size() > 1 && key.back() == '/')
        key.remove_suffix(1);
    return std::string(key);
}

} // namespace driftway::favourites
