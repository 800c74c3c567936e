#pragma once

#include <string>
#include <vector>

namespace driftway::browser {

// The address box's list of visited addresses: newest first, no two entries
// equal (exact, case-sensitive), no length limit.
class AddressHistory {
public:
    // Moves the address to the top, removing an earlier equal entry.
    void visit(const std::string& address);

    const std::vector<std::string>& entries() const { return m_entries; }

private:
    std::vector<std::string> m_entries;
};

}  // namespace driftway::browser
