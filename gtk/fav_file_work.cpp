#include "gtk/fav_file_work.h"

#include "favourites/display_text.h"
#include "favourites/file_ops.h"
#include "favourites/internet_shortcut.h"
#include "favourites/paths.h"
#include "gtk/fav_dialog_support.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace driftway::gtk {

namespace fav = driftway::favourites;

namespace {

constexpr const char* kNewFolderName = "New folder";

std::string lower_ascii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// What a row shows for an entry: a folder's name, a favourite's name without
// the extension the tree hides.
std::string row_text(std::string_view name, bool folder)
{
    return folder ? fav::display_name(name) : fav::item_name(name).text;
}

bool is_folder(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string grouped(unsigned long long n)
{
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

std::string count_text(unsigned long long n, const char* one, const char* many)
{
    return grouped(n) + " " + (n == 1 ? one : many);
}

} // namespace

std::optional<std::string> make_new_folder(const std::string& parent, platform::Prompts& prompts,
                                           const std::string& caption)
{
    const fav::UniqueName unique = fav::unique_file_name(fav::strip_slash(parent) + "/" + kNewFolderName);
    if (::mkdir(unique.path.c_str(), 0777) != 0) {
        const int err = errno;
        show_message(prompts,
                     "Cannot create the folder " + quoted_path(unique.path) + ": " + std::strerror(err) + ".",
                     caption);
        return std::nullopt;
    }
    return unique.path;
}

std::optional<std::string> rename_entry(const std::string& path_in, const std::string& new_text,
                                        platform::Prompts& prompts, const std::string& caption)
{
    const std::string path = fav::strip_slash(path_in);
    const std::string name(fav::base_name(path));
    const bool folder = is_folder(path);
    if (new_text == row_text(name, folder))
        return std::nullopt;
    if (const auto refusal =
            fav::rename_refusal(new_text, folder ? fav::EntryKind::Folder : fav::EntryKind::File)) {
        show_message(prompts, *refusal, caption);
        return std::nullopt;
    }
    // A favourite keeps the extension its row hides, so a shell link stays one.
    const std::string tail = folder ? std::string() : name.substr(fav::item_name(name).hidden_at);
    const fav::FileOpResult result =
        fav::RenameFile(path, fav::GetParentFolder(path) + "/" + new_text + tail);
    if (!result.ok()) {
        show_message(prompts, result.message, caption);
        return std::nullopt;
    }
    return result.final_path;
}

std::string size_text(unsigned long long bytes)
{
    if (bytes < 1024)
        return count_text(bytes, "byte", "bytes");
    static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.1f %s", value, kUnits[unit]);
    return std::string(shown) + " (" + grouped(bytes) + " bytes)";
}

std::optional<std::vector<std::pair<std::string, std::string>>>
favourite_properties(const std::string& path_in)
{
    const std::string path = fav::strip_slash(path_in);
    struct stat st;
    if (path.empty() || ::lstat(path.c_str(), &st) != 0)
        return std::nullopt;
    const std::string name(fav::base_name(path));
    const std::string ext = lower_ascii(fav::GetExtension(name, fav::WithDot::No));
    const bool folder = S_ISDIR(st.st_mode);
    const bool shortcut = S_ISREG(st.st_mode) && name.find('.') != std::string::npos && ext == "url";

    std::string kind = "File";
    if (folder)
        kind = "Folder";
    else if (S_ISLNK(st.st_mode))
        kind = "Symbolic link";
    else if (shortcut)
        kind = "Internet shortcut";
    else if (name.find('.') != std::string::npos && ext == "lnk")
        kind = "Shell link";

    std::string size;
    if (folder) {
        // Links inside are counted as themselves and never followed.
        unsigned long long total = 0, files = 0, folders = 0;
        std::error_code ec;
        for (std::filesystem::recursive_directory_iterator
                 it(path, std::filesystem::directory_options::skip_permission_denied, ec),
             end;
             !ec && it != end; it.increment(ec)) {
            struct stat entry;
            if (::lstat(it->path().c_str(), &entry) != 0)
                continue;
            if (S_ISDIR(entry.st_mode)) {
                ++folders;
            } else {
                ++files;
                total += static_cast<unsigned long long>(entry.st_size);
            }
        }
        size = size_text(total) + ", " + count_text(files, "file", "files") + " in " +
               count_text(folders, "folder", "folders");
    } else {
        size = size_text(static_cast<unsigned long long>(st.st_size));
    }

    char modified[64] = "";
    std::tm local{};
    if (localtime_r(&st.st_mtime, &local))
        std::strftime(modified, sizeof modified, "%Y-%m-%d %H:%M:%S", &local);

    const std::string location = fav::GetParentFolder(path);
    std::vector<std::pair<std::string, std::string>> rows{
        {"Name:", fav::display_name(name)},
        {"Kind:", kind},
        {"Location:", fav::display_path(location.empty() ? "/" : location)},
        {"Size:", size},
        {"Modified:", modified},
    };
    if (shortcut) {
        const auto address = fav::read_internet_shortcut(path);
        rows.emplace_back("Address:", address && !address->empty() ? fav::display_name(*address) : "(none)");
    }
    return rows;
}

} // namespace driftway::gtk
