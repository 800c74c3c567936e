// Driftway's entry point: options, then the first main windows, or a hand-over
// of the addresses to the Driftway already running.
#include "browser/address_fixup.h"
#include "browser/launch.h"
#include "gtk/app.h"
#include "gtk/engine_factory.h"
#include "gtk/internet_options_dialog.h"
#include "gtk/main_window.h"
#include "gtk/session_bus.h"
#include "gtk/single_instance.h"
#include "platform/paths.h"

#include <gtk/gtk.h>
#include <gtkmm/main.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using driftway::browser::LaunchAction;

// How long a start waits for the running Driftway before it runs on its own.
constexpr int kHandOverTimeoutMs = 5000;

void print_help()
{
    std::puts("Usage: Driftway [--new-instance] [ADDRESS-OR-FILE...]\n"
              "       Driftway --internet-options\n"
              "\n"
              "A light-weight web browser. Opens each ADDRESS-OR-FILE (a web address or a local\n"
              "path, one per argument) in a window of its own, in order, or one window on the\n"
              "empty page when none is given. While Driftway runs on this display, starting it\n"
              "again opens the windows in the running program.\n"
              "\n"
              "Options:\n"
              "  --new-instance      run a separate program, apart from a running Driftway\n"
              "  --internet-options  show the home page, search page and browsing data settings\n"
              "  --help              show this text and exit\n"
              "  --version           show the version and exit\n"
              "  --                  end of options: every later argument is an address\n"
              "GTK's own options (such as --display=DISPLAY) are understood too.\n"
              "\n"
              "Environment:\n"
              "  DRIFTWAY_FAVORITES  the Favorites folder (default: $XDG_DATA_HOME/Driftway/Favorites)");
}

std::vector<std::string> arguments(int argc, char** argv)
{
    return {argv + 1, argv + argc};
}

// What sets one running Driftway apart from another on the same display.
std::string settings_key()
{
    const char* favourites = std::getenv("DRIFTWAY_FAVORITES");
    return driftway::platform::config_home() + '\n' + driftway::platform::data_home() + '\n' +
           (favourites ? favourites : "");
}

// The display this start is for, named before it is opened and the same way
// in every start: GTK's --display, else the environment's displays.
std::string display_name()
{
    const char* arg = gdk_get_display_arg_name();
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    std::string name = arg ? arg : (x11 ? x11 : "");
    if (!arg && wayland && *wayland)
        name += std::string("/") + wayland;
    return name;
}

// The desktop's start-up notification id, read before the toolkit takes it.
std::string startup_notification_id()
{
    const char* id = std::getenv("DESKTOP_STARTUP_ID");
    return id ? id : "";
}

// The running program has another working folder and home: a relative path
// or "~/" is made absolute here, in the start that was given it.
std::vector<std::string> for_the_running_program(const std::vector<std::string>& addresses)
{
    const auto files = driftway::browser::real_local_files();
    std::vector<std::string> out;
    for (const auto& a : addresses)
        out.push_back(driftway::browser::fixup_address(a, files).value_or(a));
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace driftway::gtk;
    // --help and --version need no display, whatever else is given.
    const auto early = driftway::browser::parse_launch_arguments(arguments(argc, argv));
    if (early.action == LaunchAction::Help) {
        print_help();
        return 0;
    }
    if (early.action == LaunchAction::Version) {
        std::printf("Driftway %s\n", DRIFTWAY_VERSION);
        return 0;
    }
    // Before the toolkit starts: it loads the accessibility bridge as it reads
    // its options.
    never_autolaunch_a_bus();
    prepare_engine_environment();
    // The toolkit takes its own options first (--display and the like); each
    // argument left is one address.
    gtk_parse_args(&argc, &argv);
    const auto request = driftway::browser::parse_launch_arguments(arguments(argc, argv));
    if (request.action == LaunchAction::BadOption) {
        std::fprintf(stderr, "Driftway: unknown option %s\nTry 'Driftway --help'.\n",
                     request.bad_option.c_str());
        return 2;
    }
    const auto& addresses = request.addresses;
    // A start that only hands its addresses over ends before it opens the
    // display: most of what it costs is then the loading of the program.
    std::unique_ptr<App> app;
    SingleInstance instance;
    if (request.action == LaunchAction::Browse &&
        request.instance == driftway::browser::InstanceChoice::Shared) {
        const auto role = instance.start(
            driftway::browser::instance_id(display_name(), settings_key()),
            for_the_running_program(addresses), startup_notification_id(),
            [&app](const std::vector<std::string>& more, const std::string& startup_id) {
                if (app)
                    app->open(more, startup_id);
            },
            kHandOverTimeoutMs);
        if (role == SingleInstance::Role::HandedOver)
            return 0;
    }
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "Driftway: cannot open the display.\n");
        return 1;
    }
    Gtk::Main::init_gtkmm_internals();
    if (request.action == LaunchAction::InternetOptions)
        return run_internet_options_window();

    app = std::make_unique<App>(make_webkit_engine, addresses.empty() ? std::string() : addresses.front());
    app->start();
    if (addresses.size() > 1)
        app->open({addresses.begin() + 1, addresses.end()});
    gtk_main();
    return 0;
}
