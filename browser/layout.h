#pragma once

namespace driftway::browser {

// Geometry in twips (1/1440 inch), as single-precision floats.
struct Rect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

namespace twips {
inline constexpr float kToolbarHeight = 495;
inline constexpr float kStatusHeight = 375;
inline constexpr float kFullScreenBarHeight = 15;
inline constexpr float kBrowserTop = 600;
inline constexpr float kAddressLeft = 6000;
inline constexpr float kBrowserRightMargin = 20;
inline constexpr float kSpaceBelowBrowser = 400;
inline constexpr float kTreeMargin = 60;
inline constexpr float kTreeDragMargin = 80;
inline constexpr float kMinPaneWidth = 300;
inline constexpr float kInitialClientWidth = 13350;
inline constexpr float kInitialClientHeight = 9255;
inline constexpr float kNewWindowOffset = 300;
}  // namespace twips

// Everything the main window places, in twips relative to the client area
// (the part of the window below its menu bar). Docked panes are derived from
// the client size and their own height or width.
struct Layout {
    float client_width = twips::kInitialClientWidth;
    float client_height = twips::kInitialClientHeight;

    float toolbar_height = twips::kToolbarHeight;
    float status_height = twips::kStatusHeight;
    bool left_visible = false;
    float left_width = 3015;

    Rect address{6000, 40, 6075, 345};  // inside the toolbar
    Rect browser{3000, 600, 10335, 8280};
    Rect tree{20, 1440, 2895, 2415};  // inside the favourites pane

    Rect toolbar_rect() const { return {0, 0, client_width, toolbar_height}; }
    Rect status_rect() const { return {0, client_height - status_height, client_width, status_height}; }
    // The favourites pane spans the height between the two bars.
    Rect left_rect() const
    {
        const float h = client_height - toolbar_height - status_height;
        return {0, toolbar_height, left_width, h < 0 ? 0 : h};
    }
};

// The layout routine run on every size change of the window. Returns true
// when it ended full-screen mode (the caller then clears the menu's mark).
bool form_resize(Layout& layout, WindowState state, bool& full_screen);

// The favourites pane was resized: the tree follows its inner size.
void pane_resize(Layout& layout);

// A splitter drag moved the pointer to x (pane coordinates).
void splitter_move(Layout& layout, float x);

// Full-screen geometry: both bars shrink to a strip and the browser fills the
// client height; leaving it restores the normal bars.
void enter_full_screen_geometry(Layout& layout);
void leave_full_screen_geometry(Layout& layout);

// The toolbar's background tiles: x positions (pixels) of one row for a toolbar
// whose inner width is inner_width_twips, at twips_per_pixel_x.
int round_half_even(float value);
struct TileRow {
    int step_twips = 0;
    int last_twips = 0;
};
TileRow tile_row(float inner_width_twips, float twips_per_pixel_x);

}  // namespace driftway::browser
