#include "platform/atomic_file.h"

#include "platform/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace driftway::platform {

namespace {

std::string errno_text(const std::string& what, const std::string& path)
{
    return what + " \"" + path + "\": " + std::strerror(errno);
}

constexpr std::string_view kTempTag = ".tmp-";
constexpr std::size_t kTempRandom = 6; // the XXXXXX of mkstemp
constexpr std::size_t kNameMax = 255;

// The mkstemp pattern of a temporary file beside `path`. Its name starts with
// the target's name, cut short when the tag would make it too long for the
// file system: a favourite may well have a name of the full 255 bytes.
std::string temp_pattern(const std::string& path)
{
    const auto slash = path.rfind('/');
    const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t room = kNameMax - kTempTag.size() - kTempRandom;
    const std::size_t name_length = std::min(path.size() - name_start, room);
    return path.substr(0, name_start + name_length) + std::string(kTempTag) + std::string(kTempRandom, 'X');
}

} // namespace

bool is_atomic_temp_name(std::string_view name)
{
    if (name.size() <= kTempTag.size() + kTempRandom)
        return false;
    const std::string_view random = name.substr(name.size() - kTempRandom);
    return name.substr(name.size() - kTempRandom - kTempTag.size(), kTempTag.size()) == kTempTag &&
           std::all_of(random.begin(), random.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
           });
}

std::optional<std::string> write_file_atomic(const std::string& path, std::string_view content, unsigned mode)
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    std::error_code ec;
    if (target.has_parent_path())
        fs::create_directories(target.parent_path(), ec);

    std::string tmp = temp_pattern(path);
    UniqueFd fd(::mkstemp(tmp.data()));
    if (fd.get() < 0)
        return errno_text("Cannot create", tmp);
    // Held until the file is renamed or removed: it tells remove_stale_temp_files
    // that this one is alive.
    ::flock(fd.get(), LOCK_EX);
    ::fchmod(fd.get(), mode);

    const char* p = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd.get(), p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            auto err = errno_text("Cannot write", tmp);
            ::unlink(tmp.c_str());
            return err;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0 || ::close(fd.release()) != 0) {
        auto err = errno_text("Cannot write", tmp);
        ::unlink(tmp.c_str());
        return err;
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        auto err = errno_text("Cannot replace", path);
        ::unlink(tmp.c_str());
        return err;
    }
    // Make the rename itself durable.
    const std::string dir = target.has_parent_path() ? target.parent_path().string() : ".";
    UniqueFd dfd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY));
    if (dfd.get() >= 0)
        ::fsync(dfd.get());
    return std::nullopt;
}

std::size_t remove_stale_temp_files(const std::string& path)
{
    const std::string pattern = temp_pattern(path);
    const auto slash = pattern.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : pattern.substr(0, slash);
    const std::string prefix = pattern.substr(slash == std::string::npos ? 0 : slash + 1,
                                              pattern.size() - (slash + 1) - kTempRandom);
    UniqueFd dir_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir_fd.get() < 0)
        return 0;
    DIR* dir = ::fdopendir(::dup(dir_fd.get()));
    if (!dir)
        return 0;
    std::vector<std::string> candidates;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() == prefix.size() + kTempRandom && name.substr(0, prefix.size()) == prefix &&
            is_atomic_temp_name(name))
            candidates.emplace_back(name);
    }
    ::closedir(dir);

    constexpr time_t kGraceSeconds = 3;
    const time_t now = ::time(nullptr);
    std::size_t removed = 0;
    for (const auto& name : candidates) {
        UniqueFd fd(::openat(dir_fd.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
            now - st.st_mtime < kGraceSeconds || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        if (::unlinkat(dir_fd.get(), name.c_str(), 0) == 0)
            ++removed;
    }
    return removed;
}

std::optional<std::string> read_whole_file(const std::string& path)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return std::nullopt;
    std::string data;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (n == 0)
            break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    return data;
}

} // namespace driftway::platform
