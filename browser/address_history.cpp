#include "browser/address_history.h"

#include <algorithm>

namespace driftway::browser {

void AddressHistory::visit(const std::string& address)
{
    const auto it = std::find(m_entries.begin(), m_entries.end(), address);
    if (it != m_entries.end())
        m_entries.erase(it);
    m_entries.insert(m_entries.begin(), address);
}

}  // namespace driftway::browser
