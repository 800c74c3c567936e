#pragma once

#include <functional>
#include <string>
#include <vector>

namespace driftway::platform {

struct EnvSetting {
    std::string name;
    std::string value;

    bool operator==(const EnvSetting&) const = default;
};

// Looks a variable up as getenv does: nullptr when it is not set.
using EnvLookup = std::function<const char*(const char*)>;

// The variables Driftway gives the engine before the toolkit starts, in the
// order they are to be set. A variable the user has set is never in the list:
// the user's value wins, and the defaults that follow from it are worked out
// from it. render_nodes are the machine's GPU render nodes (see
// gpu_render_nodes); desktop_accessibility tells whether the desktop's
// settings ask programs to serve assistive technology such as a screen reader.
std::vector<EnvSetting> engine_environment(const EnvLookup& lookup,
                                           const std::vector<std::string>& render_nodes,
                                           bool desktop_accessibility = false);

// Whether assistive technology is to be served: the desktop asks for it, the
// toolkit modules name the accessibility bridge, or the user has turned the
// bridge on with NO_AT_BRIDGE=0.
bool accessibility_wanted(const EnvLookup& lookup, bool desktop_accessibility);

// Whether the engine draws pages without accelerated compositing under these
// variables: WebKit turns compositing off for any value but "0".
bool software_rendering(const EnvLookup& lookup);

// The render nodes in dri_folder ("renderD128"...), as full paths in name
// order; none where the machine has no GPU.
std::vector<std::string> gpu_render_nodes(const std::string& dri_folder = "/dev/dri");

} // namespace driftway::platform
