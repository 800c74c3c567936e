#include "favourites/markup_filter.h"

namespace driftway::favourites {

namespace {

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool letter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

void MarkupFilter::begin_attribute()
{
    ++m_attributes;
    m_keep = m_attributes <= kMaxAttributes;
    m_value_bytes = 0;
}

void MarkupFilter::value_byte(char c, std::string& out)
{
    if (!m_keep)
        return;
    if (m_value_bytes < kMaxValueBytes)
        out += c;
    else if (m_value_bytes == kMaxValueBytes)
        out += kCutMark;
    else
        return;
    ++m_value_bytes;
}

void MarkupFilter::filter(std::string_view in, std::string& out)
{
    out.reserve(out.size() + in.size());
    for (const char c : in) {
        // Most bytes of a file are text or a kept part of a tag, passed on as
        // they are; the states below only decide what is dropped.
        bool emit = true;
        switch (m_state) {
        case State::Text:
            if (c == '<')
                m_state = State::Open;
            break;
        case State::Open:
            if (letter(c)) {
                m_state = State::TagName;
                m_attributes = 0;
                m_keep = true;
            } else if (c == '!') {
                m_state = State::Markup;
            } else if (c == '/' || c == '?') {
                m_state = State::Other;
            } else if (c != '<') {
                m_state = State::Text;
            }
            break;
        case State::TagName:
            if (blank(c) || c == '/')
                m_state = State::BetweenAttrs;
            else if (c == '>')
                m_state = State::Text;
            break;
        case State::BetweenAttrs:
            if (c == '>') {
                m_state = State::Text;
            } else if (blank(c) || c == '/') {
                emit = m_attributes < kMaxAttributes;
            } else {
                begin_attribute();
                m_state = State::AttrName;
                emit = m_keep;
            }
            break;
        case State::AttrName:
            if (c == '>') {
                m_state = State::Text;
                break;
            }
            if (blank(c) || c == '/')
                m_state = State::AfterName;
            else if (c == '=')
                m_state = State::BeforeValue;
            emit = m_keep;
            break;
        case State::AfterName:
            if (c == '>') {
                m_state = State::Text;
                break;
            }
            if (c == '=') {
                m_state = State::BeforeValue;
            } else if (!blank(c) && c != '/') {
                begin_attribute();
                m_state = State::AttrName;
            }
            emit = m_keep;
            break;
        case State::BeforeValue:
            if (c == '>') {
                m_state = State::Text;
                break;
            }
            emit = m_keep;
            if (c == '"' || c == '\'') {
                m_quote = c;
                m_state = State::Quoted;
            } else if (!blank(c)) {
                m_state = State::Unquoted;
                value_byte(c, out);
                emit = false;
            }
            break;
        case State::Quoted:
            if (c == m_quote) {
                m_state = State::BetweenAttrs;
                emit = m_keep;
            } else {
                value_byte(c, out);
                emit = false;
            }
            break;
        case State::Unquoted:
            if (c == '>') {
                m_state = State::Text;
            } else if (blank(c)) {
                m_state = State::BetweenAttrs;
                emit = m_keep;
            } else {
                value_byte(c, out);
                emit = false;
            }
            break;
        case State::Markup:
            m_state = c == '-' ? State::MarkupDash : c == '>' ? State::Text : State::Other;
            break;
        case State::MarkupDash:
            m_state = c == '-' ? State::Comment : c == '>' ? State::Text : State::Other;
            m_dashes = 0;
            break;
        case State::Comment:
            if (c == '>' && m_dashes >= 2)
                m_state = State::Text;
            m_dashes = c == '-' ? m_dashes + 1 : 0;
            break;
        case State::Other:
            if (c == '>')
                m_state = State::Text;
            break;
        }
        if (emit)
            out += c;
    }
}

} // namespace driftway::favourites
