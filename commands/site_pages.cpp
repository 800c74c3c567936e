#include "commands/site_pages.h"

#include <array>

namespace driftway::commands {

namespace {

constexpr std::array<SitePage, 5> kNews{{
    {"Technology News (Computer, Internet, ...)", "tech_news.htm"},
    {"Entertainment News (Movies, Games, ...)", "entertainment_news.htm"},
    {"Business News (Stock Market)", "business_news.htm"},
    {"Sports News (Golf, Tennis, ...)", "sports_news.htm"},
    {"World News (Politics, World Events, ...)", "world_news.htm"},
}};

constexpr std::array<SitePage, 8> kTrial{{
    {"Inkwell Editor (3.1 MB, text editor)", "inkwell/inkwell_setup.exe"},
    {"Ledgerline Accounts (5.8 MB, bookkeeping)", "ledgerline/ledgerline_setup.msi"},
    {"Paperkite Publisher (7.2 MB, desktop publishing)", "paperkite/paperkite_setup.exe"},
    {"Tallyho Timesheets (1.9 MB, time tracking)", "tallyho/tallyho_setup.exe"},
    {"Mapleroot Family Tree (4.4 MB, genealogy)", "mapleroot/mapleroot_setup.msi"},
    {"Glasswing Photo Album (6.0 MB, photo organiser)", "glasswing/glasswing_setup.exe"},
    {"Harbourmaster FTP (2.2 MB, file transfer)", "harbourmaster/harbour_setup.exe"},
    {"Quillmere Office (18.5 MB, office suite)", "office/quillmere_office.msi"},
}};

constexpr std::array<SitePage, 7> kDemo{{
    {"Orbit Planetarium (850 KB, Java demo)", "orbit/orbit_demo.exe"},
    {"Tidewater Charts (620 KB, Java demo)", "tidewater/tidewater_demo.exe"},
    {"Wordwheel Puzzles (410 KB, Java demo)", "wordwheel/wordwheel_demo.exe"},
    {"Pendulum Lab (530 KB, Java demo)", "pendulum/pendulum_demo.exe"},
    {"Chessnut Trainer (1.1 MB, Java demo)", "chessnut/chessnut_demo.msi"},
    {"Skyline Sketcher (760 KB, Java demo)", "skyline/skyline_demo.exe"},
    {"Metronome Studio (390 KB, Java demo)", "metronome/metronome_demo.exe"},
}};

constexpr std::array<SitePage, 7> kFree{{
    {"Pocket Calendar (640 KB, freeware)", "pocketcal/pocketcal_setup.exe"},
    {"Quick Unit Converter (310 KB, freeware)", "converter/converter_setup.exe"},
    {"Clipboard Keeper (280 KB, freeware)", "clipkeeper/clipkeeper_setup.exe"},
    {"Desk Clock (190 KB, freeware)", "deskclock/deskclock_setup.exe"},
    {"Font Gallery (720 KB, freeware)", "fontgallery/fontgallery_setup.msi"},
    {"Screen Ruler (150 KB, freeware)", "ruler/ruler_setup.exe"},
    {"Recipe Box (980 KB, freeware)", "recipebox/recipebox_setup.msi"},
}};

} // namespace

std::span<const SitePage> news_pages()
{
    return kNews;
}

std::span<const SitePage> trial_downloads()
{
    return kTrial;
}

std::span<const SitePage> demo_downloads()
{
    return kDemo;
}

std::span<const SitePage> free_downloads()
{
    return kFree;
}

std::optional<std::string> online_page_path(int index)
{
    switch (index) {
    case 0:
        return "driftway.htm";
    case 1:
        return "";
    case 3:
        return "catalog.htm";
    case 4:
        return "store.htm";
    case 6:
        return "service.htm";
    case 7:
        return "Feedback.htm";
    case 12:
        return "Free_Downloads.htm";
    case 15:
        return "brindle.htm";
    default:
        return std::nullopt;
    }
}

std::string site_page_path(std::span<const SitePage> pages, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= pages.size())
        return {};
    return pages[static_cast<std::size_t>(index)].path;
}

} // namespace driftway::commands
