// The benchmark's reading of /proc: process lines, the process tree, smaps
// fields and ranges, and frames out of a pagemap file.
#include "bench/probe/proc_memory.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <tuple>

namespace driftway::bench {
namespace {

TEST(ProcMemory, StatLinesKeepOddCommandNamesAndTheProcessTreeHoldsEachDescendantOnce)
{
    const auto entry = parse_stat("4242 (Web Content (x)) S 17 4242 4242 0 -1 4194560 1 0 0 0");
    ASSERT_TRUE(entry);
    EXPECT_EQ(std::tuple(entry->pid, entry->ppid, entry->name, entry->cpu_ticks),
              std::tuple(4242, 17, std::string("Web Content (x)"), 0u));
    EXPECT_EQ(parse_stat("77 (surf) S 1 77 77 0 -1 4194304 2510 0 3 0 41 12 0 0 20 0 9 0")->cpu_ticks, 53u);
    for (const char* broken : {"", "12 (cut short", "12 (name)"})
        EXPECT_FALSE(parse_stat(broken)) << broken;

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
    EXPECT_EQ(smaps_field_kib("55d0-7ffd ---p 0 00:00 0 [rollup]\nRss: 160544 kB\nPss:  90612 kB\n", "Pss"),
              90612u);
    EXPECT_FALSE(smaps_field_kib("Rss: 4 kB\n", "Swap"));
    EXPECT_FALSE(smaps_field_kib("Pss_Anon: 5 kB\n", "Pss"));

    // Only mappings with resident pages count.
    const auto regions =
        resident_regions("400000-402000 r-xp 0 08:01 42 /usr/bin/a b\nRss: 4 kB\nVmFlags: rd ex\n"
                         "7f0000000000-7f1000000000 ---p 0 00:00 0\nRss: 0 kB\n"
                         "7ffc00000000-7ffc00021000 rw-p 0 00:00 0 [stack]\nRss: 132 kB\n");
    ASSERT_EQ(regions.size(), 2u);
    EXPECT_EQ(regions[0].start, 0x400000u);
    EXPECT_EQ(regions[0].end, 0x402000u);
    EXPECT_EQ(regions[1].start, 0x7ffc00000000u);
}

TEST(ProcMemory, FramesComeOnlyFromPresentPagesAndCountOnce)
{
    constexpr std::uint64_t present = std::uint64_t{1} << 63, swapped = std::uint64_t{1} << 62;
    EXPECT_EQ(frame_of(present | (std::uint64_t{1} << 55) | 7), 7u); // soft-dirty and flags above the frame
    EXPECT_FALSE(frame_of(0x1234));
    EXPECT_FALSE(frame_of(swapped | 0x1234));
    EXPECT_FALSE(frame_of(present)); // frame numbers hidden from a user without the right

    // More than one read's worth of pages, frames at both ends, one shared by
    // two pages, and the last page read through both ranges.
    testing::TempDir dir;
    std::vector<std::uint64_t> entries(70000, 0);
    entries[0] = entries[1] = present | 100;
    entries[2] = swapped | 5;
    entries[69999] = present | 200;
    const auto file =
        dir.write("pagemap", std::string(reinterpret_cast<const char*>(entries.data()), 70000 * 8));
    const int fd = ::open(file.c_str(), O_RDONLY);
    std::vector<std::uint64_t> frames;
    collect_frames(fd, {{0, 70000 * 4096}, {69999 * 4096, 80000 * 4096}}, 4096, frames);
    ::close(fd);
    EXPECT_EQ(frames.size(), 4u);
    EXPECT_EQ(distinct_count(frames), 2u);
}

} // namespace
} // namespace driftway::bench
