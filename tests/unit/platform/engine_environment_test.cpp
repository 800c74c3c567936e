// The engine's environment defaults: what the machine and the user's own
// values change, and how render nodes are found.
#include "platform/engine_environment.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace driftway::platform {
namespace {

using Vars = std::map<std::string, std::string>;
const std::string kUnset = "(not set)";

// "NAME=value" words; "-NAME" for a variable that must be left alone.
Vars vars(const std::string& text)
{
    Vars vars;
    std::istringstream words(text);
    for (std::string word; words >> word;) {
        if (word[0] == '-')
            vars[word.substr(1)] = kUnset;
        else
            vars[word.substr(0, word.find('='))] = word.substr(word.find('=') + 1);
    }
    return vars;
}

TEST(EngineEnvironment, DefaultsYieldToAGpuToAssistiveTechnologyAndToTheUsersOwnValues)
{
    // The user's environment, the render nodes found (by number), whether the
    // desktop asks for assistive technology, and what must be set.
    struct Case {
        const char* env;
        const char* nodes;
        bool desktop_accessibility;
        const char* expected;
    };
    const Case cases[] = {
        // No GPU: software drawing without probing, and no accessibility bridge.
        {"", "", false,
         "WEBKIT_DISABLE_COMPOSITING_MODE=1 WEBKIT_DISABLE_DMABUF_RENDERER=1 GDK_GL=disable "
         "WEBKIT_WEB_RENDER_DEVICE_FILE=/dev/dri/renderD128 NO_AT_BRIDGE=1 WEBKIT_A11Y_BUS_ADDRESS= "
         "AT_SPI_BUS_ADDRESS=unix:path=/dev/null"},
        {"", "129", false, "-WEBKIT_DISABLE_COMPOSITING_MODE -GDK_GL -WEBKIT_DISABLE_DMABUF_RENDERER"},
        // Software drawing asked for on a GPU machine: the first node answers.
        {"WEBKIT_DISABLE_COMPOSITING_MODE=1", "129 130", false,
         "WEBKIT_WEB_RENDER_DEVICE_FILE=/dev/dri/renderD129"},
        {"WEBKIT_DISABLE_COMPOSITING_MODE=0", "", false,
         "-WEBKIT_DISABLE_COMPOSITING_MODE -GDK_GL -WEBKIT_DISABLE_DMABUF_RENDERER "
         "-WEBKIT_WEB_RENDER_DEVICE_FILE"},
        // WebKit reads any value but "0" as "off"; the user's own values stay.
        {"WEBKIT_DISABLE_COMPOSITING_MODE=yes GDK_GL=always", "128", false,
         "-GDK_GL WEBKIT_DISABLE_DMABUF_RENDERER=1"},
        {"WEBKIT_WEB_RENDER_DEVICE_FILE=/x", "", false, "-WEBKIT_WEB_RENDER_DEVICE_FILE"},
        {"", "", true, "-NO_AT_BRIDGE -WEBKIT_A11Y_BUS_ADDRESS -AT_SPI_BUS_ADDRESS"},
        {"GTK_MODULES=canberra-gtk-module:atk-bridge", "", false, "-NO_AT_BRIDGE -WEBKIT_A11Y_BUS_ADDRESS"},
        {"GTK_MODULES=canberra-gtk-module", "", false, "NO_AT_BRIDGE=1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.env) + " nodes " + c.nodes + (c.desktop_accessibility ? " desktop" : ""));
        const Vars env = vars(c.env);
        std::vector<std::string> nodes;
        std::istringstream numbers(c.nodes);
        for (std::string number; numbers >> number;)
            nodes.push_back("/dev/dri/renderD" + number);
        const auto lookup = [&](const char* name) -> const char* {
            const auto it = env.find(name);
            return it == env.end() ? nullptr : it->second.c_str();
        };
        Vars set;
        for (const auto& s : engine_environment(lookup, nodes, c.desktop_accessibility))
            EXPECT_TRUE(set.emplace(s.name, s.value).second) << s.name << " set twice";
        for (const auto& [name, value] : vars(c.expected))
            EXPECT_EQ(set.contains(name) ? set.at(name) : kUnset, value) << name;
    }
}

} // namespace
} // namespace driftway::platform
