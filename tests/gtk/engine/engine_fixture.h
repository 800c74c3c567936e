#pragma once

#include "platform/gtk/webkit_engine.h"
#include "tests/gtk/common/wait.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace driftway::testing {

// A loopback HTTP server whose answers a function writes from the request
// head; each connection gets one answer and is closed.
class ScriptedServer {
public:
    explicit ScriptedServer(std::function<std::string(const std::string& request)> answer);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;
    std::string url(const std::string& path) const;

private:
    void serve();

    std::function<std::string(const std::string&)> m_answer;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

std::string http_response(const std::string& status, const std::string& body,
                          const std::string& extra_headers = "",
                          const std::string& content_type = "text/html");

// Points the engine's persistent data at a temporary home once per program,
// before the first engine makes the shared web context.
void use_temporary_user_dirs();

// Result of a script run in the page: its value as text, or empty.
std::string evaluate(WebKitWebView* view, const std::string& script);
double evaluate_number(WebKitWebView* view, const std::string& script);

// A real WebKit engine in a shown window, its events recorded as text lines
// ("before <url>", "navigate", "download", "command 2 1", "status <text>").
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes an engine in a window of its own and records its events.
    platform::gtk::WebKitEngine& make_engine(platform::gtk::WebKitEngine* related = nullptr);
    // Navigates and waits until the engine is idle again after the load and
    // names the page as expected (titles may arrive after the load ends).
    void load(const std::string& address, const std::string& expected_name);
    bool wait_idle(platform::gtk::WebKitEngine& engine);
    bool saw(const std::string& event) const;

    platform::gtk::WebKitEngine& engine() { return *m_engines.front().engine; }

    struct Window {
        GtkWidget* window = nullptr;
        std::unique_ptr<platform::gtk::WebKitEngine> engine;
    };
    TempDir m_dir;
    std::vector<Window> m_engines;
    std::vector<std::string> m_events;
    int m_downloads = 0;
};

} // namespace driftway::testing
