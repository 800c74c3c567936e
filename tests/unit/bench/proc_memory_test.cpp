// The benchmark's reading of /proc: process lines, the process tree, smaps
// fields and ranges, and frames out of a pagemap file. Needs a temporary
// folder only.
#include "bench/probe/proc_memory.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace driftway::bench {
namespace {

TEST(ProcMemory, StatLinesKeepOddCommandNames)
{
    const auto entry = parse_stat("4242 (Web Content (x)) S 17 4242 4242 0 -1 4194560 1 0 0 0");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->pid, 4242);
    EXPECT_EQ(entry->ppid, 17);
    EXPECT_EQ(entry->name, "Web Content (x)");
    EXPECT_EQ(entry->cpu_ticks, 0u);
    const auto timed = parse_stat("77 (surf) S 1 77 77 0 -1 4194304 2510 0 3 0 41 12 0 0 20 0 9 0");
    ASSERT_TRUE(timed);
    EXPECT_EQ(timed->cpu_ticks, 53u);
    EXPECT_FALSE(parse_stat(""));
    EXPECT_FALSE(parse_stat("12 (cut short"));
    EXPECT_FALSE(parse_stat("12 (name)"));
}

TEST(ProcMemory, TreeHoldsTheRootAndAllItsDescendantsOnce)
{
    const std::vector<ProcessEntry> all{{1, 0, "init"},         {10, 1, "browser"}, {11, 10, "network"},
                                        {12, 10, "web"},        {13, 12, "helper"}, {20, 1, "other"},
                                        {21, 20, "other child"}};
    std::vector<std::string> names;
    for (const auto& p : process_tree(10, all))
        names.push_back(p.name);
    EXPECT_EQ(names, (std::vector<std::string>{"browser", "network", "web", "helper"}));
    EXPECT_TRUE(process_tree(99, all).empty());

    // A snapshot taken while numbers were reused can hold a loop.
    const std::vector<ProcessEntry> looped{{5, 6, "a"}, {6, 5, "b"}, {7, 7, "self"}};
    EXPECT_EQ(process_tree(5, looped).size(), 2u);
    EXPECT_EQ(process_tree(7, looped).size(), 1u);
}

TEST(ProcMemory, SmapsFieldsAndResidentRanges)
{
    const std::string rollup = "55d0-7ffd ---p 00000000 00:00 0    [rollup]\n"
                               "Rss:              160544 kB\n"
                               "Pss:               90612 kB\n"
                               "Pss_Dirty:         34882 kB\n";
    EXPECT_EQ(smaps_field_kib(rollup, "Pss"), 90612u);
    EXPECT_EQ(smaps_field_kib(rollup, "Rss"), 160544u);
    EXPECT_FALSE(smaps_field_kib(rollup, "Swap"));
    EXPECT_FALSE(smaps_field_kib("Pss_Anon: 5 kB\n", "Pss"));

    const std::string smaps = "00400000-00402000 r-xp 00000000 08:01 42 /usr/bin/a b\n"
                              "Size:                  8 kB\n"
                              "Rss:                   4 kB\n"
                              "VmFlags: rd ex mr mw me\n"
                              "7f0000000000-7f1000000000 ---p 00000000 00:00 0\n"
                              "Size:           67108864 kB\n"
                              "Rss:                   0 kB\n"
                              "7ffc00000000-7ffc00021000 rw-p 00000000 00:00 0 [stack]\n"
                              "Rss:                 132 kB\n";
    const auto regions = resident_regions(smaps);
    ASSERT_EQ(regions.size(), 2u);
    EXPECT_EQ(regions[0].start, 0x400000u);
    EXPECT_EQ(regions[0].end, 0x402000u);
    EXPECT_EQ(regions[1].start, 0x7ffc00000000u);
}

TEST(ProcMemory, FramesComeOnlyFromPresentPagesAndCountOnce)
{
    constexpr std::uint64_t present = std::uint64_t{1} << 63;
    constexpr std::uint64_t swapped = std::uint64_t{1} << 62;
    EXPECT_EQ(frame_of(present | 0x1234), 0x1234u);
    EXPECT_EQ(frame_of(present | (std::uint64_t{1} << 55) | 7), 7u); // soft-dirty and flags above the frame
    EXPECT_FALSE(frame_of(0x1234));
    EXPECT_FALSE(frame_of(swapped | 0x1234));
    EXPECT_FALSE(frame_of(present)); // frame numbers hidden from a user without the right

    // A pagemap of 70,000 pages, more than one read's worth, with frames at
    // both ends and one shared by two pages.
    testing::TempDir dir;
    const auto path = dir.path() / "pagemap";
    std::vector<std::uint64_t> entries(70000, 0);
    entries[0] = present | 100;
    entries[1] = present | 100;
    entries[2] = swapped | 5;
    entries[69999] = present | 200;
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(entries.data()),
                  static_cast<std::streamsize>(entries.size() * sizeof(std::uint64_t)));
    }
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    std::vector<std::uint64_t> frames;
    const std::size_t page = 4096;
    collect_frames(fd, {{0, 70000 * page}, {69999 * page, 80000 * page}}, page, frames);
    ::close(fd);
    EXPECT_EQ(frames.size(), 4u); // the last page is read twice, through both ranges
    EXPECT_EQ(distinct_count(frames), 2u);
}

} // namespace
} // namespace driftway::bench
