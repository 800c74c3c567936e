// Starting the real program as a desktop does: every argument one window, in
// order, GTK's options left out; on a private session bus, later starts hand
// their address over unless asked not to or the running program hangs.
#include "tests/gtk/browser/window_fixture.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace driftway::testing;

namespace {

// Driftway's top-level windows whose title ends in " - " + page, as (window
// id, pid of the program that made it), oldest first.
std::vector<std::pair<long, int>> windows_showing(const std::string& page)
{
    std::vector<std::pair<long, int>> found;
    std::string text, pid;
    run({"xdotool", "search", "--name", "^Driftway.* - " + page + "$"}, &text);
    std::istringstream ids(text);
    for (long id; ids >> id; found.emplace_back(id, std::atoi(pid.c_str())))
        run({"xdotool", "getwindowpid", std::to_string(id)}, &pid);
    std::sort(found.begin(), found.end()); // X hands out a client's ids in order
    return found;
}

// The program's folders are the window tests' temporary ones.
class LaunchTest : public WindowTest {
protected:
    LaunchTest()
    {
        // No session bus unless a test starts one: no address, and no bus
        // socket in the runtime folder.
        m_env.push_back(std::make_unique<ScopedEnv>("XDG_RUNTIME_DIR", m_dir.str()));
        g_unsetenv("DBUS_SESSION_BUS_ADDRESS");
        m_dir.write("pages/it's \"quoted\".html", "<title>Quoted</title>q");
        m_dir.write("pages/my page.html", "<title>Blank</title>b");
        m_dir.write("pages/third.html", "<title>Third</title>t");
    }
    ~LaunchTest() override
    {
        for (int pid : m_pids) {
            ::kill(pid, SIGCONT);
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }

    // Starts a private session bus for the programs this test starts.
    void start_bus()
    {
        std::string out, address;
        ASSERT_TRUE(run({"dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"}, &out));
        std::istringstream lines(out);
        int pid = 0;
        ASSERT_TRUE(std::getline(lines, address) && lines >> pid);
        m_pids.push_back(pid);
        m_env.push_back(std::make_unique<ScopedEnv>("DBUS_SESSION_BUS_ADDRESS", address));
    }

    // Starts Driftway with these arguments in the pages folder; returns its pid.
    int launch(const std::vector<std::string>& args, const std::string& cwd = "pages")
    {
        std::vector<std::string> all{DRIFTWAY_BINARY};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        GPid pid = 0;
        const auto folder = (m_dir.path() / cwd).string();
        EXPECT_TRUE(g_spawn_async(folder.c_str(), argv.data(), nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr,
                                  nullptr, &pid, nullptr));
        m_pids.push_back(pid);
        return pid;
    }
    // Whether the program ended by itself with status 0 within the time.
    bool ends_well(int pid, int timeout_ms)
    {
        int status = -1;
        const bool ended = wait_until([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, timeout_ms);
        if (ended)
            std::erase(m_pids, pid);
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    static bool shown(const std::string& page, int pid, int timeout_ms = 30000)
    {
        return wait_until(
            [&] {
                const auto w = windows_showing(page);
                return !w.empty() && w.back().second == pid;
            },
            timeout_ms);
    }

    std::vector<int> m_pids;
};

TEST_F(LaunchTest, EachArgumentOpensItsOwnWindowInOrderAndGtkOptionsAreNoAddress)
{
    const char* display = g_getenv("DISPLAY");
    ASSERT_TRUE(display);
    const int pid = launch({std::string("--display=") + display, "it's \"quoted\".html", "my page.html",
                            m_dir.str() + "/pages/third.html"});
    ASSERT_TRUE(shown("Third", pid));
    ASSERT_TRUE(shown("Quoted", pid));
    ASSERT_TRUE(shown("Blank", pid));
    EXPECT_LT(windows_showing("Quoted").front().first, windows_showing("Blank").front().first);
    EXPECT_LT(windows_showing("Blank").front().first, windows_showing("Third").front().first);
    EXPECT_TRUE(windows_showing(".*display.*").empty());
}

TEST_F(LaunchTest, ALaterStartHandsItsAddressToTheRunningProgramUnlessItHangs)
{
    start_bus();
    const int first = launch({"my page.html"});
    ASSERT_TRUE(shown("Blank", first));

    // A relative path from another folder: the running program opens the file
    // the second start meant, and the second start ends.
    m_dir.write("elsewhere/own.html", "<title>Handed over</title>h");
    const int second = launch({"own.html"}, "elsewhere");
    EXPECT_TRUE(ends_well(second, 20000));
    EXPECT_TRUE(shown("Handed over", first));

    const int separate = launch({"--new-instance", "third.html"});
    EXPECT_TRUE(shown("Third", separate));
    EXPECT_FALSE(ends_well(separate, 500));

    // A running program that does not answer is left alone.
    ::kill(first, SIGSTOP);
    const int alone = launch({"it's \"quoted\".html"});
    EXPECT_TRUE(shown("Quoted", alone, 40000));
    ::kill(first, SIGCONT);
}

} // namespace
