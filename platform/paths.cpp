#include "platform/paths.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace driftway::platform {

namespace {

std::string parent_of(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string xdg_folder(const char* variable, const char* default_below_home)
{
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return value;
    return home_folder() + "/" + default_below_home;
}

} // namespace

std::string program_folder()
{
    std::string target(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size())
        return ".";
    target.resize(static_cast<std::size_t>(n));
    return parent_of(target);
}

std::string home_folder()
{
    if (const char* home = std::getenv("HOME"); home && home[0] != '\0')
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/";
}

std::string config_home()
{
    return xdg_folder("XDG_CONFIG_HOME", ".config");
}

std::string data_home()
{
    return xdg_folder("XDG_DATA_HOME", ".local/share");
}

std::string cache_home()
{
    return xdg_folder("XDG_CACHE_HOME", ".cache");
}

std::vector<std::string> data_dirs()
{
    std::vector<std::string> dirs;
    const char* value = std::getenv("XDG_DATA_DIRS");
    std::string_view rest = value ? value : "";
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        if (!dir.empty() && dir.front() == '/')
            dirs.emplace_back(dir);
        rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
    }
    if (dirs.empty())
        dirs = {"/usr/local/share", "/usr/share"};
    return dirs;
}

StoredFile read_stored_file(const std::string& path, std::size_t max_size)
{
    StoredFile result;
    // O_NONBLOCK keeps a named pipe (or a device) in the file's place from
    // holding the open up; fstat then refuses anything but a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) {
            result.status = StoredFile::Status::Missing;
        } else {
            result.status = StoredFile::Status::Unreadable;
            result.reason = std::strerror(errno);
        }
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result.status = StoredFile::Status::Unreadable;
        result.reason = S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file";
        ::close(fd);
        return result;
    }
    const std::string too_large = "it is larger than " + std::to_string(max_size) + " bytes";
    if (static_cast<std::uintmax_t>(st.st_size) > max_size) {
        result.status = StoredFile::Status::TooLarge;
        result.reason = too_large;
        ::close(fd);
        return result;
    }
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.status = StoredFile::Status::Unreadable;
            result.reason = std::strerror(errno);
            result.content.clear();
            break;
        }
        if (n == 0) {
            result.status = StoredFile::Status::Read;
            break;
        }
        // Stop reading as soon as the limit is passed, so that a huge file
        // never has to fit in memory.
        if (result.content.size() + static_cast<std::size_t>(n) > max_size) {
            result.status = StoredFile::Status::TooLarge;
            result.reason = too_large;
            result.content.clear();
            break;
        }
        result.content.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return result;
}

KeptAside keep_aside(const std::string& path)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = path + ".corrupt-" + stamp;

    for (int attempt = 1; attempt < 1000; ++attempt) {
        const std::string candidate = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        // RENAME_NOREPLACE makes the check and the rename one step, so an older
        // kept copy is never replaced.
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, candidate.c_str(), RENAME_NOREPLACE) == 0)
            return {candidate, {}};
        if (errno == EEXIST)
            continue;
        if (errno == EINVAL || errno == ENOSYS) {
            // A file system without the flag: check, then rename.
            struct stat st {};
            if (::lstat(candidate.c_str(), &st) == 0)
                continue;
            if (::rename(path.c_str(), candidate.c_str()) == 0)
                return {candidate, {}};
        }
        return {std::nullopt, std::strerror(errno)};
    }
    return {std::nullopt, "no free name to keep it under"};
}

} // namespace driftway::platform
