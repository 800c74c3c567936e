#include "favourites/file_ops.h"

#include "favourites/display_text.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace driftway::favourites {

ShFileOpStruct FileOp;

namespace {

constexpr std::size_t kNameMax = 255;

std::string strip_trailing_slashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// A path cut into the folder part (with its final slash, empty when the path
// has none) and the entry's own name.
struct PathParts {
    std::string prefix;
    std::string name;
    std::string folder() const
    {
        if (prefix.empty())
            return ".";
        return prefix.size() == 1 ? prefix : prefix.substr(0, prefix.size() - 1);
    }
};

PathParts split_path(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {"", path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

std::string quoted(std::string_view path)
{
    return "\"" + display_path(path) + "\"";
}

FileOpResult failure(int code, std::string message)
{
    FileOpResult result;
    result.code = code != 0 ? code : EIO;
    result.message = std::move(message);
    return result;
}

FileOpResult errno_failure(int err, const std::string& what)
{
    return failure(err, what + ": " + std::strerror(err));
}

FileOpResult success(std::string final_path)
{
    FileOpResult result;
    result.final_path = std::move(final_path);
    return result;
}

bool same_entry(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool iequals_ascii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// A name beside `folder` that nobody uses, for work that must stay out of
// sight until it is complete.
std::string hidden_temp_path(const PathParts& beside, std::string_view tag)
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
    return beside.prefix + ".driftway-" + std::string(tag) + "-" + suffix;
}

void sync_folder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The names in a folder, without "." and "..". The folder is closed before
// the caller descends, so that deep trees do not hold a descriptor per level.
std::optional<std::vector<std::string>> list_folder(const std::string& path, int& err)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        err = errno;
        return std::nullopt;
    }
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd), &::closedir);
    if (!dir) {
        err = errno;
        ::close(fd);
        return std::nullopt;
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
        errno = 0;
    }
    if (errno != 0) {
        err = errno;
        return std::nullopt;
    }
    return names;
}

// Where a walk over a tree stopped, and why.
struct WalkError {
    int code = 0;
    std::string path;
};

// Removes an entry and, for a real folder, everything in it. Symbolic links
// are removed as links; the walk never enters one.
std::optional<WalkError> remove_tree(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT ? std::nullopt : std::optional<WalkError>(WalkError{errno, path});
    if (S_ISDIR(st.st_mode)) {
        int err = 0;
        const auto names = list_folder(path, err);
        if (!names)
            return WalkError{err, path};
        for (const auto& name : *names) {
            if (auto failed = remove_tree(path + "/" + name))
                return failed;
        }
        if (::rmdir(path.c_str()) != 0)
            return WalkError{errno, path};
    } else if (::unlink(path.c_str()) != 0) {
        return WalkError{errno, path};
    }
    return std::nullopt;
}

// Checks before a folder is removed that every folder inside can be read and
// emptied, so that a deletion does not stop half-way.
std::optional<WalkError> check_removable(const std::string& path)
{
    if (::access(path.c_str(), R_OK | W_OK | X_OK) != 0)
        return WalkError{errno, path};
    int err = 0;
    const auto names = list_folder(path, err);
    if (!names)
        return WalkError{err, path};
    for (const auto& name : *names) {
        const std::string child = path + "/" + name;
        struct stat st;
        if (::lstat(child.c_str(), &st) != 0)
            return WalkError{errno, child};
        if (S_ISDIR(st.st_mode)) {
            if (auto failed = check_removable(child))
                return failed;
        }
    }
    return std::nullopt;
}

std::optional<WalkError> copy_file_contents(const std::string& from, const std::string& to,
                                            const struct stat& st)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0)
        return WalkError{errno, from};
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
    if (out < 0) {
        const int err = errno;
        ::close(in);
        return WalkError{err, to};
    }
    std::optional<WalkError> failed;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failed = WalkError{errno, from};
            break;
        }
        if (n == 0)
            break;
        const char* p = buffer.data();
        std::size_t left = static_cast<std::size_t>(n);
        while (left > 0 && !failed) {
            const ssize_t w = ::write(out, p, left);
            if (w < 0) {
                if (errno != EINTR)
                    failed = WalkError{errno, to};
                continue;
            }
            p += w;
            left -= static_cast<std::size_t>(w);
        }
        if (failed)
            break;
    }
    if (!failed) {
        const std::array<timespec, 2> times{st.st_atim, st.st_mtim};
        ::futimens(out, times.data());
        if (::fsync(out) != 0)
            failed = WalkError{errno, to};
    }
    ::close(in);
    if (::close(out) != 0 && !failed)
        failed = WalkError{errno, to};
    return failed;
}

// Copies an entry with everything in it to `to`, which must not exist yet.
// Source folders must be removable afterwards, which is checked on the way.
std::optional<WalkError> copy_tree(const std::string& from, const std::string& to)
{
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0)
        return WalkError{errno, from};
    if (S_ISREG(st.st_mode))
        return copy_file_contents(from, to, st);
    if (S_ISLNK(st.st_mode)) {
        std::string target(static_cast<std::size_t>(st.st_size) + 1, '\0');
        const ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
        if (n < 0)
            return WalkError{errno, from};
        target.resize(static_cast<std::size_t>(n));
        if (::symlink(target.c_str(), to.c_str()) != 0)
            return WalkError{errno, to};
        return std::nullopt;
    }
    if (S_ISFIFO(st.st_mode)) {
        if (::mkfifo(to.c_str(), st.st_mode & 07777) != 0)
            return WalkError{errno, to};
        return std::nullopt;
    }
    if (!S_ISDIR(st.st_mode))
        return WalkError{ENOTSUP, from};

    if (::access(from.c_str(), R_OK | W_OK | X_OK) != 0)
        return WalkError{errno, from};
    int err = 0;
    const auto names = list_folder(from, err);
    if (!names)
        return WalkError{err, from};
    if (::mkdir(to.c_str(), 0700) != 0)
        return WalkError{errno, to};
    for (const auto& name : *names) {
        if (auto failed = copy_tree(from + "/" + name, to + "/" + name))
            return failed;
    }
    ::chmod(to.c_str(), st.st_mode & 07777);
    const std::array<timespec, 2> times{st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, to.c_str(), times.data(), 0);
    return std::nullopt;
}

enum class Verb { Move, Rename };

const char* verb_text(Verb verb)
{
    return verb == Verb::Move ? "move" : "rename";
}

// True when `folder` (a real folder) is `entry` or lies somewhere below it.
bool folder_is_inside(const std::string& folder, const struct stat& entry)
{
    std::unique_ptr<char, void (*)(void*)> real(::realpath(folder.c_str(), nullptr), &std::free);
    if (!real)
        return false;
    std::string path = real.get();
    for (;;) {
        struct stat st;
        if (::stat(path.c_str(), &st) == 0 && same_entry(st, entry))
            return true;
        if (path == "/")
            return false;
        const auto slash = path.rfind('/');
        path = slash == 0 ? "/" : path.substr(0, slash);
    }
}

// Across file systems: copy to a hidden name beside the destination, take
// the source out of sight, give the copy its name, then remove the source.
// Until the last step every failure can be undone completely.
FileOpResult copy_then_remove(const std::string& source, const std::string& destination, EntryKind kind,
                              Verb verb)
{
    const std::string what = std::string("Cannot ") + verb_text(verb) + " " + quoted(source);
    const PathParts dst_parts = split_path(destination);
    const PathParts src_parts = split_path(source);

    std::string staging;
    for (int attempt = 0;; ++attempt) {
        staging = hidden_temp_path(dst_parts, "move");
        struct stat st;
        if (::lstat(staging.c_str(), &st) != 0 || attempt > 100)
            break;
    }
    if (auto failed = copy_tree(source, staging)) {
        remove_tree(staging);
        if (failed->code == ENOTSUP)
            return failure(ENOTSUP, what + ": " + quoted(failed->path) + " is a special file");
        if (failed->path == source)
            return errno_failure(failed->code, what);
        return errno_failure(failed->code, what + " (" + quoted(failed->path) + ")");
    }

    const std::string hidden = hidden_temp_path(src_parts, "moved");
    if (const int err = rename_no_replace(source, hidden)) {
        remove_tree(staging);
        return errno_failure(err, what);
    }

    std::string final_path = destination;
    int err = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        err = rename_no_replace(staging, final_path);
        if (err != EEXIST)
            break;
        final_path = free_path(destination, kind);
    }
    if (err != 0) {
        ::rename(hidden.c_str(), source.c_str());
        remove_tree(staging);
        return errno_failure(err, what + " to " + quoted(destination));
    }
    sync_folder(dst_parts.folder());
    // The copy is complete and in place; what cannot be removed of the
    // source stays under its hidden name and loses nothing.
    remove_tree(hidden);
    return success(final_path);
}

FileOpResult relocate(const std::string& source_in, const std::string& destination_in, Verb verb)
{
    const std::string source = strip_trailing_slashes(source_in);
    const std::string destination = strip_trailing_slashes(destination_in);
    const std::string what = std::string("Cannot ") + verb_text(verb) + " " + quoted(source);

    if (source.empty())
        return errno_failure(ENOENT, what);
    struct stat src_st;
    if (::lstat(source.c_str(), &src_st) != 0)
        return errno_failure(errno, what);
    const PathParts src_parts = split_path(source);
    if (src_parts.name == "." || src_parts.name == ".." || source == "/")
        return errno_failure(EINVAL, what);

    const PathParts dst_parts = split_path(destination);
    if (destination.empty() || dst_parts.name.empty() || dst_parts.name == "." || dst_parts.name == "..")
        return failure(EINVAL, what + ": the new name " + quoted(dst_parts.name) + " is not valid");
    if (dst_parts.name.size() > kNameMax)
        return errno_failure(ENAMETOOLONG, what + " to " + quoted(destination));
    struct stat dst_folder_st;
    if (::stat(dst_parts.folder().c_str(), &dst_folder_st) != 0)
        return errno_failure(errno, what + " to " + quoted(dst_parts.folder()));
    if (!S_ISDIR(dst_folder_st.st_mode))
        return errno_failure(ENOTDIR, what + " to " + quoted(dst_parts.folder()));

    const EntryKind kind = S_ISDIR(src_st.st_mode) ? EntryKind::Folder : EntryKind::File;
    struct stat dst_st;
    const bool dst_exists = ::lstat(destination.c_str(), &dst_st) == 0;
    bool case_change = false;
    if (dst_exists && same_entry(src_st, dst_st)) {
        struct stat src_folder_st;
        const bool same_folder = ::stat(src_parts.folder().c_str(), &src_folder_st) == 0 &&
                                 same_entry(src_folder_st, dst_folder_st);
        if ((same_folder && src_parts.name == dst_parts.name) || (!same_folder && kind == EntryKind::Folder))
            return success(destination);
        // On a file system that ignores case, "news" and "News" name the
        // same entry; the change of case still has to happen.
        case_change = same_folder && iequals_ascii(src_parts.name, dst_parts.name);
    }

    if (kind == EntryKind::Folder && folder_is_inside(dst_parts.folder(), src_st))
        return failure(EINVAL, what + " into itself or into one of its own subfolders");
    if (dst_exists && S_ISDIR(dst_st.st_mode) && folder_is_inside(src_parts.folder(), dst_st))
        return failure(EINVAL, what + " onto " + quoted(destination) + ", a folder that holds it");

    std::string from = source;
    if (case_change) {
        const std::string step = hidden_temp_path(src_parts, "rename");
        if (const int err = rename_no_replace(source, step))
            return errno_failure(err, what);
        from = step;
    }

    std::string final_path = dst_exists && !case_change ? free_path(destination, kind) : destination;
    int err = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        err = rename_no_replace(from, final_path);
        if (err != EEXIST)
            break;
        final_path = free_path(destination, kind);
    }
    if (err == EXDEV)
        return copy_then_remove(source, final_path, kind, verb);
    if (err != 0) {
        if (case_change)
            ::rename(from.c_str(), source.c_str());
        return errno_failure(err, what + " to " + quoted(final_path));
    }
    return success(final_path);
}

void fill_file_op(unsigned operation, const std::string& from, const std::string* to, unsigned flags)
{
    FileOp.wFunc = operation;
    FileOp.pFrom = from;
    FileOp.pFrom.append(2, '\0');
    if (to)
        FileOp.pTo = *to;
    FileOp.fFlags = flags;
}

} // namespace

FileOpResult MoveFile(const std::string& source, const std::string& destination)
{
    fill_file_op(FO_MOVE, source, &destination, FOF_SILENT | FOF_NOCONFIRMATION);
    return relocate(source, destination, Verb::Move);
}

FileOpResult RenameFile(const std::string& old_path, const std::string& new_path)
{
    fill_file_op(FO_RENAME, old_path, &new_path, FOF_SILENT | FOF_RENAMEONCOLLISION | FOF_NOCONFIRMATION);
    return relocate(old_path, new_path, Verb::Rename);
}

FileOpResult DeleteFile(const std::string& path_in)
{
    fill_file_op(FO_DELETE, path_in, nullptr, FOF_SILENT | FOF_NOCONFIRMATION);
    const std::string path = strip_trailing_slashes(path_in);
    const std::string what = "Cannot delete " + quoted(path);
    if (path.empty())
        return errno_failure(ENOENT, what);
    const PathParts parts = split_path(path);
    if (path == "/" || parts.name == "." || parts.name == "..")
        return errno_failure(EINVAL, what);

    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return errno_failure(errno, what);
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(path.c_str()) != 0)
            return errno_failure(errno, what);
        return success(path);
    }

    if (auto blocked = check_removable(path)) {
        if (blocked->path == path)
            return errno_failure(blocked->code, what);
        return errno_failure(blocked->code, what + " (" + quoted(blocked->path) + ")");
    }
    // The folder leaves its name at once, so that nobody sees it half empty.
    const std::string hidden = hidden_temp_path(parts, "delete");
    if (const int err = rename_no_replace(path, hidden))
        return errno_failure(err, what);
    if (auto failed = remove_tree(hidden)) {
        // Give back what is left under its own name rather than hide it.
        ::rename(hidden.c_str(), path.c_str());
        return errno_failure(failed->code, what);
    }
    return success(path);
}

int rename_no_replace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the no-replace flag: check, then rename. The
    // window between the two is small and only other programs can use it.
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0)
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::size_t utf8_sequence_length(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80)
        return 1;
    std::size_t len = 0;
    unsigned min_second = 0x80, max_second = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0)
            min_second = 0xA0;
        else if (c == 0xED)
            max_second = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0)
            min_second = 0x90;
        else if (c == 0xF4)
            max_second = 0x8F;
    } else {
        return 0;
    }
    if (i + len > text.size())
        return 0;
    if (byte(i + 1) < min_second || byte(i + 1) > max_second)
        return 0;
    for (std::size_t k = 2; k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    }
    return len;
}

std::string_view utf8_prefix(std::string_view text, std::size_t max_bytes)
{
    if (text.size() <= max_bytes)
        return text;
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t len = std::max<std::size_t>(utf8_sequence_length(text, end), 1);
        if (end + len > max_bytes)
            break;
        end += len;
    }
    return text.substr(0, end);
}

std::string numbered_name(std::string_view name, unsigned n, EntryKind kind)
{
    const std::string suffix = " (" + std::to_string(n) + ")";
    std::string_view base = name;
    std::string_view extension;
    if (kind == EntryKind::File) {
        const auto dot = name.rfind('.');
        if (dot != std::string_view::npos && dot > 0 && name.size() - dot + suffix.size() < kNameMax) {
            base = name.substr(0, dot);
            extension = name.substr(dot);
        }
    }
    const std::size_t room = kNameMax - suffix.size() - extension.size();
    std::string result(utf8_prefix(base, room));
    result += suffix;
    result += extension;
    return result;
}

std::string free_path(const std::string& path, EntryKind kind)
{
    const PathParts parts = split_path(strip_trailing_slashes(path));
    std::string candidate = parts.prefix + parts.name;
    struct stat st;
    for (unsigned n = 2; ::lstat(candidate.c_str(), &st) == 0; ++n)
        candidate = parts.prefix + numbered_name(parts.name, n, kind);
    return candidate;
}

std::string safe_file_name(std::string_view title)
{
    return safe_file_name(title, kNameMax);
}

std::string safe_file_name(std::string_view title, std::size_t max_bytes)
{
    // Control characters become one blank per run, "/" a dash; C1 controls
    // (U+0080..U+009F) count as control characters too.
    std::string name;
    name.reserve(std::min(title.size(), max_bytes + 8));
    bool in_control_run = false;
    for (std::size_t i = 0; i < title.size();) {
        const unsigned char c = static_cast<unsigned char>(title[i]);
        const bool c1 = c == 0xC2 && i + 1 < title.size() &&
                        static_cast<unsigned char>(title[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(title[i + 1]) <= 0x9F;
        if (c < 0x20 || c == 0x7F || c1) {
            if (!in_control_run) {
                while (!name.empty() && name.back() == ' ')
                    name.pop_back();
                name += ' ';
            }
            in_control_run = true;
            i += c1 ? 2 : 1;
            continue;
        }
        if (in_control_run && c == ' ') {
            ++i;
            continue;
        }
        in_control_run = false;
        name += c == '/' ? '-' : static_cast<char>(c);
        ++i;
    }

    const auto is_trimmed = [](char c) { return c == ' ' || c == '.'; };
    std::string_view view = name;
    while (!view.empty() && is_trimmed(view.front()))
        view.remove_prefix(1);
    view = utf8_prefix(view, max_bytes);
    while (!view.empty() && is_trimmed(view.back()))
        view.remove_suffix(1);
    if (view.empty())
        return "Untitled";
    return std::string(view);
}

std::string display_path(std::string_view path)
{
    std::string shown;
    shown.reserve(path.size());
    for (std::size_t i = 0; i < path.size();) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        const std::size_t len = utf8_sequence_length(path, i);
        if (len > 1 || (len == 1 && c >= 0x20 && c != 0x7F)) {
            shown.append(path.substr(i, len));
            i += len;
            continue;
        }
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            shown += escape;
        }
        ++i;
    }
    return shown;
}

std::string display_path_short(std::string_view path)
{
    constexpr std::size_t kHead = 60;
    constexpr std::size_t kTail = 100;
    if (path.size() <= kHead + kTail + 16)
        return display_path(path);
    const std::string_view head = utf8_prefix(path, kHead);
    std::size_t tail_at = path.size() - kTail;
    // Start the tail at a character, preferably at a folder's name.
    while (tail_at < path.size() && (static_cast<unsigned char>(path[tail_at]) & 0xC0) == 0x80)
        ++tail_at;
    if (const auto slash = path.find('/', tail_at);
        slash != std::string_view::npos && slash + 20 < path.size())
        tail_at = slash;
    return display_path(head) + "\u2026" + display_path(path.substr(tail_at));
}

std::optional<std::string> rename_refusal(std::string_view name, EntryKind kind)
{
    if (name.find_first_not_of(" \t") == std::string_view::npos)
        return "A favourite needs a name. Nothing was renamed.";
    if (name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos ||
        name == "." || name == "..")
        return "\"" + display_name(name) +
               "\" cannot be used as a name: a name may not contain \"/\" or be \".\" or \"..\".";
    if (kind == EntryKind::Folder && name.starts_with('.'))
        return "\"" + display_name(name) +
               "\" cannot be used as a folder name: folders whose names start with \".\" are hidden, and the "
               "folder would vanish from the favourites. Nothing was renamed.";
    return std::nullopt;
}

} // namespace driftway::favourites
