#include "browser/address_fixup.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace driftway::browser {

namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && is_blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool is_alpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool all_digits(std::string_view s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (!is_digit(c))
            return false;
    return true;
}

// A host name as users type it: "localhost", dotted names whose last label is
// alphabetic, a dotted IPv4 address, or a bracketed IPv6 address, each with
// an optional numeric port.
bool looks_like_host(std::string_view text)
{
    for (char c : text)
        if (is_blank(c) || static_cast<unsigned char>(c) < 0x20)
            return false;
    std::string_view host = text.substr(0, text.find_first_of("/?#"));
    if (host.empty())
        return false;
    if (host.front() == '[') {
        const auto close = host.find(']');
        if (close == std::string_view::npos || close < 3)
            return false;
        std::string_view rest = host.substr(close + 1);
        return rest.empty() || (rest.front() == ':' && all_digits(rest.substr(1)));
    }
    if (const auto colon = host.rfind(':'); colon != std::string_view::npos) {
        if (!all_digits(host.substr(colon + 1)))
            return false;
        host = host.substr(0, colon);
    }
    if (host.size() == 9) {
        std::string lowered;
        for (char c : host)
            lowered += lower(c);
        if (lowered == "localhost")
            return true;
    }
    if (host.find('.') == std::string_view::npos)
        return false;
    int labels = 0;
    bool numeric = true;
    std::string_view last;
    std::size_t start = 0;
    while (start <= host.size()) {
        const auto dot = host.find('.', start);
        const std::string_view label =
            host.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (label.empty() || label.front() == '-' || label.back() == '-')
            return false;
        for (char c : label)
            if (!is_alpha(c) && !is_digit(c) && c != '-' && static_cast<unsigned char>(c) < 0x80)
                return false;
        numeric = numeric && all_digits(label);
        ++labels;
        last = label;
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    if (numeric)
        return labels == 4;
    // The last label is a top-level domain: letters (or an encoded IDN).
    for (char c : last)
        if (is_digit(c))
            return false;
    return last.size() >= 2;
}

std::string join_path(const std::string& base, std::string_view relative)
{
    if (base.empty() || base.back() == '/')
        return base + std::string(relative);
    return base + "/" + std::string(relative);
}

std::string file_uri_for(const std::string& path, const LocalFiles& files)
{
    const PathKind kind = files.kind ? files.kind(path) : PathKind::Missing;
    return file_uri_from_path(path, kind);
}

} // namespace

LocalFiles real_local_files()
{
    LocalFiles files;
    files.kind = [](const std::string& path) {
        std::error_code ec;
        const auto status = std::filesystem::status(path, ec);
        if (ec || !std::filesystem::exists(status))
            return PathKind::Missing;
        return std::filesystem::is_directory(status) ? PathKind::Folder : PathKind::File;
    };
    if (const char* home = std::getenv("HOME"))
        files.home = home;
    std::error_code ec;
    const auto cwd = std::filesystem::current_path(ec);
    if (!ec)
        files.cwd = cwd.string();
    return files;
}

std::string uri_scheme(std::string_view text)
{
    if (text.empty() || !is_alpha(text.front()))
        return {};
    std::size_t i = 1;
    while (i < text.size() &&
           (is_alpha(text[i]) || is_digit(text[i]) || text[i] == '+' || text[i] == '-' || text[i] == '.'))
        ++i;
    if (i >= text.size() || text[i] != ':')
        return {};
    // One letter is a drive letter, not a scheme.
    if (i == 1)
        return {};
    // "host:8080" and "host:8080/path" name a port.
    std::size_t j = i + 1;
    while (j < text.size() && is_digit(text[j]))
        ++j;
    if (j > i + 1 && (j == text.size() || text[j] == '/' || text[j] == '?' || text[j] == '#'))
        return {};
    std::string scheme;
    for (std::size_t k = 0; k < i; ++k)
        scheme += lower(text[k]);
    return scheme;
}

std::string parsed_scheme(std::string_view text)
{
    const auto c0_or_blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!text.empty() && c0_or_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && c0_or_blank(text.back()))
        text.remove_suffix(1);
    std::string scheme;
    for (const char c : text) {
        if (c == '\t' || c == '\n' || c == '\r')
            continue;
        if (c == ':')
            return scheme;
        const bool fits =
            scheme.empty() ? is_alpha(c) : is_alpha(c) || is_digit(c) || c == '+' || c == '-' || c == '.';
        if (!fits)
            return {};
        scheme += lower(c);
    }
    return {};
}

std::string percent_encode(std::string_view bytes, std::string_view keep)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        const bool unreserved =
            is_alpha(ch) || is_digit(ch) || ch == '-' || ch == '.' || ch == '_' || ch == '~';
        if (unreserved || (c < 0x80 && keep.find(ch) != std::string_view::npos)) {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    return out;
}

std::string percent_decode(std::string_view text)
{
    auto hex_value = [](char c) -> int {
        if (is_digit(c))
            return c - '0';
        c = lower(c);
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = hex_value(text[i + 1]);
            const int lo = hex_value(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string file_uri_from_path(std::string_view absolute_path, PathKind kind)
{
    std::string uri = "file://" + percent_encode(absolute_path, "/");
    if (kind == PathKind::Folder && (uri.empty() || uri.back() != '/'))
        uri += '/';
    return uri;
}

std::optional<std::string> path_from_file_uri(std::string_view uri)
{
    if (uri_scheme(uri) != "file")
        return std::nullopt;
    std::string_view rest = uri.substr(5);
    rest = rest.substr(0, rest.find_first_of("?#"));
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const auto slash = rest.find('/');
        std::string host(rest.substr(0, slash));
        for (char& c : host)
            c = lower(c);
        if (!host.empty() && host != "localhost")
            return std::nullopt;
        if (slash == std::string_view::npos)
            return std::string("/");
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest.front() != '/')
        return std::nullopt;
    return percent_decode(rest);
}

std::optional<std::string> fixup_address(std::string_view typed, const LocalFiles& files)
{
    // Judged before anything else, on the text as the engine will read it:
    // "java<TAB>script:" and "<U+0001>javascript:" are script addresses too.
    if (parsed_scheme(typed) == "javascript")
        return std::nullopt;
    const std::string_view text = trim(typed);
    if (text.empty())
        return std::string();

    if (text.front() == '/')
        return file_uri_for(std::string(text), files);
    if (!files.home.empty() && (text == "~" || text.substr(0, 2) == "~/"))
        return file_uri_for(files.home + std::string(text.substr(1)), files);

    const std::string scheme = uri_scheme(text);
    if (!scheme.empty())
        return std::string(text);

    if (!files.cwd.empty() && files.kind) {
        const std::string path = join_path(files.cwd, text);
        if (files.kind(path) != PathKind::Missing)
            return file_uri_for(path, files);
    }
    if (looks_like_host(text))
        return "http://" + std::string(text);
    return std::string(text);
}

} // namespace driftway::browser
