#pragma once

#include "gtk/webkit_engine.h"
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

// A socket listening on a free loopback port; returns the socket.
int listen_on_loopback(int& port);

// A loopback HTTP server whose answer a function writes from the request head;
// each connection gets one answer, sent raw (so it may be cut short), and is closed.
class ScriptedServer {
public:
    explicit ScriptedServer(std::function<std::string(const std::string& request)> answer);
    ~ScriptedServer();
    std::string url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

private:
    std::function<std::string(const std::string&)> m_answer;
    int m_port = 0;
    int m_listen = listen_on_loopback(m_port);
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

std::string http_response(const std::string& status, const std::string& body,
                          const std::string& extra_headers = "",
                          const std::string& content_type = "text/html");
std::string page(const std::string& title, const std::string& body = "");

// The value of a script run in the page, as text ("" for undefined).
std::string evaluate(WebKitWebView* view, const std::string& script);

// A real WebKit engine in a shown window; the first engine's events are
// recorded as lines ("before <url>", "navigate", "download", "command 2 1",
// "status <text>").
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    gtk::WebKitEngine& make_engine();
    gtk::WebKitEngine& engine() { return *m_engines.front().engine; }
    // Navigates and waits until the page is loaded and named as expected.
    void load(const std::string& address, const std::string& expected_name);
    // Waits until the first engine is idle and shows a page of that name.
    bool shows(const std::string& name);
    bool wait_idle(gtk::WebKitEngine& engine);
    bool saw(const std::string& event) const;
    std::string last_before() const;

    struct Window {
        GtkWidget* window = nullptr;
        std::unique_ptr<gtk::WebKitEngine> engine;
    };
    TempDir m_dir;
    std::vector<Window> m_engines;
    std::vector<std::string> m_events;
};

} // namespace driftway::testing
