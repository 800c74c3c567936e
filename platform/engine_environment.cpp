#include "platform/engine_environment.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace driftway::platform {

namespace {

// The name the first GPU render node takes on Linux.
constexpr const char* kFirstRenderNode = "/dev/dri/renderD128";
// A bus address where no bus answers.
constexpr const char* kNoBus = "unix:path=/dev/null";

} // namespace

bool software_rendering(const EnvLookup& lookup)
{
    const char* value = lookup("WEBKIT_DISABLE_COMPOSITING_MODE");
    return value && std::string_view(value) != "0";
}

bool accessibility_wanted(const EnvLookup& lookup, bool desktop_accessibility)
{
    if (desktop_accessibility)
        return true;
    if (const char* bridge = lookup("NO_AT_BRIDGE"); bridge && std::string_view(bridge) == "0")
        return true;
    const char* modules = lookup("GTK_MODULES");
    if (!modules)
        return false;
    const std::string_view list(modules);
    return list.find("atk-bridge") != std::string_view::npos || list.find("gail") != std::string_view::npos;
}

std::vector<EnvSetting> engine_environment(const EnvLookup& lookup,
                                           const std::vector<std::string>& render_nodes,
                                           bool desktop_accessibility)
{
    std::vector<EnvSetting> settings;
    // What is set here is seen by the lookups that follow, as setenv would.
    const EnvLookup seen = [&](const char* name) -> const char* {
        for (const auto& s : settings)
            if (s.name == name)
                return s.value.c_str();
        return lookup(name);
    };
    const auto set_default = [&](const char* name, std::string value) {
        if (!seen(name))
            settings.push_back({name, std::move(value)});
    };

    // Accelerated compositing puts an OpenGL stack into every engine process;
    // with no GPU it is a software one that costs start-up time and memory and
    // draws no faster than plain software drawing.
    if (render_nodes.empty())
        set_default("WEBKIT_DISABLE_COMPOSITING_MODE", "1");
    // With nobody to serve, the accessibility bridges only cost time: the
    // toolkit's and the page processes' connections to the accessibility bus,
    // and the bus itself, which asking for its address starts.
    if (!accessibility_wanted(seen, desktop_accessibility)) {
        set_default("NO_AT_BRIDGE", "1");
        set_default("WEBKIT_A11Y_BUS_ADDRESS", "");
        // Even then WebKit asks the session bus for the accessibility bus's
        // address when it starts a page process, unless this names one, and
        // the asking starts that bus. An address that leads nowhere keeps it
        // from asking; the page processes get the empty one above.
        set_default("AT_SPI_BUS_ADDRESS", kNoBus);
    }
    if (software_rendering(seen)) {
        // Drawn in software, pages reach the window through shared memory, so
        // the DMA-BUF renderer has nothing to do. Even so, before the first
        // page WebKit looks for the GPU to hand its page processes, and does so
        // by starting OpenGL in this process, a software OpenGL with its
        // compiler where there is no GPU. Naming the render node answers the
        // question without that; where the machine has none, the usual first
        // name leads where the search would have: to no usable device.
        set_default("WEBKIT_DISABLE_DMABUF_RENDERER", "1");
        set_default("WEBKIT_WEB_RENDER_DEVICE_FILE",
                    render_nodes.empty() ? kFirstRenderNode : render_nodes.front());
        // Nothing in the window draws with OpenGL then; without this the
        // toolkit still starts (software) OpenGL when it opens the display,
        // only to choose a visual.
        set_default("GDK_GL", "disable");
    }
    return settings;
}

std::vector<std::string> gpu_render_nodes(const std::string& dri_folder)
{
    std::vector<std::string> nodes;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dri_folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("renderD", 0) == 0)
            nodes.push_back(it->path().string());
    }
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}

} // namespace driftway::platform
