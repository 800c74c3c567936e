#include "favourites/display_text.h"

namespace driftway::favourites {

namespace {

// Length of the valid UTF-8 sequence at the start of `s`, or 0 when its
// first byte does not start one (overlong forms and surrogates are invalid).
std::size_t utf8_sequence(std::string_view s)
{
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = b(0);
    if (c < 0x80)
        return 1;
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0)
            lo = 0xA0;
        if (c == 0xED)
            hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0)
            lo = 0x90;
        if (c == 0xF4)
            hi = 0x8F;
    } else {
        return 0;
    }
    if (s.size() < len || b(1) < lo || b(1) > hi)
        return 0;
    for (std::size_t i = 2; i < len; ++i) {
        if (b(i) < 0x80 || b(i) > 0xBF)
            return 0;
    }
    return len;
}

void append_code_point(std::string& out, unsigned cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// One shown character per step: a valid sequence, or one stray byte.
std::size_t char_step(std::string_view s)
{
    const std::size_t n = utf8_sequence(s);
    return n == 0 ? 1 : n;
}

bool plain(std::string_view raw)
{
    for (const char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c >= 0x7F)
            return false;
    }
    return true;
}

} // namespace

bool shows_as_is(std::string_view raw)
{
    return plain(raw);
}

std::string display_name(std::string_view raw)
{
    if (plain(raw))
        return std::string(raw);
    std::string out;
    out.reserve(raw.size() + 8);
    while (!raw.empty()) {
        const std::size_t n = utf8_sequence(raw);
        const auto c = static_cast<unsigned char>(raw[0]);
        if (n == 0) {
            // C1 controls have no picture; show the replacement character.
            append_code_point(out, c >= 0xA0 ? c : 0xFFFD);
            raw.remove_prefix(1);
        } else if (c < 0x20) {
            append_code_point(out, 0x2400 + c);
            raw.remove_prefix(1);
        } else if (c == 0x7F) {
            append_code_point(out, 0x2421);
            raw.remove_prefix(1);
        } else {
            out.append(raw.substr(0, n));
            raw.remove_prefix(n);
        }
    }
    return out;
}

ItemName item_name(std::string_view raw)
{
    if (plain(raw)) {
        if (raw.size() <= 4)
            return {std::string(raw), raw.size()};
        return {std::string(raw.substr(0, raw.size() - 4)), raw.size() - 4};
    }
    // Offsets of the last four shown characters, oldest first.
    std::size_t starts[4] = {};
    std::size_t seen = 0;
    for (std::size_t pos = 0; pos < raw.size(); pos += char_step(raw.substr(pos)))
        starts[seen++ % 4] = pos;
    if (seen <= 4)
        return {display_name(raw), raw.size()};
    const std::size_t cut = starts[seen % 4];
    return {display_name(raw.substr(0, cut)), cut};
}

std::size_t utf8_length(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += char_step(text.substr(pos)))
        ++count;
    return count;
}

std::string shorten_caption(std::string_view text)
{
    if (text.size() <= kMaxCaptionChars || utf8_length(text) <= kMaxCaptionChars)
        return std::string(text);
    std::size_t pos = 0;
    for (std::size_t i = 0; i < kShortCaptionChars; ++i)
        pos += char_step(text.substr(pos));
    return std::string(text.substr(0, pos)) + "...";
}

std::string menu_caption(std::string_view text)
{
    std::string shortened = shorten_caption(text);
    if (shortened.find('&') == std::string::npos)
        return shortened;
    std::string out;
    out.reserve(shortened.size() + 4);
    for (const char c : shortened) {
        out += c;
        if (c == '&')
            out += '&';
    }
    return out;
}

} // namespace driftway::favourites
