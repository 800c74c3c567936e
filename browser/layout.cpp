#include "browser/layout.h"

#include <cmath>

namespace driftway::browser {

namespace {

// A width or height that would be negative is refused and the old value kept,
// as the windowing layer does.
void set_size(float& field, float value)
{
    if (value >= 0)
        field = value;
}

}  // namespace

bool form_resize(Layout& layout, WindowState state, bool& full_screen)
{
    if (state == WindowState::Minimized)
        return false;
    bool ended = false;
    if (full_screen) {
        full_screen = false;
        ended = true;
        leave_full_screen_geometry(layout);
    }
    set_size(layout.address.width, layout.client_width - twips::kAddressLeft);
    layout.browser.left = layout.left_visible ? layout.left_width : 0;
    set_size(layout.browser.width, layout.client_width - layout.browser.left - twips::kBrowserRightMargin);
    set_size(layout.browser.height, layout.client_height - twips::kSpaceBelowBrowser - layout.browser.top);
    return ended;
}

void pane_resize(Layout& layout)
{
    const Rect pane = layout.left_rect();
    set_size(layout.tree.width, pane.width - twips::kTreeMargin);
    set_size(layout.tree.height, pane.height - layout.tree.top - twips::kTreeMargin);
}

void splitter_move(Layout& layout, float x)
{
    if (x < twips::kMinPaneWidth)
        x = twips::kMinPaneWidth;
    layout.left_width = x;
    pane_resize(layout);
    set_size(layout.tree.width, layout.left_width - twips::kTreeDragMargin);
    layout.browser.left = layout.left_width;
    // A pane dragged past the window's right edge leaves the browser at width
    // 0 rather than refusing the drag or going negative.
    const float width = layout.client_width - layout.left_width;
    layout.browser.width = width < 0 ? 0 : width;
}

void enter_full_screen_geometry(Layout& layout)
{
    layout.toolbar_height = twips::kFullScreenBarHeight;
    layout.status_height = twips::kFullScreenBarHeight;
    layout.browser.top = 0;
    set_size(layout.browser.height, layout.client_height);
}

void leave_full_screen_geometry(Layout& layout)
{
    layout.toolbar_height = twips::kToolbarHeight;
    layout.status_height = twips::kStatusHeight;
    layout.browser.top = twips::kBrowserTop;
}

int round_half_even(float value)
{
    return static_cast<int>(std::nearbyint(value));  // the default rounding mode goes to even
}

TileRow tile_row(float inner_width_twips, float twips_per_pixel_x)
{
    return {round_half_even(6 * twips_per_pixel_x), round_half_even(inner_width_twips - 1)};
}

}  // namespace driftway::browser
