#include "gtk/twips.h"

#include <gdk/gdk.h>

namespace driftway::gtk {

float twips_per_pixel()
{
    GdkScreen* screen = gdk_screen_get_default();
    const double dpi = screen ? gdk_screen_get_resolution(screen) : -1;
    if (dpi <= 0)
        return 15.0f;
    return static_cast<float>(1440.0 / dpi);
}

}  // namespace driftway::gtk
