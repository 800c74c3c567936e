// The engine's environment defaults: what is set, what the user's own values
// change, and how render nodes are found. Needs only a temporary folder.
#include "platform/engine_environment.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>

namespace driftway::platform {
namespace {

// A fixed environment to look variables up in.
struct FakeEnv {
    std::map<std::string, std::string> vars;
    EnvLookup lookup() const
    {
        return [this](const char* name) -> const char* {
            const auto it = vars.find(name);
            return it == vars.end() ? nullptr : it->second.c_str();
        };
    }
};

std::map<std::string, std::string> as_map(const std::vector<EnvSetting>& settings)
{
    std::map<std::string, std::string> map;
    for (const auto& s : settings)
        EXPECT_TRUE(map.emplace(s.name, s.value).second) << s.name << " set twice";
    return map;
}

TEST(EngineEnvironment, WithoutAGpuPagesAndWindowDrawInSoftwareWithoutProbing)
{
    const FakeEnv env;
    const auto set = as_map(engine_environment(env.lookup(), {}));
    EXPECT_EQ(set.at("WEBKIT_DISABLE_COMPOSITING_MODE"), "1");
    EXPECT_EQ(set.at("WEBKIT_DISABLE_DMABUF_RENDERER"), "1");
    EXPECT_EQ(set.at("WEBKIT_WEB_RENDER_DEVICE_FILE"), "/dev/dri/renderD128");
    EXPECT_EQ(set.at("GDK_GL"), "disable");

    // A GPU keeps accelerated compositing and OpenGL in the window.
    const auto with_gpu = as_map(engine_environment(env.lookup(), {"/dev/dri/renderD129"}));
    EXPECT_EQ(with_gpu.count("WEBKIT_DISABLE_COMPOSITING_MODE"), 0u);
    EXPECT_EQ(with_gpu.count("GDK_GL"), 0u);
    EXPECT_EQ(with_gpu.count("WEBKIT_DISABLE_DMABUF_RENDERER"), 0u);

    // Software drawing asked for on a GPU machine: the first render node
    // answers the engine's GPU question.
    const FakeEnv software{{{"WEBKIT_DISABLE_COMPOSITING_MODE", "1"}}};
    const auto soft_gpu =
        as_map(engine_environment(software.lookup(), {"/dev/dri/renderD129", "/dev/dri/renderD130"}));
    EXPECT_EQ(soft_gpu.at("WEBKIT_WEB_RENDER_DEVICE_FILE"), "/dev/dri/renderD129");
}

TEST(EngineEnvironment, AccessibilityBridgesStayOnWhenAnyoneAsksForThem)
{
    const FakeEnv plain;
    const auto quiet = as_map(engine_environment(plain.lookup(), {}));
    EXPECT_EQ(quiet.at("NO_AT_BRIDGE"), "1");
    EXPECT_EQ(quiet.at("WEBKIT_A11Y_BUS_ADDRESS"), "");

    const auto served = [](const FakeEnv& env, bool desktop) {
        const auto set = as_map(engine_environment(env.lookup(), {}, desktop));
        return set.count("NO_AT_BRIDGE") == 0 && set.count("WEBKIT_A11Y_BUS_ADDRESS") == 0;
    };
    EXPECT_TRUE(served(plain, true));
    EXPECT_TRUE(served(FakeEnv{{{"NO_AT_BRIDGE", "0"}}}, false));
    EXPECT_TRUE(served(FakeEnv{{{"GTK_MODULES", "canberra-gtk-module:atk-bridge"}}}, false));
    EXPECT_TRUE(served(FakeEnv{{{"GTK_MODULES", "gail"}}}, false));
    EXPECT_FALSE(served(FakeEnv{{{"GTK_MODULES", "canberra-gtk-module"}}}, false));

    // The user's own bus address is left as it is.
    const FakeEnv own_bus{{{"WEBKIT_A11Y_BUS_ADDRESS", "unix:path=/run/a11y"}}};
    EXPECT_EQ(as_map(engine_environment(own_bus.lookup(), {})).count("WEBKIT_A11Y_BUS_ADDRESS"), 0u);
}

TEST(EngineEnvironment, TheUsersOwnValuesWinAndShapeTheRest)
{
    // Compositing asked for: the DMA-BUF renderer, the window's OpenGL and
    // WebKit's own GPU search are left alone.
    FakeEnv composited{{{"WEBKIT_DISABLE_COMPOSITING_MODE", "0"}}};
    const auto set = as_map(engine_environment(composited.lookup(), {}));
    EXPECT_EQ(set.count("WEBKIT_DISABLE_COMPOSITING_MODE"), 0u);
    EXPECT_EQ(set.count("WEBKIT_DISABLE_DMABUF_RENDERER"), 0u);
    EXPECT_EQ(set.count("WEBKIT_WEB_RENDER_DEVICE_FILE"), 0u);
    EXPECT_EQ(set.count("GDK_GL"), 0u);
    EXPECT_FALSE(software_rendering(composited.lookup()));

    // WebKit reads any value but "0" as "off"; so do we.
    FakeEnv other{{{"WEBKIT_DISABLE_COMPOSITING_MODE", "yes"},
                   {"WEBKIT_WEB_RENDER_DEVICE_FILE", "/dev/dri/renderD131"},
                   {"GDK_GL", "always"}}};
    const auto kept = as_map(engine_environment(other.lookup(), {"/dev/dri/renderD128"}));
    EXPECT_TRUE(software_rendering(other.lookup()));
    EXPECT_EQ(kept.count("WEBKIT_WEB_RENDER_DEVICE_FILE"), 0u);
    EXPECT_EQ(kept.count("GDK_GL"), 0u);
    EXPECT_EQ(kept.at("WEBKIT_DISABLE_DMABUF_RENDERER"), "1");
    EXPECT_FALSE(software_rendering(FakeEnv{}.lookup()));
}

TEST(EngineEnvironment, RenderNodesAreFoundByNameInOrder)
{
    testing::TempDir dri;
    dri.write("renderD129", "");
    dri.write("renderD128", "");
    dri.write("card0", "");
    dri.mkdir("by-path");
    EXPECT_EQ(gpu_render_nodes(dri.str()),
              (std::vector<std::string>{dri.str() + "/renderD128", dri.str() + "/renderD129"}));
    EXPECT_TRUE(gpu_render_nodes(dri.str() + "/missing").empty());
}

} // namespace
} // namespace driftway::platform
