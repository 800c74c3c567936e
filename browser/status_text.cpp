#include "browser/status_text.h"

namespace driftway::browser {

std::string waiting_message(const std::string& address)
{
    return "Waiting for " + address + "...";
}

std::string opening_message(const std::string& address)
{
    return "Opening page " + address + "...";
}

bool StatusText::hover(const std::string& link)
{
    m_hover = link;
    return update();
}

bool StatusText::load_started(const std::string& address)
{
    m_hover.clear();
    m_load = waiting_message(address);
    return update();
}

bool StatusText::load_committed(const std::string& address)
{
    m_load = opening_message(address);
    return update();
}

bool StatusText::load_ended()
{
    m_load.clear();
    return update();
}

bool StatusText::update()
{
    const std::string& now = m_hover.empty() ? m_load : m_hover;
    if (now == m_text)
        return false;
    m_text = now;
    return true;
}

} // namespace driftway::browser
