#include "about/internet_options.h"

#include "about/publisher.h"

namespace driftway::about {

namespace {

std::string_view trim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string stored_or(platform::SettingsStore& settings, const char* key, const std::string& fallback)
{
    const std::string stored(
        trim(settings.get_setting(kInternetOptionsApplication, kInternetOptionsSection, key, "")));
    return stored.empty() ? fallback : stored;
}

std::optional<std::string> store(platform::SettingsStore& settings, const char* key, const char* what,
                                 std::string_view address)
{
    address = trim(address);
    for (const char c : address)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return std::string("The ") + what + " address must be a single line of text.";
    if (address.empty())
        return settings.delete_setting(kInternetOptionsApplication, kInternetOptionsSection, key);
    return settings.save_setting(kInternetOptionsApplication, kInternetOptionsSection, key, address);
}

} // namespace

std::string default_home_page()
{
    std::string base = kPublisherBase;
    base.pop_back(); // the site's home is the base without its final "/"
    return base;
}

std::string home_page(platform::SettingsStore& settings)
{
    return stored_or(settings, kHomePageKey, default_home_page());
}

std::string search_page(platform::SettingsStore& settings)
{
    return stored_or(settings, kSearchPageKey, kDefaultSearchPage);
}

std::optional<std::string> set_home_page(platform::SettingsStore& settings, std::string_view address)
{
    return store(settings, kHomePageKey, "home page", address);
}

std::optional<std::string> set_search_page(platform::SettingsStore& settings, std::string_view address)
{
    return store(settings, kSearchPageKey, "search page", address);
}

} // namespace driftway::about
