#include "browser/folder_listing.h"

#include "browser/address_fixup.h"
#include "platform/ini.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace driftway::browser {

namespace {

namespace fs = std::filesystem;

// A shortcut file is a few lines; anything much larger is not one.
constexpr std::uintmax_t kMaxShortcutSize = 64 * 1024;

bool ends_with_url_extension(std::string_view name)
{
    if (name.size() < 5)
        return false;
    const std::string_view ext = name.substr(name.size() - 4);
    return platform::iequals(ext, ".url");
}

std::string read_small_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string data(kMaxShortcutSize, '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(in.gcount()));
    return data;
}

std::string fold_case(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string format_size(std::uintmax_t bytes)
{
    if (bytes < 1024)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    const char* units[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit < 3) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

std::string join(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string parent_of(const std::string& folder)
{
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || path == "/")
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Length of the valid UTF-8 sequence at the start of s, or 0.
std::size_t utf8_sequence_length(std::string_view s)
{
    const auto b0 = static_cast<unsigned char>(s[0]);
    std::size_t len;
    char32_t min;
    if (b0 < 0x80)
        return 1;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (s.size() < len)
        return 0;
    char32_t cp = b0 & (0xFF >> (len + 1));
    for (std::size_t i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

} // namespace

std::string readable_name(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const std::size_t len = utf8_sequence_length(bytes);
        if (len > 0) {
            out.append(bytes.substr(0, len));
            bytes.remove_prefix(len);
            continue;
        }
        const auto b = static_cast<unsigned char>(bytes.front());
        out += static_cast<char>(0xC0 | (b >> 6));
        out += static_cast<char>(0x80 | (b & 0x3F));
        bytes.remove_prefix(1);
    }
    return out;
}

bool is_linkable_shortcut_url(std::string_view url)
{
    for (char c : url)
        if (static_cast<unsigned char>(c) < 0x20 || c == ' ')
            return false;
    const std::string scheme = uri_scheme(url);
    return scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "file";
}

FolderContents read_folder(const std::string& folder_path)
{
    FolderContents contents;
    std::error_code ec;
    fs::directory_iterator it(folder_path, fs::directory_options::none, ec);
    if (ec) {
        contents.error = ec.message();
        return contents;
    }
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            contents.error = ec.message();
            break;
        }
        const fs::directory_entry& dirent = *it;
        FolderEntry entry;
        entry.name = dirent.path().filename().string();
        std::error_code status_ec;
        const auto status = dirent.status(status_ec);
        if (status_ec && status_ec != std::errc::no_such_file_or_directory) {
            // A broken link or an unreadable entry is still shown, as a file.
            entry.kind = EntryKind::File;
        } else if (fs::is_directory(status)) {
            entry.kind = EntryKind::Folder;
        } else {
            entry.kind = EntryKind::File;
            if (fs::is_regular_file(status)) {
                const auto size = dirent.file_size(status_ec);
                entry.size = status_ec ? 0 : size;
                if (ends_with_url_extension(entry.name) && entry.size <= kMaxShortcutSize) {
                    const auto doc = platform::IniDocument::parse(read_small_file(dirent.path()));
                    if (auto url = doc.get("InternetShortcut", "URL")) {
                        entry.kind = EntryKind::Shortcut;
                        entry.shortcut_url = *url;
                    }
                }
            }
        }
        contents.entries.push_back(std::move(entry));
    }
    return contents;
}

std::string folder_listing_html(const std::string& folder_path, FolderContents contents)
{
    auto& entries = contents.entries;
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        const bool a_folder = a.kind == EntryKind::Folder;
        const bool b_folder = b.kind == EntryKind::Folder;
        if (a_folder != b_folder)
            return a_folder;
        const std::string fa = fold_case(a.name);
        const std::string fb = fold_case(b.name);
        return fa != fb ? fa < fb : a.name < b.name;
    });

    std::string shown_path = folder_path;
    if (shown_path.empty() || shown_path.back() != '/')
        shown_path += '/';
    const std::string title = "Index of " + html_escape(readable_name(shown_path));

    std::string html;
    html += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>" + title + "</title>\n";
    html += "<style>body{font-family:sans-serif;margin:1em 2em}table{border-collapse:collapse}"
            "td,th{padding:2px 1.5em 2px 0;text-align:left;vertical-align:top}"
            "td.size{text-align:right}.address{color:#555}</style>\n";
    html += "</head><body>\n<h1>" + title + "</h1>\n";
    if (!contents.error.empty())
        html += "<p>This folder could not be read completely: " + html_escape(contents.error) + "</p>\n";
    html += "<table>\n<tr><th>Name</th><th>Type</th><th class=\"size\">Size</th></tr>\n";
    if (const std::string parent = parent_of(folder_path); !parent.empty()) {
        html += "<tr><td><a href=\"" + html_escape(file_uri_from_path(parent, PathKind::Folder)) +
                "\">Parent folder</a></td><td></td><td></td></tr>\n";
    }
    for (const FolderEntry& entry : entries) {
        const std::string name = html_escape(readable_name(entry.name));
        const std::string path = join(folder_path, entry.name);
        html += "<tr><td>";
        switch (entry.kind) {
        case EntryKind::Folder:
            html += "<a href=\"" + html_escape(file_uri_from_path(path, PathKind::Folder)) + "\">" + name +
                    "/</a></td><td>Folder</td><td></td>";
            break;
        case EntryKind::File:
            html += "<a href=\"" + html_escape(file_uri_from_path(path, PathKind::File)) + "\">" + name +
                    "</a></td><td>File</td><td class=\"size\">" + format_size(entry.size) + "</td>";
            break;
        case EntryKind::Shortcut:
            if (is_linkable_shortcut_url(entry.shortcut_url)) {
                html += "<a href=\"" + html_escape(entry.shortcut_url) + "\">" + name + "</a>";
            } else {
                html += name;
            }
            html += " <span class=\"address\">" + html_escape(readable_name(entry.shortcut_url)) +
                    "</span></td><td>Internet shortcut</td><td></td>";
            break;
        }
        html += "</tr>\n";
    }
    html += "</table>\n</body></html>\n";
    return html;
}

} // namespace driftway::browser
