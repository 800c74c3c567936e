// Reading a process tree's memory out of /proc: which processes belong to the
// tree, their proportional set size, and the physical pages they keep
// resident. Kept apart from the tool so that the parsing can be tested on
// text and files of our own.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace driftway::bench {

struct ProcessEntry {
    int pid = 0;
    int ppid = 0;
    std::string name;
    // Processor time used so far, user and system, in clock ticks.
    std::uint64_t cpu_ticks = 0;
};

// Parses one /proc/PID/stat line. The command name sits in parentheses and
// may itself hold spaces and parentheses, so the fields after it are found
// from the last closing one.
inline std::optional<ProcessEntry> parse_stat(std::string_view stat)
{
    const auto open = stat.find('(');
    const auto close = stat.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::nullopt;
    ProcessEntry entry;
    entry.pid = std::atoi(std::string(stat.substr(0, open)).c_str());
    entry.name = std::string(stat.substr(open + 1, close - open - 1));
    std::istringstream rest{std::string(stat.substr(close + 1))};
    std::string state;
    if (!(rest >> state >> entry.ppid) || entry.pid <= 0)
        return std::nullopt;
    // Then the group, session, terminal, its group, flags and four fault
    // counters come before the user and system times.
    std::string skip;
    for (int i = 0; i < 9 && rest >> skip; ++i) {
    }
    std::uint64_t user = 0, system = 0;
    if (rest >> user >> system)
        entry.cpu_ticks = user + system;
    return entry;
}

// Every process of the system, as /proc shows it now.
inline std::vector<ProcessEntry> all_processes()
{
    std::vector<ProcessEntry> all;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return all;
    while (const dirent* e = ::readdir(proc)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9')
            continue;
        std::ifstream in(std::string("/proc/") + e->d_name + "/stat");
        std::string line;
        if (std::getline(in, line))
            if (auto entry = parse_stat(line))
                all.push_back(std::move(*entry));
    }
    ::closedir(proc);
    return all;
}

// The root and every process below it, the root first and each parent
// before its children.
inline std::vector<ProcessEntry> process_tree(int root, const std::vector<ProcessEntry>& all)
{
    std::multimap<int, const ProcessEntry*> children;
    const ProcessEntry* top = nullptr;
    for (const auto& e : all) {
        children.emplace(e.ppid, &e);
        if (e.pid == root)
            top = &e;
    }
    std::vector<ProcessEntry> tree;
    if (!top)
        return tree;
    tree.push_back(*top);
    // A snapshot of /proc taken while processes come and go may hold a
    // reused number; each process is taken once, so no loop can form.
    std::set<int> taken{top->pid};
    // Indexes, not references: the vector grows while it is walked.
    for (std::size_t i = 0; i < tree.size(); ++i) {
        const auto [first, last] = children.equal_range(tree[i].pid);
        for (auto it = first; it != last; ++it)
            if (taken.insert(it->second->pid).second)
                tree.push_back(*it->second);
    }
    return tree;
}

// The value in kB of a "Name:   1234 kB" line of smaps or smaps_rollup.
inline std::optional<std::uint64_t> smaps_field_kib(std::string_view text, std::string_view field)
{
    std::size_t at = 0;
    while (at < text.size()) {
        const auto end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        if (line.size() > field.size() && line.substr(0, field.size()) == field && line[field.size()] == ':')
            return std::strtoull(std::string(line.substr(field.size() + 1)).c_str(), nullptr, 10);
        at = end + 1;
    }
    return std::nullopt;
}

struct Region {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
};

// The address ranges of /proc/PID/smaps that hold any resident page; the
// others are skipped, which matters for the engine's large reservations.
inline std::vector<Region> resident_regions(std::string_view smaps)
{
    std::vector<Region> regions;
    std::optional<Region> current;
    std::size_t at = 0;
    while (at < smaps.size()) {
        const auto end = std::min(smaps.find('\n', at), smaps.size());
        const std::string line(smaps.substr(at, end - at));
        at = end + 1;
        const auto dash = line.find('-');
        const auto space = line.find(' ');
        if (dash != std::string::npos && space != std::string::npos && dash < space &&
            line.find_first_not_of("0123456789abcdef") == dash) {
            current = Region{std::strtoull(line.c_str(), nullptr, 16),
                             std::strtoull(line.c_str() + dash + 1, nullptr, 16)};
        } else if (current && line.rfind("Rss:", 0) == 0) {
            if (std::strtoull(line.c_str() + 4, nullptr, 10) > 0 && current->end > current->start)
                regions.push_back(*current);
            current.reset();
        }
    }
    return regions;
}

// A pagemap entry names a physical frame only when the page is present;
// swapped pages and pages never touched name none.
inline std::optional<std::uint64_t> frame_of(std::uint64_t entry)
{
    constexpr std::uint64_t present = std::uint64_t{1} << 63;
    constexpr std::uint64_t frame_mask = (std::uint64_t{1} << 55) - 1;
    if (!(entry & present))
        return std::nullopt;
    const std::uint64_t frame = entry & frame_mask;
    // Without the right to see frames the kernel reports zero for each.
    if (frame == 0)
        return std::nullopt;
    return frame;
}

// Appends the frames of the resident pages of the given ranges, read from an
// open pagemap file.
inline void collect_frames(int pagemap_fd, const std::vector<Region>& regions, std::size_t page_size,
                           std::vector<std::uint64_t>& frames)
{
    constexpr std::size_t chunk = 65536;
    std::vector<std::uint64_t> entries(chunk);
    for (const auto& r : regions) {
        for (std::uint64_t page = r.start / page_size; page < r.end / page_size;) {
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::uint64_t>(chunk, r.end / page_size - page));
            const ssize_t got = ::pread(pagemap_fd, entries.data(), want * sizeof(std::uint64_t),
                                        static_cast<off_t>(page * sizeof(std::uint64_t)));
            if (got <= 0)
                break;
            const std::size_t n = static_cast<std::size_t>(got) / sizeof(std::uint64_t);
            for (std::size_t i = 0; i < n; ++i)
                if (const auto frame = frame_of(entries[i]))
                    frames.push_back(*frame);
            page += n;
        }
    }
}

// Each physical page once, however many processes or mappings share it.
inline std::size_t distinct_count(std::vector<std::uint64_t>& frames)
{
    std::sort(frames.begin(), frames.end());
    return static_cast<std::size_t>(std::unique(frames.begin(), frames.end()) - frames.begin());
}

} // namespace driftway::bench
