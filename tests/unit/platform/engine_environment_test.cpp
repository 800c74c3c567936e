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

TEST(EngineEnvironment, EmptyEnvironmentDrawsInSoftwareWithoutProbingForAGpu)
{
    const FakeEnv env;
    const auto set = as_map(engine_environment(env.lookup(), {}));
    EXPECT_EQ(set.at("WEBKIT_DISABLE_COMPOSITING_MODE"), "1");
    EXPECT_EQ(set.at("NO_AT_BRIDGE"), "1");
    EXPECT_EQ(set.at("WEBKIT_DISABLE_DMABUF_RENDERER"), "1");
    EXPECT_EQ(set.at("WEBKIT_WEB_RENDER_DEVICE_FILE"), "/dev/dri/renderD128");

    const auto with_gpu =
        as_map(engine_environment(env.lookup(), {"/dev/dri/renderD129", "/dev/dri/renderD130"}));
    EXPECT_EQ(with_gpu.at("WEBKIT_WEB_RENDER_DEVICE_FILE"), "/dev/dri/renderD129");
}

TEST(EngineEnvironment, TheUsersOwnValuesWinAndShapeTheRest)
{
    // Compositing asked for: the DMA-BUF renderer and WebKit's own GPU search
    // are left alone.
    FakeEnv composited{{{"WEBKIT_DISABLE_COMPOSITING_MODE", "0"}}};
    const auto set = as_map(engine_environment(composited.lookup(), {"/dev/dri/renderD128"}));
    EXPECT_EQ(set.count("WEBKIT_DISABLE_COMPOSITING_MODE"), 0u);
    EXPECT_EQ(set.count("WEBKIT_DISABLE_DMABUF_RENDERER"), 0u);
    EXPECT_EQ(set.count("WEBKIT_WEB_RENDER_DEVICE_FILE"), 0u);
    EXPECT_EQ(set.at("NO_AT_BRIDGE"), "1");
    EXPECT_FALSE(software_rendering(composited.lookup()));

    // WebKit reads any value but "0" as "off"; so do we.
    FakeEnv other{{{"WEBKIT_DISABLE_COMPOSITING_MODE", "yes"},
                   {"WEBKIT_WEB_RENDER_DEVICE_FILE", "/dev/dri/renderD131"},
                   {"NO_AT_BRIDGE", "0"}}};
    const auto kept = as_map(engine_environment(other.lookup(), {"/dev/dri/renderD128"}));
    EXPECT_TRUE(software_rendering(other.lookup()));
    EXPECT_EQ(kept.count("WEBKIT_WEB_RENDER_DEVICE_FILE"), 0u);
    EXPECT_EQ(kept.count("NO_AT_BRIDGE"), 0u);
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
