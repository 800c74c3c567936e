// What the window and its dialogs look like and answer to, and the About
// box's advert bringing the first window forward. Needs xdotool.
#include "tests/gtk/browser/window_fixture.h"
#include "tests/gtk/common/dialogs.h"

#include <gdk/gdkx.h>
#include <gdkmm/pixbuf.h>

using namespace driftway;
using namespace driftway::testing;

namespace {

// The colour of one pixel of a widget as the screen shows it.
std::array<int, 3> pixel(Gtk::Widget& widget, int x, int y)
{
    Gtk::Widget* top = widget.get_toplevel();
    int tx = 0, ty = 0;
    widget.translate_coordinates(*top, x, y, tx, ty);
    const auto shot = Gdk::Pixbuf::create(top->get_window(), tx, ty, 1, 1);
    const guint8* p = shot->get_pixels();
    return {p[0], p[1], p[2]};
}

// Gives a window the keyboard, whatever an earlier window manager left.
bool focus_window(GtkWidget* window)
{
    const auto xid = gdk_x11_window_get_xid(gtk_widget_get_window(window));
    return xdotool({"windowfocus", "--sync", std::to_string(xid)}) &&
           wait_until([&] { return gtk_window_has_toplevel_focus(GTK_WINDOW(window)); }, 5000);
}

using WindowLookTest = WindowTest;

TEST_F(WindowLookTest, GreyStatusLineAndPaneFittingAddressBoxIconsAndEscapeInProperties)
{
    start(m_dir.write("page.html", "<title>Page</title>p").string());
    auto& w = window();
    ASSERT_TRUE(wait_title(w, "Page"));
    w.frm().menu_activated("mnuVItem", 0, false); // View > Favorites
    pump_for(500);
    const std::array<int, 3> grey{224, 224, 224};
    Gtk::Widget& status = *w.status_label().get_parent();
    EXPECT_EQ(pixel(status, status.get_allocated_width() - 4, 2), grey);
    EXPECT_EQ(pixel(w.favourites_pane(), 1, 2), grey);

    auto& box = w.address_box();
    int minimum = 0, natural = 0;
    box.get_preferred_height(minimum, natural);
    EXPECT_LE(minimum, box.get_allocated_height());
    int x = 0, y = 0;
    box.translate_coordinates(w.toolbar(), 0, 0, x, y);
    EXPECT_GE(y, 0);
    EXPECT_LE(y + box.get_allocated_height(), w.toolbar().get_allocated_height());

    {
        gtk::GtkPrompts prompts(&w);
        MessageBoxAnswerer answerer(platform::MsgAnswer::Ok);
        prompts.message_box("Something happened", "Driftway", platform::MsgButtons::Ok,
                            platform::MsgIcon::Question);
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_EQ(answerer.seen[0].icon, "dialog-question");
    }

    w.frm().menu_activated("mnuFItem", 9, false); // File > Properties
    auto* properties = engine_of(w).properties_window();
    ASSERT_NE(properties, nullptr);
    GtkWidget* shown = properties->window();
    ASSERT_TRUE(wait_until([&] { return gtk_widget_get_mapped(shown); }, 5000));
    ASSERT_TRUE(focus_window(shown));
    ASSERT_TRUE(press_key("Escape"));
    EXPECT_TRUE(wait_until([&] { return !gtk_widget_get_visible(shown); }, 5000));
}

TEST_F(WindowLookTest, TheAdvertBringsTheFirstWindowToTheFront)
{
    start();
    auto& first = window();
    gtk::MainWindow& second = m_app->new_window(nullptr, "");
    second.move(300, 300);
    second.show();
    ASSERT_TRUE(wait_until([&] { return second.get_mapped(); }));
    ASSERT_TRUE(focus_window(GTK_WIDGET(second.gobj())));
    // A click in it, as the user's last act: the X server takes a focus
    // request only if it is newer than the last change of focus.
    const auto [x, y] = on_screen(second, second.get_width() - 5, second.get_height() - 5);
    ASSERT_TRUE(mouse_click(x, y));
    pump_for(300);

    m_app->about_first_window().show();
    EXPECT_TRUE(wait_until([&] { return first.has_toplevel_focus(); }, 5000));
}

} // namespace
