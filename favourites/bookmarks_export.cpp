#include "favourites/bookmarks_export.h"

#include "favourites/file_ops.h"
#include "favourites/internet_shortcut.h"
#include "platform/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace driftway::favourites {

namespace {

constexpr std::string_view kHeader =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
    "<!-- This is an automatically generated file.\n"
    "     It will be read and overwritten.\n"
    "     DO NOT EDIT! -->\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
    "<TITLE>Bookmarks</TITLE>\n"
    "<H1>Bookmarks</H1>\n";

bool ends_with_url_extension(std::string_view name)
{
    if (name.size() <= 4)
        return false;
    const std::string_view tail = name.substr(name.size() - 4);
    return tail[0] == '.' && (tail[1] | 0x20) == 'u' && (tail[2] | 0x20) == 'r' && (tail[3] | 0x20) == 'l';
}

struct Listing {
    struct Item {
        std::string name;
        long long modified = 0;
    };
    std::vector<Item> folders;
    std::vector<Item> links;
};

class Exporter {
public:
    Exporter(std::string& html, ExportResult& result) : m_html(html), m_result(result) {}

    // Writes the contents of one folder; false (with the error set) when the
    // folder cannot be read.
    bool folder(const std::string& path, std::size_t depth)
    {
        std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), &::closedir);
        if (!dir)
            return fail(path);
        Listing listing;
        errno = 0;
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string name = entry->d_name;
            errno = 0;
            if (name == "." || name == "..")
                continue;
            const std::string child = path + "/" + name;
            struct stat st;
            if (::lstat(child.c_str(), &st) != 0)
                continue; // gone since the listing
            if (S_ISDIR(st.st_mode)) {
                // Hidden folders are no favourites folders; a folder reached
                // through a link is left out like everywhere else.
                if (name[0] != '.')
                    listing.folders.push_back({name, static_cast<long long>(st.st_mtime)});
            } else if (ends_with_url_extension(name)) {
                listing.links.push_back({name, static_cast<long long>(st.st_mtime)});
            } else {
                ++m_result.skipped;
            }
        }
        if (errno != 0)
            return fail(path);
        dir.reset();

        const auto by_name = [](const Listing::Item& a, const Listing::Item& b) { return a.name < b.name; };
        std::sort(listing.folders.begin(), listing.folders.end(), by_name);
        std::sort(listing.links.begin(), listing.links.end(), by_name);

        const std::string indent(4 * (depth + 1), ' ');
        for (const auto& item : listing.folders) {
            const std::string date = std::to_string(item.modified);
            m_html += indent + "<DT><H3 ADD_DATE=\"" + date + "\" LAST_MODIFIED=\"" + date + "\">";
            m_html += html_escape(item.name);
            m_html += "</H3>\n" + indent + "<DL><p>\n";
            ++m_result.folders;
            if (!folder(path + "/" + item.name, depth + 1))
                return false;
            m_html += indent + "</DL><p>\n";
        }
        for (const auto& item : listing.links) {
            const auto url = read_internet_shortcut(path + "/" + item.name);
            if (!url) {
                ++m_result.skipped;
                continue;
            }
            m_html += indent + "<DT><A HREF=\"";
            m_html += html_escape(*url);
            m_html += "\" ADD_DATE=\"" + std::to_string(item.modified) + "\">";
            m_html += html_escape(std::string_view(item.name).substr(0, item.name.size() - 4));
            m_html += "</A>\n";
            ++m_result.links;
        }
        return true;
    }

private:
    bool fail(const std::string& path)
    {
        m_result.error = "Cannot read \"" + display_path(path) + "\": " + std::strerror(errno);
        return false;
    }

    std::string& m_html;
    ExportResult& m_result;
};

std::string strip_trailing_slashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::string html_escape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = utf8_sequence_length(text, i);
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (len > 1) {
            out.append(text.substr(i, len));
            i += len;
            continue;
        }
        const char c = text[i++];
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? ' ' : c;
        }
    }
    return out;
}

ExportResult bookmarks_html(const std::string& favorites_root, std::string& html)
{
    ExportResult result;
    html = kHeader;
    html += "<DL><p>\n";
    Exporter exporter(html, result);
    if (!exporter.folder(strip_trailing_slashes(favorites_root), 0)) {
        html.clear();
        return result;
    }
    html += "</DL><p>\n";
    return result;
}

ExportResult export_bookmarks(const std::string& favorites_root, const std::string& out_file)
{
    std::string html;
    ExportResult result = bookmarks_html(favorites_root, html);
    if (!result.ok())
        return result;
    if (auto error = platform::write_file_atomic(out_file, html))
        result.error = std::move(*error);
    return result;
}

} // namespace driftway::favourites
