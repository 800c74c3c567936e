#include "browser/address_history.h"

#include <algorithm>

namespace driftway::browser {

HistoryChange AddressHistory::visit(const std::string& address)
{
    HistoryChange change;
    const auto it = std::find(m_entries.begin(), m_entries.end(), address);
    if (it != m_entries.end()) {
        change.removed = static_cast<int>(it - m_entries.begin());
        m_entries.erase(it);
    }
    m_entries.insert(m_entries.begin(), address);
    if (m_entries.size() > kMaxEntries) {
        m_entries.pop_back();
        change.dropped_oldest = true;
    }
    return change;
}

} // namespace driftway::browser
