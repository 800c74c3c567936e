#pragma once

#include "browser/browser_view.h"
#include "browser/frm_browser.h"
#include "tests/support/engine_double.h"
#include "tests/unit/commands/context_double.h"

#include <functional>
#include <memory>
#include <vector>

namespace driftway::testing {

// Records what the window logic asks of its toolkit side.
class ViewDouble : public browser::BrowserView {
public:
    std::string title, address, status;
    std::vector<std::string> list;
    browser::Layout layout;
    bool timer = false;
    browser::WindowState state = browser::WindowState::Normal;

    std::vector<std::string> log;
    PromptsDouble ask{&log};
    ShellDouble sh;

    void set_title(const std::string& t) override { title = t; }
    void set_address_text(const std::string& t) override { address = t; }
    std::string address_text() const override { return address; }
    void set_address_list(const std::vector<std::string>& entries, int selected) override
    {
        list = entries;
        if (selected >= 0)
            address = entries[static_cast<std::size_t>(selected)];
    }
    void set_status_text(const std::string& t) override { status = t; }
    void apply_layout(const browser::Layout& l) override { layout = l; }
    void start_timer() override { timer = true; }
    void stop_timer() override { timer = false; }
    std::optional<std::string> clipboard_text() override { return std::nullopt; }
    browser::WindowState window_state() const override { return state; }
    void set_window_state(browser::WindowState s) override { state = s; }
    void set_menu_checked(const std::string&, int, bool) override {}
    void set_menu_enabled(const std::string&, int, bool) override {}
    void focus_address_box() override {}
    platform::Prompts& prompts() override { return ask; }
    platform::Shell& shell() override { return sh; }
    std::pair<float, float> position() const override { return {1000, 2000}; }
    void move_to(float, float) override {}
    void show() override {}
    void close() override {}
};

// A window with its doubles, created by the factory double below.
struct TestWindow {
    ViewDouble view;
    EngineDouble* engine = nullptr;
    std::unique_ptr<browser::FrmBrowser> frm;
    // The engine calls made before the favourites were read, once per read.
    std::vector<std::vector<std::string>> calls_at_favourites;
};

class FactoryDouble : public browser::WindowFactory {
public:
    std::vector<std::unique_ptr<TestWindow>> windows;

    TestWindow& make(const std::string& command_line = "",
                     const std::function<void(TestWindow&)>& before_load = nullptr)
    {
        auto w = std::make_unique<TestWindow>();
        auto engine = std::make_unique<EngineDouble>();
        w->engine = engine.get();
        w->frm = std::make_unique<browser::FrmBrowser>(std::move(engine), w->view, *this);
        w->frm->on_load_favorites = [w = w.get()] { w->calls_at_favourites.push_back(w->engine->calls); };
        if (before_load)
            before_load(*w);
        w->frm->Form_Load(command_line);
        windows.push_back(std::move(w));
        return *windows.back();
    }

    browser::FrmBrowser* create_main_window(platform::Engine*) override { return make().frm.get(); }
};

} // namespace driftway::testing
