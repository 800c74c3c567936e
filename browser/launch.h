#pragma once

#include <string>
#include <vector>

namespace driftway::browser {

enum class LaunchAction { Browse, InternetOptions, Help, Version, BadOption };
enum class InstanceChoice { Shared, Separate };

// What one start of the program asks for, read from the arguments the
// toolkit left after taking its own options (--display and the like).
struct LaunchRequest {
    LaunchAction action = LaunchAction::Browse;
    // Separate: --new-instance, a program of its own that neither hands its
    // addresses to a running Driftway nor takes any from later starts.
    InstanceChoice instance = InstanceChoice::Shared;
    // One main window each, in order; none means one window on the empty page.
    std::vector<std::string> addresses;
    std::string bad_option; // the option not understood, for BadOption
};

// Each argument is one whole address: a file name with blanks or quotes stays
// one address. Options come before "--"; after it every argument is an
// address, and so is a lone "-". --help and --version win over everything,
// then an option not understood (the first one is kept).
LaunchRequest parse_launch_arguments(const std::vector<std::string>& args);

// The name the running program owns on the session bus: one per display and
// per set of settings folders, so that launches on another display, or with
// other settings or another Favorites folder, never reach it. The display
// name is made safe for a bus name; the folders enter as a short hash.
std::string instance_id(const std::string& display, const std::string& settings_key);

} // namespace driftway::browser
