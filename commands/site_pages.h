#pragma once

#include <optional>
#include <span>
#include <string>

namespace driftway::commands {

// One entry of a list of publisher pages or downloads: the menu caption and
// the address relative to the publisher site base.
struct SitePage {
    const char* caption;
    const char* path;
};

// The Today's News submenu (mnuNews), 5 entries.
std::span<const SitePage> news_pages();
// The download submenus: mnuTrial (8), mnuDemo (7) and mnuFree (7).
std::span<const SitePage> trial_downloads();
std::span<const SitePage> demo_downloads();
std::span<const SitePage> free_downloads();

// The relative path an Online item (mnuOnlItem) opens; nullopt for
// separators, submenu titles and indexes outside the menu.
std::optional<std::string> online_page_path(int index);

// The relative path of entry index of a list; empty outside the list, which
// sends the window to the base address itself.
std::string site_page_path(std::span<const SitePage> pages, int index);

} // namespace driftway::commands
