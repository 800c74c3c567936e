#pragma once

#include "platform/gtk/webkit_engine.h"
#include "tests/gtk/common/wait.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace driftway::testing {

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
