// The start-up arguments: each one a whole address, options before "--", and
// the running program's bus name kept apart per display and settings.
#include "browser/launch.h"

#include <gtest/gtest.h>

using namespace driftway::browser;

TEST(LaunchArguments, EachArgumentIsOneWholeAddressInOrder)
{
    // Blanks and quotes in an argument are the GTK launch test's.
    const auto r = parse_launch_arguments({"-", "https://a.example/"});
    EXPECT_EQ(r.action, LaunchAction::Browse);
    EXPECT_EQ(r.instance, InstanceChoice::Shared);
    EXPECT_EQ(r.addresses, (std::vector<std::string>{"-", "https://a.example/"}));
    const auto separate = parse_launch_arguments({"--new-instance", "a.html", "--", "--new-instance", "-x"});
    EXPECT_EQ(separate.instance, InstanceChoice::Separate);
    EXPECT_EQ(separate.addresses, (std::vector<std::string>{"a.html", "--new-instance", "-x"}));

    EXPECT_TRUE(parse_launch_arguments({}).addresses.empty());
    EXPECT_EQ(parse_launch_arguments({"--internet-options"}).action, LaunchAction::InternetOptions);

    // Before the toolkit has taken its options, --help still answers.
    EXPECT_EQ(parse_launch_arguments({"--display=:3", "--help"}).action, LaunchAction::Help);
    EXPECT_EQ(parse_launch_arguments({"--version", "--help"}).action, LaunchAction::Version);
    const auto bad = parse_launch_arguments({"a.html", "--frobnicate", "--bogus"});
    EXPECT_EQ(bad.action, LaunchAction::BadOption);
    EXPECT_EQ(bad.bad_option, "--frobnicate");
}

TEST(InstanceId, OneNamePerDisplayAndSettings)
{
    const auto id = instance_id(":79", "/home/u/.config\n/home/u/.local/share\n");
    EXPECT_EQ(id.rfind("example.quillmere.driftway.d_79.s", 0), 0u) << id;
    EXPECT_EQ(id, instance_id(":79", "/home/u/.config\n/home/u/.local/share\n"));
    EXPECT_NE(id, instance_id(":7", "/home/u/.config\n/home/u/.local/share\n"));
    EXPECT_NE(id, instance_id(":79", "/tmp/other\n/home/u/.local/share\n"));
    // Whatever the display is called, every element of the name is valid.
    const auto odd = instance_id("héllo:1.0/wayland-0", "");
    for (char c : odd)
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.') << odd;
}
