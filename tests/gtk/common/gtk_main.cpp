// Entry point of every GTK test program: starts GTK on the Xvfb display the
// suite runs under, then runs the tests on the main thread.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/main.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Keep the engine quiet and predictable on a display without a GPU.
    setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 0);
    setenv("GTK_A11Y", "none", 0);
    setenv("NO_AT_BRIDGE", "1", 0);
    if (!gtk_init_check(&argc, &argv)) {
        fprintf(stderr, "No display: run the GTK tests under xvfb-run.\n");
        return 1;
    }
    Gtk::Main::init_gtkmm_internals();
    return RUN_ALL_TESTS();
}
