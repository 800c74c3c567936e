// The painted toolbar and its buttons: tile rows, placement, cursor, the
// sunken look and the mouse handling with real input; the shipped file icon.
#include "gtk/resources.h"
#include "gtk/toolbar.h"
#include "tests/gtk/common/wait.h"
#include "tests/gtk/common/x_input.h"

#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <gtkmm/offscreenwindow.h>
#include <gtkmm/window.h>

#include <array>
#include <set>
#include <string>
#include <vector>

namespace driftway::gtk {
namespace {

using namespace driftway::testing;

using Rgb = std::array<int, 3>;

Rgb at(const Glib::RefPtr<Gdk::Pixbuf>& p, int x, int y)
{
    const guint8* px = p->get_pixels() + y * p->get_rowstride() + x * p->get_n_channels();
    return {px[0], px[1], px[2]};
}

// Draws the widget with everything on it into an image of its own size.
Glib::RefPtr<Gdk::Pixbuf> snapshot(Gtk::Widget& w)
{
    const int width = w.get_allocated_width(), height = w.get_allocated_height();
    auto surface = Cairo::ImageSurface::create(Cairo::FORMAT_RGB24, width, height);
    gtk_widget_draw(w.gobj(), Cairo::Context::create(surface)->cobj());
    return Glib::wrap(gdk_pixbuf_get_from_surface(surface->cobj(), 0, 0, width, height));
}

// A 6 by 26 tile whose every pixel differs, so a misplaced tile shows.
Glib::RefPtr<Gdk::Pixbuf> marked_tile()
{
    auto tile = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, 6, 26);
    for (int y = 0; y < 26; ++y)
        for (int x = 0; x < 6; ++x) {
            guint8* px = tile->get_pixels() + y * tile->get_rowstride() + 3 * x;
            px[0] = static_cast<guint8>(20 + 40 * x);
            px[1] = static_cast<guint8>(5 + 9 * y);
            px[2] = 77;
        }
    return tile;
}

// A toolbar shown in an off-screen window of the given pixel size.
struct OffscreenBar {
    explicit OffscreenBar(int width, int height, float tpp = 15,
                          Glib::RefPtr<Gdk::Pixbuf> tile = marked_tile())
        : bar(tpp, tile)
    {
        bar.set_size_request(width, height);
        window.add(bar);
        window.show_all();
        EXPECT_TRUE(wait_until([&] { return bar.get_allocated_width() == width && bar.get_realized(); }));
    }
    Gtk::OffscreenWindow window;
    Toolbar bar;
};

constexpr int kMid = 15; // a row through the middle of the buttons
int left(int i)
{
    return 8 + 41 * i;
}

// The bytes of button i's 24 pixel square in a snapshot.
std::string square(const Glib::RefPtr<Gdk::Pixbuf>& shot, int i)
{
    std::string bytes;
    for (int y = 3; y < 27; ++y)
        bytes.append(reinterpret_cast<const char*>(shot->get_pixels()) + y * shot->get_rowstride() +
                         3 * left(i),
                     3 * 24);
    return bytes;
}

TEST(ToolbarPaint, TilesBothRowsEverySixPixelsAtAnyResolutionAndTheIconsRead)
{
    // Rows 0-2 and 28-51 lie outside the buttons: the top row of tiles at
    // y = 0 and the lower one at y = 26. At 120 dots per inch (12 twips per
    // pixel) a tile is 72 twips wide: still one every 6 pixels.
    const auto tile = marked_tile();
    for (const auto& [tpp, rows] :
         {std::pair{15.0f, std::vector{0, 2, 28, 40, 51}}, std::pair{12.0f, std::vector{0, 40}}}) {
        OffscreenBar t(100, 60, tpp);
        const auto shot = snapshot(t.bar);
        for (int y : rows)
            for (int x = 0; x < 100; ++x)
                ASSERT_EQ(at(shot, x, y), at(tile, x % 6, y % 26)) << tpp << " at " << x << "," << y;
        // Below both rows the bar's own light grey shows.
        EXPECT_EQ(at(shot, 50, 55), (Rgb{224, 224, 224}));
    }
    // Without a tile of its own the bar paints the shipped one.
    OffscreenBar shipped(30, 33, 15, {});
    EXPECT_EQ(at(snapshot(shipped.bar), 1, 30), at(load_picture(picture::kTile), 1, 4));

    // The HTML file icon the association names reads at the sizes desktops ask for.
    const std::string ico = std::string(DRIFTWAY_SOURCE_DIR) + "/support/htm.ico";
    EXPECT_EQ(Gdk::Pixbuf::create_from_file(ico)->get_width(), 48);
    EXPECT_EQ(Gdk::Pixbuf::create_from_file(ico, 16, 16)->get_width(), 16);
}

// A real window driven by xdotool through the X server's test extension, so
// that the pointer grab of a held button is the real one.
class ToolbarInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar.set_size_request(400, 33);
        window.add(bar);
        window.move(0, 0);
        window.show_all();
        ASSERT_TRUE(wait_until(
            [&] { return bar.button(8).input_window() && bar.button(8).input_window()->is_viewable(); }));
        pump_for(100);
        bar.on_mouse_up = [this](int i) { ups.push_back(i); };
        bar.on_click = [this](int i) { clicks.push_back(i); };
    }

    // Moves the pointer to (x, y) of the toolbar, then acts with a mouse button
    // ("mousedown", "mouseup" or "click", with the action's options in extra).
    void mouse(int x, int y, const std::string& action, const std::vector<std::string>& extra = {},
               int button = 1)
    {
        int ox = 0, oy = 0;
        bar.get_bin_window()->get_origin(ox, oy);
        std::vector<std::string> args{"mousemove", std::to_string(ox + x), std::to_string(oy + y), action};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(std::to_string(button));
        ASSERT_TRUE(xdotool(args));
    }

    Gtk::Window window;
    Toolbar bar{15};
    std::vector<int> ups;
    std::vector<int> clicks;
};

TEST_F(ToolbarInput, AClickSinksRaisesAndReportsOnceAndOnlyOverItsButton)
{
    for (int i = 0; i < Toolbar::kButtonCount; ++i)
        EXPECT_EQ(bar.button(i).input_window()->get_cursor()->get_cursor_type(), Gdk::CURSOR_IS_PIXMAP) << i;
    const auto flat = snapshot(bar);
    std::set<std::string> icons;
    for (int i = 0; i < Toolbar::kButtonCount; ++i)
        icons.insert(square(flat, i));
    EXPECT_EQ(icons.size(), std::size_t{Toolbar::kButtonCount}) << "each button shows its own picture";
    mouse(left(3) + 12, kMid, "mousedown");
    ASSERT_TRUE(wait_until([&] { return bar.button(3).look() == ToolLook::Sunken; }));
    EXPECT_TRUE(ups.empty() && clicks.empty());
    // The inset frame: dark above and left, white below and right.
    const auto sunk = snapshot(bar);
    const Rgb dark{128, 128, 128}, white{255, 255, 255};
    EXPECT_EQ((std::vector{at(sunk, left(3), 3), at(sunk, left(3), 20), at(sunk, left(3) + 23, 26),
                           at(sunk, left(3) + 23, 10)}),
              (std::vector{dark, dark, white, white}));
    EXPECT_NE(at(flat, left(3), 3), dark);
    mouse(left(3) + 12, kMid, "mouseup");
    ASSERT_TRUE(wait_until([&] { return !ups.empty(); }));
    pump_for(100);
    EXPECT_EQ(bar.button(3).look(), ToolLook::Flat);
    EXPECT_EQ(ups, std::vector<int>{3});
    EXPECT_EQ(clicks, std::vector<int>{3});
    // Flat again means pixel for pixel what it was before the press.
    EXPECT_EQ(square(snapshot(bar), 3), square(flat, 3));

    // A double click is two clicks.
    mouse(left(0) + 12, kMid, "click", {"--repeat", "2", "--delay", "40"});
    ASSERT_TRUE(wait_until([&] { return clicks.size() == 3; }));
    pump_for(100);
    EXPECT_EQ(ups, (std::vector<int>{3, 0, 0}));
    EXPECT_EQ(clicks, (std::vector<int>{3, 0, 0}));
    EXPECT_EQ(bar.button(0).look(), ToolLook::Flat);

    // Released over the next button, then far outside the window, then the
    // right button: the pressed button hears each release, none clicks.
    const struct {
        int pressed, x, y, button;
    } cases[] = {{1, left(2) + 12, kMid, 1}, {5, 600, 300, 1}, {4, left(4) + 12, kMid, 3}};
    for (const auto& c : cases) {
        const std::size_t before = ups.size();
        mouse(left(c.pressed) + 12, kMid, "mousedown", {}, c.button);
        ASSERT_TRUE(wait_until([&] { return bar.button(c.pressed).look() == ToolLook::Sunken; }));
        mouse(c.x, c.y, "mouseup", {}, c.button);
        ASSERT_TRUE(wait_until([&] { return ups.size() == before + 1; }));
        pump_for(100);
        EXPECT_EQ(ups.back(), c.pressed);
        EXPECT_EQ(bar.button(c.pressed).look(), ToolLook::Flat);
    }
    EXPECT_EQ(clicks.size(), 3u);
}

} // namespace
} // namespace driftway::gtk
