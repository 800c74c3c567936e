#include "browser/window_title.h"

#include <cstdint>

namespace driftway::browser {

namespace {

// The code point of a UTF-8 sequence at text[i] and its length; a byte that
// does not start a valid sequence is returned as itself with length 1.
std::uint32_t decode(std::string_view text, std::size_t i, std::size_t& length)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    length = 1;
    std::size_t extra = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        extra = 1;
    else if (lead >= 0xE0 && lead <= 0xEF)
        extra = 2;
    else if (lead >= 0xF0 && lead <= 0xF4)
        extra = 3;
    if (extra == 0 || i + extra >= text.size())
        return lead;
    std::uint32_t cp = lead & (0x3F >> extra);
    for (std::size_t k = 1; k <= extra; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return lead;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    length = extra + 1;
    return cp;
}

bool is_control(std::uint32_t cp)
{
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029;
}

bool is_direction_mark(std::uint32_t cp)
{
    return cp == 0x061C || cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

} // namespace

std::string safe_title(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    bool blank = false;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 1;
        const std::uint32_t cp = decode(text, i, length);
        if (length == 1 && cp >= 0x80) {
            // Not UTF-8: kept as it is.
            out += text[i];
            blank = false;
        } else if (is_control(cp)) {
            if (!blank)
                out += ' ';
            blank = true;
        } else if (!is_direction_mark(cp)) {
            out.append(text.substr(i, length));
            blank = false;
        }
        i += length;
    }
    return out;
}

} // namespace driftway::browser
