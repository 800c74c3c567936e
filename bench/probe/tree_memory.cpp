// Prints the memory of a process and everything it started: the summed
// proportional set size and the number of distinct physical pages resident in
// the whole tree. Frames are only visible to root.
// Usage: tree_memory PID
// Output: PROCESSES PSS_KIB DISTINCT_KIB NAME,NAME,...
#include "bench/probe/proc_memory.h"

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
    std::uint64_t pss_kib = 0;
    std::vector<std::uint64_t> frames;
    std::string names;
    for (const auto& p : tree) {
        const std::string base = "/proc/" + std::to_string(p.pid);
        pss_kib += smaps_field_kib(slurp(base + "/smaps_rollup"), "Pss").value_or(0);
        const int fd = ::open((base + "/pagemap").c_str(), O_RDONLY);
        if (fd >= 0) {
            collect_frames(fd, resident_regions(slurp(base + "/smaps")), page_size, frames);
            ::close(fd);
        }
        names += (names.empty() ? "" : ",") + p.name;
    }
    const std::size_t distinct = distinct_count(frames);
    if (distinct == 0) {
        std::fprintf(stderr, "tree_memory: no physical frames visible (run as root)\n");
        return 1;
    }
    std::printf("%zu %llu %llu %s\n", tree.size(), static_cast<unsigned long long>(pss_kib),
                static_cast<unsigned long long>(distinct * page_size / 1024), names.c_str());
    return 0;
}
