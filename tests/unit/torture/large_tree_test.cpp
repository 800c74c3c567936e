// A Favorites folder of 100,000 favourites in 520 folders through load,
// search, refresh, rename, move and delete, compared whole after each.
#include "torture_support.h"

#include "favourites/internet_shortcut.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace driftway::favourites;
using driftway::testing::tree_vs_disk;

constexpr int kGroups = 20, kTopics = 25, kPages = 200, kFavourites = kGroups * kTopics * kPages;

std::string numbered(const char* format, int n)
{
    char text[64];
    std::snprintf(text, sizeof text, format, n);
    return text;
}

void write_small(const std::string& path, const std::string& url)
{
    const std::string content = internet_shortcut_text(url);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    ::close(fd);
}

TEST(LargeTree, AHundredThousandFavouritesSurviveEveryOperation)
{
    // Each small file takes a page of memory in /dev/shm: about 400 MiB.
    driftway::testing::FavRig rig(std::uint64_t{1} << 30);
    const std::string root = rig.root();
    for (int g = 0, n = 0; g < kGroups; ++g) {
        ASSERT_EQ(::mkdir((root + numbered("Group %02d", g)).c_str(), 0755), 0);
        for (int t = 0; t < kTopics; ++t) {
            const std::string topic = root + numbered("Group %02d", g) + numbered("/Topic %02d", t);
            ASSERT_EQ(::mkdir(topic.c_str(), 0755), 0);
            for (int p = 0; p < kPages; ++p, ++n)
                ASSERT_NO_FATAL_FAILURE(write_small(topic + numbered("/Page %03d.url", p),
                                                    "https://example.org/" + std::to_string(n)));
        }
    }
    // The one page a search can find, in the last folder of all.
    const std::string needle = "Group 19/Topic 24/Needle in the haystack.url";
    write_small(root + needle, "https://example.org/needle");

    auto& window = rig.window;
    rig.faves.LoadFavorites(window);
    ASSERT_EQ(rig.faves.FavItems(window).size(), static_cast<std::size_t>(kFavourites + 1));
    ASSERT_EQ(window.menu->root().children.size(), 3u + kGroups);
    ASSERT_EQ(tree_vs_disk(window.tree, root), "");

    // Search walks the whole tree to the last folder, then reports the miss.
    EXPECT_EQ(rig.search.cmdSearch_Click("NEEDLE"), rig.node(needle));
    EXPECT_EQ(rig.search.cmdSearch_Click("NEEDLE"), 0);
    EXPECT_EQ(window.prompts_double.texts(), std::vector<std::string>{"Search term not found"});
    window.prompts_double.messages.clear();

    // A refresh picks up what changed behind the program's back.
    ::unlink((root + needle).c_str());
    write_small(root + "Group 00/Fresh.url", "https://example.org/fresh");
    mnuRFav_Click(rig.faves, window, kRFavRefresh);
    EXPECT_EQ(tree_vs_disk(window.tree, root), "");
    rig.expected = driftway::testing::snapshot(rig.dir.str());
    EXPECT_EQ(rig.faves.FavItems(window).size(), static_cast<std::size_t>(kFavourites + 1));

    rig.rename("Group 07/Topic 13/Page 150.url", "Read later", "Group 07/Topic 13/Read later.url");
    rig.check("rename");
    rig.move("Group 03/Topic 07/", "Group 18", "Group 18/Topic 07 (2)");
    rig.check("move of 200 pages");
    rig.remove("Group 05/");
    rig.check("delete of 5,000 pages");
    EXPECT_EQ(window.selected_key(), root);
    EXPECT_EQ(rig.faves.FavItems(window).size(),
              static_cast<std::size_t>(kFavourites + 1 - kTopics * kPages));
    EXPECT_TRUE(window.prompts_double.messages.empty());
    EXPECT_FALSE(window.tree.frozen());
}

} // namespace
