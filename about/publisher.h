#pragma once

namespace driftway::about {

// The publisher's web site. Every page and download the program links to is
// an address relative to this base; the base itself ends in "/" so that a
// relative path can simply be appended. The site's home address is the base
// without its final "/".
inline constexpr const char* kPublisherBase = "https://www.quillmere.example/";

} // namespace driftway::about
