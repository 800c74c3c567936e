// Prints the memory of a process and everything it started: the summed
// proportional set size and the number of distinct physical pages resident in
// the whole tree. Frames are only visible to root.
// Usage: tree_memory PID
// Output: PROCESSES PSS_KIB DISTINCT_KIB NAME,NAME,...
// then for each process: "  PID NAME PSS_KIB RSS_KIB ALONE_KIB", the last
// being the pages no other process of the tree holds.
#include "bench/probe/proc_memory.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

using namespace driftway::bench;

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tree_memory PID\n");
        return 2;
    }
    const auto tree = process_tree(std::atoi(argv[1]), all_processes());
    if (tree.empty()) {
        std::fprintf(stderr, "tree_memory: no process %s\n", argv[1]);
        return 1;
    }
    const auto page_size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const auto kib = [page_size](std::size_t pages) {
        return static_cast<unsigned long long>(pages * page_size / 1024);
    };
    struct Share {
        std::uint64_t pss_kib = 0;
        std::uint64_t rss_kib = 0;
        std::vector<std::uint64_t> frames;
    };
    std::vector<Share> shares(tree.size());
    std::vector<std::uint64_t> all;
    std::uint64_t pss_kib = 0;
    std::string names;
    for (std::size_t i = 0; i < tree.size(); ++i) {
        const std::string base = "/proc/" + std::to_string(tree[i].pid);
        const std::string rollup = slurp(base + "/smaps_rollup");
        shares[i].pss_kib = smaps_field_kib(rollup, "Pss").value_or(0);
        shares[i].rss_kib = smaps_field_kib(rollup, "Rss").value_or(0);
        pss_kib += shares[i].pss_kib;
        const int fd = ::open((base + "/pagemap").c_str(), O_RDONLY);
        if (fd >= 0) {
            collect_frames(fd, resident_regions(slurp(base + "/smaps")), page_size, shares[i].frames);
            ::close(fd);
        }
        shares[i].frames.resize(distinct_count(shares[i].frames));
        all.insert(all.end(), shares[i].frames.begin(), shares[i].frames.end());
        names += (names.empty() ? "" : ",") + tree[i].name;
    }
    // Pages that only one process of the tree holds are what that process
    // adds; the rest it shares with its relatives.
    std::sort(all.begin(), all.end());
    std::vector<std::uint64_t> shared;
    for (std::size_t i = 1; i < all.size(); ++i)
        if (all[i] == all[i - 1] && (shared.empty() || shared.back() != all[i]))
            shared.push_back(all[i]);
    const std::size_t distinct = distinct_count(all);
    if (distinct == 0) {
        std::fprintf(stderr, "tree_memory: no physical frames visible (run as root)\n");
        return 1;
    }
    std::printf("%zu %llu %llu %s\n", tree.size(), static_cast<unsigned long long>(pss_kib), kib(distinct),
                names.c_str());
    for (std::size_t i = 0; i < tree.size(); ++i) {
        std::size_t alone = 0;
        for (const auto frame : shares[i].frames)
            alone += std::binary_search(shared.begin(), shared.end(), frame) ? 0 : 1;
        std::printf("  %d %s %llu %llu %llu\n", tree[i].pid, tree[i].name.c_str(),
                    static_cast<unsigned long long>(shares[i].pss_kib),
                    static_cast<unsigned long long>(shares[i].rss_kib), kib(alone));
    }
    return 0;
}
