#pragma once

#include "gtk/webkit_engine.h"
#include "tests/gtk/common/http_server.h"
#include "tests/gtk/common/wait.h"
#include "tests/gtk/common/web_view.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace driftway::testing {

// A real WebKit engine in a shown window; the first engine's events are
// recorded as lines ("before <url>", "navigate", "download", "command 2 1",
// "status <text>").
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The shared web context takes its folders once per program; a test
        // that runs this program again hands its own folders down.
        static TempDir home;
        if (!std::getenv("DRIFTWAY_TEST_KEEP_USER_DIRS"))
            for (const char* kind : {"DATA", "CACHE", "CONFIG"})
                setenv((std::string("XDG_") + kind + "_HOME").c_str(), (home.str() + "/" + kind).c_str(), 1);
        make_engine();
        auto& hooks = engine().hooks;
        hooks.before_navigate = [this](const std::string& url) { m_events.push_back("before " + url); };
        hooks.navigate_complete = [this] { m_events.push_back("navigate"); };
        hooks.download_complete = [this] { m_events.push_back("download"); };
        hooks.command_state_change = [this](int command, bool enable) {
            m_events.push_back("command " + std::to_string(command) + (enable ? " 1" : " 0"));
        };
        hooks.status_text_change = [this](const std::string& text) { m_events.push_back("status " + text); };
    }
    void TearDown() override
    {
        for (auto& w : m_engines) {
            w.engine.reset();
            gtk_widget_destroy(w.window);
        }
        m_engines.clear();
        pump_for(50);
    }

    gtk::WebKitEngine& make_engine()
    {
        gtk::EngineOptions options;
        options.acceleration = gtk::Acceleration::Never;
        options.home_page = [this] { return m_dir.str() + "/home.html"; };
        Window w{gtk_window_new(GTK_WINDOW_TOPLEVEL), std::make_unique<gtk::WebKitEngine>(options)};
        gtk_window_set_default_size(GTK_WINDOW(w.window), 800, 600);
        gtk_container_add(GTK_CONTAINER(w.window), w.engine->widget());
        gtk_widget_show_all(w.window);
        m_engines.push_back(std::move(w));
        return *m_engines.back().engine;
    }
    gtk::WebKitEngine& engine() { return *m_engines.front().engine; }
    // Navigates and waits until the page is loaded and named as expected.
    void load(const std::string& address, const std::string& expected_name)
    {
        engine().Navigate2(address);
        ASSERT_TRUE(shows(expected_name)) << address << " shows " << engine().LocationName();
    }
    // Waits until the first engine is idle and shows a page of that name.
    bool shows(const std::string& name)
    {
        return wait_until([&] { return engine().LocationName() == name && !engine().Busy(); });
    }
    bool saw(const std::string& event) const
    {
        return std::find(m_events.begin(), m_events.end(), event) != m_events.end();
    }

    struct Window {
        GtkWidget* window = nullptr;
        std::unique_ptr<gtk::WebKitEngine> engine;
    };
    TempDir m_dir;
    std::vector<Window> m_engines;
    std::vector<std::string> m_events;
};

} // namespace driftway::testing
