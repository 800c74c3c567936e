#pragma once

#include <string>
#include <string_view>

namespace driftway::browser {

// A page's title or address made safe for the window title, which the window
// manager, task bars and screen readers show as it is: line breaks, tabs and
// other control characters become blanks (runs of them one blank), and the
// invisible direction marks and overrides (U+202E turns the rest of a title
// around, so "evil\u202Egpj.exe" reads as "evilexe.jpg") are left out. Bytes
// that are not UTF-8 are kept for the window to replace.
std::string safe_title(std::string_view text);

} // namespace driftway::browser
