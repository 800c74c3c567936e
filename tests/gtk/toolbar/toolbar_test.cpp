// The painted toolbar and its buttons: tile rows, placement, cursor, the
// sunken look and the mouse handling with real input; the shipped pictures.
#include "platform/gtk/resources.h"
#include "platform/gtk/toolbar.h"
#include "tests/gtk/common/wait.h"
#include "tests/gtk/common/x_input.h"

#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <gtkmm/icontheme.h>
#include <gtkmm/main.h>
#include <gtkmm/offscreenwindow.h>
#include <gtkmm/window.h>

#include <array>
#include <string>
#include <vector>

namespace driftway::platform::gtk {
namespace {

using driftway::testing::pump_for;
using driftway::testing::wait_until;

// The common entry point starts GTK only; the C++ wrappers need their own start.
class GtkmmEnvironment : public ::testing::Environment {
public:
    void SetUp() override { Gtk::Main::init_gtkmm_internals(); }
};
[[maybe_unused]] const auto* const kGtkmm = ::testing::AddGlobalTestEnvironment(new GtkmmEnvironment);

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "rgb(" << c.r << "," << c.g << "," << c.b << ")";
}

// A 6 by 26 tile whose every pixel differs, so a misplaced tile shows.
Glib::RefPtr<Gdk::Pixbuf> marked_tile()
{
    auto tile = Gdk::Pixbuf::create(Gdk::COLORSPACE_RGB, false, 8, 6, 26);
    for (int y = 0; y < 26; ++y) {
        guint8* row = tile->get_pixels() + y * tile->get_rowstride();
        for (int x = 0; x < 6; ++x) {
            row[3 * x] = static_cast<guint8>(20 + 40 * x);
            row[3 * x + 1] = static_cast<guint8>(5 + 9 * y);
            row[3 * x + 2] = 77;
        }
    }
    return tile;
}

Rgb pixbuf_at(const Glib::RefPtr<Gdk::Pixbuf>& p, int x, int y)
{
    const guint8* px = p->get_pixels() + y * p->get_rowstride() + x * p->get_n_channels();
    return {px[0], px[1], px[2]};
}

// Draws the widget with everything on it into an image of its own size.
class Snapshot {
public:
    explicit Snapshot(Gtk::Widget& w)
        : m_surface(Cairo::ImageSurface::create(Cairo::FORMAT_RGB24, w.get_allocated_width(),
                                                w.get_allocated_height()))
    {
        auto cr = Cairo::Context::create(m_surface);
        gtk_widget_draw(w.gobj(), cr->cobj());
        m_surface->flush();
    }
    int width() const { return m_surface->get_width(); }
    int height() const { return m_surface->get_height(); }
    Rgb at(int x, int y) const
    {
        const unsigned char* p = m_surface->get_data() + y * m_surface->get_stride() + 4 * x;
        return {p[2], p[1], p[0]}; // native-endian xRGB
    }

private:
    Cairo::RefPtr<Cairo::ImageSurface> m_surface;
};

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

TEST(ToolbarPaint, TilesBothRowsEverySixPixelsAtAnyResolution)
{
    // At 15 twips per pixel rows 0-2 and 28-51 lie outside the buttons: the
    // top row of tiles at y = 0 and the lower one at y = 26. At 120 dots per
    // inch a tile is 72 twips wide: still one every 6 pixels.
    std::vector<int> rows{0, 1, 2};
    for (int y = 28; y < 52; ++y)
        rows.push_back(y);
    const auto tile = marked_tile();
    for (const auto& [tpp, checked] : {std::pair{15.0f, rows}, std::pair{12.0f, std::vector<int>{0, 40}}}) {
        OffscreenBar t(100, 60, tpp);
        const Snapshot shot(t.bar);
        for (int y : checked)
            for (int x = 0; x < 100; ++x)
                ASSERT_EQ(shot.at(x, y), pixbuf_at(tile, x % 6, y % 26)) << tpp << " at " << x << "," << y;
    }
    // Below both rows the bar's own light grey shows.
    OffscreenBar t(100, 60);
    EXPECT_EQ(Snapshot(t.bar).at(50, 55), (Rgb{224, 224, 224}));
}

TEST(ToolbarPaint, ShipsTheRealTileAndPaintsIt)
{
    const auto tile = load_picture(picture::kTile);
    ASSERT_TRUE(tile);
    EXPECT_EQ(tile->get_width(), 6);
    EXPECT_EQ(tile->get_height(), 26);
    EXPECT_FALSE(tile->get_has_alpha()); // 24-bit colour

    OffscreenBar t(30, 33, 15, {});
    const Snapshot shot(t.bar);
    EXPECT_EQ(shot.at(1, 1), pixbuf_at(tile, 1, 1));
    EXPECT_EQ(shot.at(1, 30), pixbuf_at(tile, 1, 4));
}

TEST(ToolbarButtons, SitAtTheirPlacesWithTheirOwnIcons)
{
    OffscreenBar t(400, 33);
    for (int i = 0; i < Toolbar::kButtonCount; ++i) {
        PicTool& b = t.bar.button(i);
        const Gtk::Allocation a = b.get_allocation();
        // Left 120 + 615 i, top 40, 360 square, in twips at 15 per pixel.
        EXPECT_EQ(a, Gtk::Allocation(8 + 41 * i, 3, 24, 24)) << i;
        EXPECT_EQ(b.look(), ToolLook::Flat);
    }

    // Each button shows its own picture: the icons differ from one another.
    const Snapshot shot(t.bar);
    std::vector<std::vector<Rgb>> seen;
    for (int i = 0; i < Toolbar::kButtonCount; ++i) {
        std::vector<Rgb> pixels;
        for (int y = 3; y < 27; ++y)
            for (int x = 0; x < 24; ++x)
                pixels.push_back(shot.at(8 + 41 * i + x, y));
        for (const auto& other : seen)
            EXPECT_NE(pixels, other) << "button " << i;
        seen.push_back(pixels);
    }
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
        ASSERT_TRUE(driftway::testing::xdotool(args));
    }

    Gtk::Window window;
    Toolbar bar{15};
    std::vector<int> ups;
    std::vector<int> clicks;
};

constexpr int kMid = 15; // a row through the middle of the buttons
int centre(int i)
{
    return 8 + 41 * i + 12;
}

TEST_F(ToolbarInput, ClickSinksThenRaisesTheButtonAndReportsOnce)
{
    for (int i = 0; i < Toolbar::kButtonCount; ++i)
        EXPECT_EQ(bar.button(i).input_window()->get_cursor()->get_cursor_type(), Gdk::CURSOR_IS_PIXMAP) << i;
    const Snapshot flat(bar);
    mouse(centre(3), kMid, "mousedown");
    ASSERT_TRUE(wait_until([&] { return bar.button(3).look() == ToolLook::Sunken; }));
    EXPECT_TRUE(ups.empty() && clicks.empty());
    {
        // The inset frame: dark above and left, white below and right.
        const Snapshot sunk(bar);
        const int left = 8 + 41 * 3;
        EXPECT_EQ(sunk.at(left, 3), (Rgb{128, 128, 128}));
        EXPECT_EQ(sunk.at(left, 20), (Rgb{128, 128, 128}));
        EXPECT_EQ(sunk.at(left + 23, 26), (Rgb{255, 255, 255}));
        EXPECT_EQ(sunk.at(left + 23, 10), (Rgb{255, 255, 255}));
        EXPECT_NE(flat.at(left, 3), (Rgb{128, 128, 128}));
    }
    mouse(centre(3), kMid, "mouseup");
    ASSERT_TRUE(wait_until([&] { return !ups.empty(); }));
    pump_for(100);
    EXPECT_EQ(bar.button(3).look(), ToolLook::Flat);
    EXPECT_EQ(ups, std::vector<int>{3});
    EXPECT_EQ(clicks, std::vector<int>{3});
    // Flat again means pixel for pixel what it was before the press.
    const Snapshot after(bar);
    for (int y = 3; y < 27; ++y)
        for (int x = 8 + 41 * 3; x < 8 + 41 * 3 + 24; ++x)
            ASSERT_EQ(after.at(x, y), flat.at(x, y));

    // A double click is two clicks.
    mouse(centre(0), kMid, "click", {"--repeat", "2", "--delay", "40"});
    ASSERT_TRUE(wait_until([&] { return clicks.size() == 3; }));
    pump_for(100);
    EXPECT_EQ(ups, (std::vector<int>{3, 0, 0}));
    EXPECT_EQ(clicks, (std::vector<int>{3, 0, 0}));
    EXPECT_EQ(bar.button(0).look(), ToolLook::Flat);
}

TEST_F(ToolbarInput, ReleaseOutsideOrAnotherMouseButtonRaisesWithoutAClick)
{
    // Released over the next button, then far outside the window, then the
    // right button: the pressed button hears each release, none clicks.
    const struct {
        int pressed, x, y, button;
    } cases[] = {{1, centre(2), kMid, 1}, {5, 600, 300, 1}, {4, centre(4), kMid, 3}};
    std::vector<int> expected;
    for (const auto& c : cases) {
        mouse(centre(c.pressed), kMid, "mousedown", {}, c.button);
        ASSERT_TRUE(wait_until([&] { return bar.button(c.pressed).look() == ToolLook::Sunken; }));
        mouse(c.x, c.y, "mouseup", {}, c.button);
        expected.push_back(c.pressed);
        ASSERT_TRUE(wait_until([&] { return ups.size() == expected.size(); }));
        pump_for(100);
        EXPECT_EQ(bar.button(c.pressed).look(), ToolLook::Flat);
    }
    EXPECT_EQ(ups, expected);
    EXPECT_TRUE(clicks.empty());
}

TEST(Pictures, EveryPictureHasItsSize)
{
    const std::vector<std::pair<std::vector<const char*>, int>> groups{
        {{std::begin(picture::kToolButtons), std::end(picture::kToolButtons)}, 24},
        {{std::begin(picture::kFavButtons), std::end(picture::kFavButtons)}, 24},
        {{std::begin(picture::kTreeImages), std::end(picture::kTreeImages)}, 16},
        {{picture::kWindowIcon}, 32},
        {{picture::kAboutIcon}, 48},
        {{picture::kAdvert}, 64}};
    for (const auto& [names, size] : groups) {
        for (const char* name : names) {
            const auto p = load_picture(name);
            EXPECT_EQ(p->get_width(), size) << name;
            if (names.size() > 1) { // the buttons and tree images are square
                EXPECT_EQ(p->get_height(), size) << name;
            }
        }
    }
    EXPECT_THROW(load_picture("no_such_picture"), Glib::Error);
}

TEST(Pictures, TheHandPointsWithItsHotSpot)
{
    const auto hand = load_picture(picture::kHandCursor);
    ASSERT_EQ(hand->get_width(), 32);
    ASSERT_EQ(hand->get_height(), 32);
    ASSERT_TRUE(hand->get_has_alpha());
    auto alpha = [&](int x, int y) { return hand->get_pixels()[y * hand->get_rowstride() + 4 * x + 3]; };
    // The hot spot is on the fingertip: solid there, clear just above the outline.
    EXPECT_EQ(alpha(picture::kHandHotX, picture::kHandHotY), 255);
    EXPECT_EQ(alpha(picture::kHandHotX, picture::kHandHotY - 2), 0);
    EXPECT_TRUE(hand_cursor(Gdk::Display::get_default()));
}

TEST(Pictures, TheIconThemeFindsTheApplicationIconAndTheHtmlFileIconIsReadable)
{
    add_icons_to_theme();
    auto theme = Gtk::IconTheme::get_default();
    ASSERT_TRUE(theme->has_icon(picture::kIconName));
    for (int size : {16, 32, 48, 128})
        EXPECT_EQ(theme->load_icon(picture::kIconName, size, Gtk::ICON_LOOKUP_FORCE_SIZE)->get_width(), size);
    // The association names support/htm.ico; a desktop must be able to read it.
    const std::string path = std::string(DRIFTWAY_SOURCE_DIR) + "/support/htm.ico";
    const auto icon = Gdk::Pixbuf::create_from_file(path);
    EXPECT_EQ(icon->get_width(), 48);
    EXPECT_TRUE(icon->get_has_alpha());
    EXPECT_EQ(Gdk::Pixbuf::create_from_file(path, 16, 16)->get_width(), 16);
}

TEST(Pictures, TheScalableIconDrawsLikeThePictures)
{
    register_resources();
    Glib::RefPtr<Gdk::Pixbuf> svg;
    try {
        svg = Gdk::Pixbuf::create_from_resource("/driftway/icons/hicolor/scalable/apps/driftway.svg", 64, 64,
                                                true);
    } catch (const Gdk::PixbufError& e) {
        GTEST_SKIP() << "no SVG loader: " << e.what();
    }
    const auto png = load_picture("icons/hicolor/64x64/apps/driftway");
    ASSERT_EQ(svg->get_width(), 64);
    ASSERT_TRUE(svg->get_has_alpha());
    double sum = 0;
    for (int y = 0; y < 64; ++y) {
        const guint8* a = svg->get_pixels() + y * svg->get_rowstride();
        const guint8* b = png->get_pixels() + y * png->get_rowstride();
        for (int i = 0; i < 64 * 4; ++i)
            sum += std::abs(int(a[i]) - int(b[i]));
    }
    EXPECT_LT(sum / (64 * 64 * 4), 3.0);
}

} // namespace
} // namespace driftway::platform::gtk
