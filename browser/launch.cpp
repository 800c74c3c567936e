#include "browser/launch.h"

#include <cstdint>
#include <cstdio>

namespace driftway::browser {

LaunchRequest parse_launch_arguments(const std::vector<std::string>& args)
{
    LaunchRequest request;
    bool options_end = false;
    // --help and --version answer whatever else is given; an option not
    // understood comes next; of the rest the first one named counts.
    const auto rank = [](LaunchAction a) {
        return a == LaunchAction::Help || a == LaunchAction::Version ? 3
               : a == LaunchAction::BadOption                        ? 2
               : a == LaunchAction::InternetOptions                  ? 1
                                                                     : 0;
    };
    const auto take = [&](LaunchAction a) {
        if (rank(a) > rank(request.action))
            request.action = a;
    };
    for (const auto& arg : args) {
        if (options_end || arg.size() < 2 || arg[0] != '-') {
            request.addresses.push_back(arg);
        } else if (arg == "--") {
            options_end = true;
        } else if (arg == "--new-instance") {
            request.instance = InstanceChoice::Separate;
        } else if (arg == "--help") {
            take(LaunchAction::Help);
        } else if (arg == "--version") {
            take(LaunchAction::Version);
        } else if (arg == "--internet-options") {
            take(LaunchAction::InternetOptions);
        } else if (request.bad_option.empty()) {
            take(LaunchAction::BadOption);
            request.bad_option = arg;
        }
    }
    return request;
}

std::string instance_id(const std::string& display, const std::string& settings_key)
{
    // Bus name elements hold letters, digits and "_" and never start with a
    // digit; "d" keeps ":0" from becoming an element that does.
    std::string element = "d";
    for (unsigned char c : display)
        element += ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
                       ? static_cast<char>(c)
                       : '_';
    if (element.size() > 64)
        element.resize(64);
    // FNV-1a: the same folders give the same name in every build.
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : settings_key) {
        hash ^= c;
        hash *= 16777619u;
    }
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(hash));
    return "example.quillmere.driftway." + element + ".s" + hex;
}

} // namespace driftway::browser
