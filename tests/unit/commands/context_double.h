#pragma once

#include "commands/command_context.h"
#include "tests/support/doubles.h"
#include "tests/support/engine_double.h"

#include <functional>
#include <map>
#include <optional>

namespace driftway::testing {

// The main window as the commands see it: every call is written to `log`
// ("NavSite store.htm", "toolbar 15", ...); menu marks live in a map.
class ContextDouble : public commands::CommandContext {
public:
    std::vector<std::string> log;
    EngineDouble eng;
    PromptsDouble ask{&log};
    ShellDouble sh;
    std::map<std::pair<std::string, int>, bool> checks;
    bool pane = false, full = false;
    float top = 600, inner = 9000;
    std::function<void()> on_window_state; // the window's own resize
    std::optional<platform::RuntimeError> nav_error, import_error;

    platform::Engine& engine() override { return eng; }
    platform::Prompts& prompts() override { return ask; }
    platform::Shell& shell() override { return sh; }
    std::string program_path() const override { return "/opt/drift way/Driftway"; }
    void NavNow(const std::string& a) override { fallible("NavNow " + a, nav_error); }
    void NavSite(const std::string& p) override { fallible("NavSite " + p, nav_error); }
    void close_window() override { log.push_back("close"); }
    void set_title_from_location() override { log.push_back("title " + eng.LocationName()); }
    void start_busy_timer() override { log.push_back("timer start"); }
    void stop_busy_timer() override { log.push_back("timer stop"); }
    bool menu_checked(const std::string& set, int i) const override
    {
        const auto it = checks.find({set, i});
        return it != checks.end() && it->second;
    }
    void set_menu_checked(const std::string& set, int i, bool on) override
    {
        log.push_back("check " + set + " " + std::to_string(i) + " " + (on ? "1" : "0"));
        checks[{set, i}] = on;
    }
    void set_menu_enabled(const std::string&, int, bool) override {}
    bool favourites_pane_visible() const override { return pane; }
    void set_favourites_pane_visible(bool v) override { log.push_back(flag("pane", pane = v)); }
    void Form_Resize() override { log.push_back("Form_Resize"); }
    bool bFullSc() const override { return full; }
    void set_bFullSc(bool v) override { log.push_back(flag("bFullSc", full = v)); }
    void set_window_state(commands::WindowState s) override
    {
        log.push_back("state " + std::to_string(static_cast<int>(s)));
        if (on_window_state)
            on_window_state();
    }
    void set_toolbar_height(float t) override { log.push_back("toolbar " + num(t)); }
    void set_status_height(float t) override { log.push_back("status " + num(t)); }
    float engine_top() const override { return top; }
    void set_engine_top(float t) override { log.push_back("top " + num(top = t)); }
    void set_engine_height(float t) override { log.push_back("height " + num(t)); }
    float inner_height() const override { return inner; }
    void import_bookmarks(const std::string& p) override { fallible("import " + p, import_error); }
    void export_favorites(const std::string& p) override { log.push_back("export " + p); }

    // The engine's calls, then " / ", then the window's log, each joined by "|".
    std::string trace() const { return join(eng.calls) + " / " + join(log); }

private:
    static std::string join(const std::vector<std::string>& parts)
    {
        std::string out;
        for (const auto& p : parts)
            out += (out.empty() ? "" : "|") + p;
        return out;
    }
    static std::string num(float t) { return std::to_string(static_cast<int>(t)); }
    static std::string flag(const char* name, bool v) { return std::string(name) + (v ? " 1" : " 0"); }
    void fallible(const std::string& entry, const std::optional<platform::RuntimeError>& error)
    {
        log.push_back(entry);
        if (error)
            throw *error;
    }
};

} // namespace driftway::testing
