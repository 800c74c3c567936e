// A Favorites folder of 100,000 favourites in 520 folders: load, refresh,
// search, rename, move and delete, with the whole tree compared after each.
// Needs a real temporary folder; takes a few seconds.
#include "tests/unit/favourites/fav_doubles.h"
#include "torture_support.h"

#include "favourites/context_menu.h"
#include "favourites/fav_search.h"
#include "favourites/internet_shortcut.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace driftway::favourites;
using driftway::testing::differences;
using driftway::testing::FavWindowDouble;
using driftway::testing::moved;
using driftway::testing::ScopedEnv;
using driftway::testing::snapshot;
using driftway::testing::TempDir;
using driftway::testing::tree_vs_disk;
using driftway::testing::without;
using Clock = std::chrono::steady_clock;

constexpr int kGroups = 20;
constexpr int kTopics = 25;
constexpr int kPages = 200;
constexpr int kFavourites = kGroups * kTopics * kPages;

std::string numbered(const char* format, int n)
{
    char text[64];
    std::snprintf(text, sizeof text, format, n);
    return text;
}

void write_small(const std::string& path, const std::string& content)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    ::close(fd);
}

// Group NN/Topic NN/Page NNN.url, each shortcut pointing somewhere else.
void make_tree(const std::string& root)
{
    int n = 0;
    for (int g = 0; g < kGroups; ++g) {
        const std::string group = root + numbered("Group %02d", g);
        ASSERT_EQ(::mkdir(group.c_str(), 0755), 0);
        for (int t = 0; t < kTopics; ++t) {
            const std::string topic = group + numbered("/Topic %02d", t);
            ASSERT_EQ(::mkdir(topic.c_str(), 0755), 0);
            for (int p = 0; p < kPages; ++p, ++n)
                write_small(topic + numbered("/Page %03d.url", p),
                            internet_shortcut_text("https://example.org/" + std::to_string(n)));
        }
    }
}

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(LargeTree, AHundredThousandFavouritesSurviveEveryOperation)
{
    // Each small file takes a page of memory there: about 400 MiB in all.
    ScopedEnv tmp{"TMPDIR", driftway::testing::fast_temp_folder(std::uint64_t{1} << 30)};
    TempDir dir;
    ScopedEnv env{"DRIFTWAY_FAVORITES", dir.str()};
    const std::string root = dir.str() + "/";
    ASSERT_NO_FATAL_FAILURE(make_tree(root));
    // The one page that a search can find, in the last folder of all.
    const std::string needle = "Group 19/Topic 24/Needle in the haystack.url";
    write_small(root + needle, internet_shortcut_text("https://example.org/needle"));

    ModFaves faves;
    FavWindowDouble window;
    auto start = Clock::now();
    faves.LoadFavorites(window);
    std::printf("load of %d favourites: %.2f s\n", kFavourites + 1, seconds_since(start));
    ASSERT_EQ(faves.FavItems(window).size(), static_cast<std::size_t>(kFavourites + 1));
    ASSERT_EQ(window.tree.Count(), 1 + kGroups + kGroups * kTopics + kFavourites + 1);
    ASSERT_EQ(tree_vs_disk(window.tree, root), "");
    const auto menu = window.menu->root();
    ASSERT_EQ(menu.children.size(), 3u + kGroups);

    // Search walks the whole tree to the last folder, then reports the miss
    // without wrapping.
    {
        FavSearch search(window.tree, window.prompts_double);
        start = Clock::now();
        const int hit = search.cmdSearch_Click("NEEDLE");
        EXPECT_EQ(hit, window.node(root + needle));
        EXPECT_EQ(window.tree.SelectedItem(), hit);
        EXPECT_EQ(search.cmdSearch_Click("NEEDLE"), 0);
        EXPECT_EQ(window.prompts_double.messages,
                  std::vector<std::string>{"Not Found|Search term not found"});
        EXPECT_EQ(search.caption(), "&Search");
        std::printf("two searches over %d nodes: %.2f s\n", window.tree.Count(), seconds_since(start));
        window.prompts_double.messages.clear();
    }

    // A refresh picks up what changed behind the program's back.
    ::unlink((root + needle).c_str());
    write_small(root + "Group 00/Fresh.url", internet_shortcut_text("https://example.org/fresh"));
    start = Clock::now();
    mnuRFav_Click(faves, window, kRFavRefresh);
    std::printf("refresh: %.2f s\n", seconds_since(start));
    EXPECT_EQ(tree_vs_disk(window.tree, root), "");
    EXPECT_EQ(faves.FavItems(window).size(), static_cast<std::size_t>(kFavourites + 1));

    auto expected = snapshot(dir.str());
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(kGroups + kGroups * kTopics + kFavourites + 1));

    // Rename one page among a hundred thousand.
    window.tree.SetSelected(window.node(root + "Group 07/Topic 13/Page 150.url"), true);
    EXPECT_EQ(faves.AfterLabelEdit(window, "Read later"), LabelEdit::Accept);
    expected =
        moved(std::move(expected), "Group 07/Topic 13/Page 150.url", "Group 07/Topic 13/Read later.url");
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");
    EXPECT_EQ(window.selected_key(), root + "Group 07/Topic 13/Read later.url");
    EXPECT_EQ(tree_vs_disk(window.tree, root), "");

    // Move a folder of 200 pages into another group.
    window.tree.SetSelected(window.node(root + "Group 03/Topic 07/"), true);
    window.dialogs_double.browse_answer = root + "Group 18";
    mnuRFav_Click(faves, window, kRFavMoveTo);
    expected = moved(std::move(expected), "Group 03/Topic 07", "Group 18/Topic 07 (2)");
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");
    EXPECT_EQ(window.selected_key(), root + "Group 18/Topic 07 (2)/");
    EXPECT_EQ(tree_vs_disk(window.tree, root), "");

    // Delete a group of 5,000 pages.
    window.tree.SetSelected(window.node(root + "Group 05/"), true);
    start = Clock::now();
    mnuRFav_Click(faves, window, kRFavDelete);
    std::printf("delete of 5,000 and refresh: %.2f s\n", seconds_since(start));
    expected = without(std::move(expected), "Group 05");
    EXPECT_EQ(differences(expected, snapshot(dir.str())), "");
    EXPECT_EQ(window.selected_key(), root);
    EXPECT_EQ(tree_vs_disk(window.tree, root), "");
    EXPECT_EQ(faves.FavItems(window).size(), static_cast<std::size_t>(kFavourites + 1 - kTopics * kPages));
    EXPECT_TRUE(window.prompts_double.messages.empty());
    EXPECT_FALSE(window.tree.frozen());
}

} // namespace
