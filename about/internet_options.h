#pragma once

#include "platform/settings_store.h"

#include <optional>
#include <string>
#include <string_view>

namespace driftway::about {

// Where the Internet Options dialog keeps the home and search pages that the
// engine's GoHome and GoSearch open.
inline constexpr const char* kInternetOptionsApplication = "Driftway";
inline constexpr const char* kInternetOptionsSection = "Internet Options";
inline constexpr const char* kHomePageKey = "Home Page";
inline constexpr const char* kSearchPageKey = "Search Page";

// The defaults: the publisher's home address and a search site.
std::string default_home_page();
inline constexpr const char* kDefaultSearchPage = "https://duckduckgo.com/";

std::string home_page(platform::SettingsStore& settings);
std::string search_page(platform::SettingsStore& settings);

// Store an address as the user typed it, without blanks around it; an empty
// one returns to the default. An address that holds a line break or another
// control character is refused with a message for the user, and nothing is
// stored.
std::optional<std::string> set_home_page(platform::SettingsStore& settings, std::string_view address);
std::optional<std::string> set_search_page(platform::SettingsStore& settings, std::string_view address);

} // namespace driftway::about
