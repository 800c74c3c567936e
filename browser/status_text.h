#pragma once

#include <string>

namespace driftway::browser {

// The engine's status text: the address of the link under the pointer while
// there is one, else the message of the page load in progress, else nothing
// (the window then shows its default line). A new load forgets the hovered
// link, so that a navigation made with the keyboard does not leave it behind.
class StatusText {
public:
    // Each returns whether the text changed.
    bool hover(const std::string& link);
    bool load_started(const std::string& address);
    bool load_committed(const std::string& address);
    bool load_ended();

    const std::string& text() const { return m_text; }

private:
    bool update();

    std::string m_hover;
    std::string m_load;
    std::string m_text;
};

// The load messages, by stage: the request is out, the page is arriving.
std::string waiting_message(const std::string& address);
std::string opening_message(const std::string& address);

} // namespace driftway::browser
