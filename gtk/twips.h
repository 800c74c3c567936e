#pragma once

#include <cmath>

namespace driftway::gtk {

// Twips per pixel of the default screen (1440 / DPI), 15 when unknown.
float twips_per_pixel();

inline int to_pixels(float twips, float tpp)
{
    return static_cast<int>(std::lround(twips / tpp));
}

}  // namespace driftway::gtk
