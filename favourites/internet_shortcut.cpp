#include "favourites/internet_shortcut.h"

#include "platform/atomic_file.h"
#include "platform/ini.h"
#include "platform/paths.h"

namespace driftway::favourites {

std::string clean_address(std::string_view url)
{
    std::string cleaned;
    cleaned.reserve(url.size());
    for (const char c : url) {
        if (c != '\t' && c != '\r' && c != '\n')
            cleaned += c;
    }
    const auto is_trimmed = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    std::size_t begin = 0;
    std::size_t end = cleaned.size();
    while (begin < end && is_trimmed(cleaned[begin]))
        ++begin;
    while (end > begin && is_trimmed(cleaned[end - 1]))
        --end;
    return cleaned.substr(begin, end - begin);
}

std::string internet_shortcut_text(std::string_view url)
{
    std::string text = "[InternetShortcut]\r\nURL=";
    text += url;
    text += "\r\n";
    return text;
}

std::optional<std::string> write_internet_shortcut(const std::string& path, const std::string& url)
{
    const std::string what = "Cannot write \"" + display_path(path) + "\": ";
    if (url.empty())
        return what + "the address is empty";
    if (url.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
        return what + "the address contains a line break";
    return platform::write_file_atomic(path, internet_shortcut_text(url));
}

std::optional<std::string> read_internet_shortcut(const std::string& path)
{
    const auto stored = platform::read_stored_file(path, kMaxShortcutFileSize);
    if (stored.status != platform::StoredFile::Status::Read)
        return std::nullopt;
    auto url = platform::IniDocument::parse(stored.content).get("InternetShortcut", "URL");
    if (!url || url->empty())
        return std::nullopt;
    return url;
}

} // namespace driftway::favourites
