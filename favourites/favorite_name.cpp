#include "favourites/favorite_name.h"

#include "favourites/file_ops.h"
#include "platform/hex.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

namespace driftway::favourites {

namespace {

// Extensions of files that a page's title may be the name of.
constexpr std::array<std::string_view, 34> kFileExtensions = {
    "htm", "html", "shtml", "xhtml", "xht", "mht", "mhtml", "php", "asp", "aspx", "jsp",  "cgi",
    "pl",  "cfm",  "txt",   "text",  "pdf", "xml", "json",  "md",  "png", "jpg",  "jpeg", "gif",
    "svg", "webp", "bmp",   "ico",   "mp3", "mp4", "webm",  "ogg", "zip", "csv"};

bool is_file_extension(std::string_view tail)
{
    if (tail.empty() || tail.size() > 5)
        return false;
    std::string lower(tail);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(kFileExtensions.begin(), kFileExtensions.end(), lower) != kFileExtensions.end();
}

// %XX escapes decoded where the result is readable text; "+" stays.
std::string readable(std::string_view part)
{
    std::string out;
    for (std::size_t i = 0; i < part.size(); ++i) {
        if (part[i] == '%' && i + 2 < part.size()) {
            const int hi = platform::hex_digit(part[i + 1]);
            const int lo = platform::hex_digit(part[i + 2]);
            if (hi >= 0 && lo >= 0 && hi * 16 + lo >= 0x20) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += part[i];
    }
    // A decoded escape that does not make valid UTF-8 is left as it was.
    for (std::size_t i = 0; i < out.size();) {
        const std::size_t len = utf8_sequence_length(out, i);
        if (len == 0)
            return std::string(part);
        i += len;
    }
    return out;
}

} // namespace

std::string drop_file_extension(std::string_view name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || !is_file_extension(name.substr(dot + 1)))
        return std::string(name);
    return std::string(name.substr(0, dot));
}

std::string suggested_favorite_name(std::string_view title, std::string_view address)
{
    const auto trimmed = [](std::string_view text) {
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
            text.remove_prefix(1);
        while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
            text.remove_suffix(1);
        return text;
    };
    title = trimmed(title);
    if (!title.empty() && title != trimmed(address))
        return drop_file_extension(title);

    // No title: the address without its scheme, query and fragment.
    std::string_view rest = trimmed(address);
    rest = rest.substr(0, std::min(rest.find('#'), rest.find('?')));
    const auto colon = rest.find(':');
    const bool has_scheme = colon != std::string_view::npos && colon > 0 &&
                            rest.substr(0, colon).find_first_of("/ ") == std::string_view::npos;
    std::string_view host;
    if (has_scheme) {
        rest.remove_prefix(colon + 1);
        if (rest.starts_with("//")) {
            rest.remove_prefix(2);
            host = rest.substr(0, rest.find('/'));
            rest.remove_prefix(host.size());
            host = host.substr(host.find('@') == std::string_view::npos ? 0 : host.find('@') + 1);
            if (host.starts_with("www."))
                host.remove_prefix(4);
        }
    }
    std::vector<std::string> parts;
    if (!host.empty())
        parts.emplace_back(host);
    std::vector<std::string_view> segments;
    for (std::size_t begin = 0; begin <= rest.size();) {
        const std::size_t end = std::min(rest.find('/', begin), rest.size());
        if (end > begin)
            segments.push_back(rest.substr(begin, end - begin));
        begin = end + 1;
    }
    for (std::size_t i = 0; i < segments.size(); ++i) {
        std::string segment = readable(segments[i]);
        if (i + 1 == segments.size())
            segment = drop_file_extension(segment);
        // A page named index says nothing beyond its folder.
        if (i + 1 == segments.size() && segments.size() + parts.size() > 1 &&
            (segment == "index" || segment == "default"))
            continue;
        parts.push_back(std::move(segment));
    }
    std::string name;
    for (const auto& part : parts)
        name += (name.empty() ? "" : " - ") + part;
    return name.empty() ? std::string(trimmed(address)) : name;
}

} // namespace driftway::favourites
