// Driftway's entry point: options, then the first main window.
#include "gtk/app.h"
#include "gtk/engine_factory.h"
#include "gtk/internet_options_dialog.h"
#include "gtk/main_window.h"
#include "commands/mod_gen.h"

#include <gtk/gtk.h>
#include <gtkmm/main.h>

#include <cstdio>
#include <cstring>

namespace {

void print_help()
{
    std::puts("Usage: Driftway [ADDRESS-OR-FILE]\n"
              "       Driftway --internet-options\n"
              "\n"
              "A light-weight web browser. Opens ADDRESS-OR-FILE (a web address or a local path)\n"
              "in its window, or the empty page when none is given.\n"
              "\n"
              "Options:\n"
              "  --internet-options  show the home page, search page and browsing data settings\n"
              "  --help              show this text and exit\n"
              "  --version           show the version and exit\n"
              "\n"
              "Environment:\n"
              "  DRIFTWAY_FAVORITES  the Favorites folder (default: $XDG_DATA_HOME/Driftway/Favorites)");
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace driftway::gtk;
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        print_help();
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Driftway %s\n", DRIFTWAY_VERSION);
        return 0;
    }
    const std::string command_line = join_arguments(argc, argv, 1);
    prepare_engine_environment();
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "Driftway: cannot open the display.\n");
        return 1;
    }
    Gtk::Main::init_gtkmm_internals();
    if (command_line == driftway::commands::kInternetOptionsArg)
        return run_internet_options_window();
    App app(make_webkit_engine, command_line);
    app.start();
    gtk_main();
    return 0;
}
