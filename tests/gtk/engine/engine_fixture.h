#pragma once

#include "gtk/webkit_engine.h"
#include "tests/gtk/common/http_server.h"
#include "tests/gtk/common/wait.h"
#include "tests/gtk/common/web_view.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace driftway::testing {

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
    bool saw(const std::string& event) const;

    struct Window {
        GtkWidget* window = nullptr;
        std::unique_ptr<gtk::WebKitEngine> engine;
    };
    TempDir m_dir;
    std::vector<Window> m_engines;
    std::vector<std::string> m_events;
};

} // namespace driftway::testing
