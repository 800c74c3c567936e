// Programs Driftway starts get the environment Driftway itself was started
// with, not the defaults it set for its own engine.
#include "gtk/gio_shell.h"
#include "tests/gtk/common/wait.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace driftway::testing {
namespace {

TEST(GioShell, StartedProgramsDoNotInheritTheEngineDefaults)
{
    TempDir dir;
    const ScopedEnv own("DRIFTWAY_TEST_ENGINE_DEFAULT", "1");
    const ScopedEnv users("DRIFTWAY_TEST_USERS_OWN", "kept");
    gtk::keep_from_started_programs({"DRIFTWAY_TEST_ENGINE_DEFAULT"});
    const std::string out = dir.str() + "/env.txt";
    gtk::GioShell().spawn({"/bin/sh", "-c", "env > \"$0.part\" && mv \"$0.part\" \"$0\"", out},
                                    platform::WindowStyle::Hidden);
    gtk::keep_from_started_programs({});
    ASSERT_TRUE(wait_until([&] { return std::filesystem::exists(out); }));
    const std::string env = read_file(out);
    EXPECT_EQ(env.find("DRIFTWAY_TEST_ENGINE_DEFAULT"), std::string::npos);
    EXPECT_NE(env.find("DRIFTWAY_TEST_USERS_OWN=kept"), std::string::npos);
}

} // namespace
} // namespace driftway::testing
