// Files that never end where shortcuts and settings are expected: a named
// pipe, a link to /dev/zero and an oversized file are passed over at once by
// every reader (export, import, the tree's click, the settings and registry
// stores). Needs mkfifo and /dev/zero.
#include "favourites/bookmarks_export.h"
#include "favourites/bookmarks_import.h"
#include "favourites/internet_shortcut.h"
#include "favourites/paths.h"
#include "platform/registry_store.h"
#include "platform/settings_store.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using driftway::testing::TempDir;
namespace fav = driftway::favourites;

// Runs `work` and ends the whole test program when it takes more than a few
// seconds: a reader stuck on a pipe never returns, and one reading /dev/zero
// would take all the machine's memory.
void promptly(const std::string& what, const std::function<void()>& work)
{
    auto done = std::async(std::launch::async, work);
    if (done.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
        std::fprintf(stderr, "%s did not end\n", what.c_str());
        std::_Exit(1);
    }
    done.get();
}

TEST(EndlessFiles, ShortcutsThatNeverEndArePassedOverByEveryReader)
{
    TempDir dir;
    const std::string root = dir.str() + "/Favorites";
    dir.write("Favorites/good.url", fav::internet_shortcut_text("https://good.example/"));
    dir.write("Favorites/huge.url", "[InternetShortcut]\r\nURL=https://huge.example/" +
                                        std::string(fav::kMaxShortcutFileSize, 'x') + "\r\n");
    const std::string fifo = root + "/pipe.url";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (root + "/zero.url").c_str()), 0);

    for (const char* name : {"pipe.url", "zero.url", "huge.url"}) {
        promptly(std::string("reading ") + name, [&] {
            EXPECT_EQ(fav::read_internet_shortcut(root + "/" + name), std::nullopt) << name;
            EXPECT_EQ(fav::ReadINI(root + "/" + name, "InternetShortcut", "URL"), "") << name;
        });
    }

    promptly("the export", [&] {
        std::string html;
        const auto result = fav::bookmarks_html(root, html);
        EXPECT_TRUE(result.ok());
        EXPECT_EQ(result.links, 1u);
        EXPECT_EQ(result.skipped, 3u);
        EXPECT_NE(html.find("https://good.example/"), std::string::npos);
    });

    // Bookmarks named like the endless files meet them as name collisions.
    const auto bookmarks = dir.write("bookmarks.html", "<!DOCTYPE NETSCAPE-Bookmark-file-1><DL>"
                                                       "<DT><A HREF=\"https://a.example/\">pipe</A>"
                                                       "<DT><A HREF=\"https://b.example/\">zero</A>"
                                                       "<DT><A HREF=\"https://c.example/\">huge</A></DL>");
    promptly("the import", [&] {
        const auto result = fav::import_bookmarks(bookmarks.string(), root);
        EXPECT_TRUE(result.ok()) << result.error.value_or("");
        EXPECT_EQ(result.links_written, 3u);
    });
    EXPECT_EQ(fav::read_internet_shortcut(root + "/zero (2).url"), "https://b.example/");
}

TEST(EndlessFiles, SettingsAndRegistryFilesThatArePipesAreSetAside)
{
    TempDir dir;
    dir.mkdir("Quillmere");
    dir.mkdir("Driftway");
    const std::string settings = dir.str() + "/Quillmere/settings.ini";
    const std::string registry = dir.str() + "/Driftway/registry";
    ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(registry.c_str(), 0600), 0);

    promptly("reading the settings", [&] {
        driftway::platform::SettingsStore store(dir.str());
        EXPECT_EQ(store.get_setting("Quillmere", "Driftway", "open-HTML", "0"), "0");
        const auto warnings = store.take_warnings();
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_NE(warnings[0].find("not a regular file"), std::string::npos) << warnings[0];
        EXPECT_EQ(store.save_setting("Quillmere", "Driftway", "open-HTML", "1"), std::nullopt);
        EXPECT_EQ(store.get_setting("Quillmere", "Driftway", "open-HTML"), "1");
    });
    promptly("opening the registry", [&] {
        driftway::platform::RegistryStore store(registry, nullptr);
        EXPECT_EQ(store.take_warnings().size(), 1u);
        driftway::platform::Hkey key{};
        EXPECT_EQ(store.RegCreateKeyA(driftway::platform::Hkey::HKEY_CLASSES_ROOT, ".htm", key),
                  driftway::platform::RegStatus::ERROR_SUCCESS);
        store.RegCloseKey(key);
    });
}

} // namespace
