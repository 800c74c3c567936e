#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace driftway::browser {

// What one visit changed in the list, so that the address box can follow it
// without being rebuilt whole: the address went to the top after the earlier
// equal entry at `removed` (or none, -1) was taken out, and the oldest entry
// was dropped when `dropped_oldest` is set.
struct HistoryChange {
    int removed = -1;
    bool dropped_oldest = false;
};

// The address box's list of visited addresses: newest first, no two entries
// equal (exact, case-sensitive), at most kMaxEntries of them (the oldest go).
class AddressHistory {
public:
    static constexpr std::size_t kMaxEntries = 1000;

    // Moves the address to the top, removing an earlier equal entry.
    HistoryChange visit(const std::string& address);

    const std::vector<std::string>& entries() const { return m_entries; }

private:
    std::vector<std::string> m_entries;
};

} // namespace driftway::browser
