#pragma once

#include "platform/engine.h"
#include "platform/runtime_error.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace driftway::testing {

// A scripted engine for tests without a display. It records every call in
// `calls` (e.g. "Navigate2 about:blank 2", "ExecWB 6 0", "GoBack"), answers
// properties from plain members, throws a scripted RuntimeError from a named
// operation, and fires the engine hooks on demand.
class EngineDouble : public platform::Engine {
public:
    std::vector<std::string> calls;

    std::string location_name;
    std::string location_url;
    bool busy = false;
    bool offline = false;
    int zoom_level = 2;
    bool zoom_query_gives_nothing = false;
    std::map<int, int> query_status;  // command id -> OLECMDF bits (default: supported|enabled)

    // Operation name ("Navigate2", "ExecWB 6", "QueryStatusWB", "GoBack", ...)
    // -> the error it throws the next `count` times it is called.
    struct Failure {
        platform::RuntimeError error;
        int count;
    };
    std::map<std::string, Failure> failures;

    // Navigate2 also updates location_url and fires before_navigate unless
    // this is false (the real engine does both, later).
    bool navigate_fires_events = true;

    void fail(const std::string& op, int number, const std::string& description, int count = 1)
    {
        failures.insert_or_assign(op, Failure{platform::RuntimeError(number, description), count});
    }

    void Navigate2(const std::string& address, platform::NavFlags flags) override
    {
        record("Navigate2", address + " " + std::to_string(static_cast<int>(flags)));
        maybe_fail("Navigate2");
        if (navigate_fires_events) {
            location_url = address;
            if (hooks.before_navigate)
                hooks.before_navigate(address);
        }
    }
    void GoBack() override { simple("GoBack"); }
    void GoForward() override { simple("GoForward"); }
    void GoHome() override { simple("GoHome"); }
    void GoSearch() override { simple("GoSearch"); }
    void Stop() override { simple("Stop"); }
    void Refresh() override { simple("Refresh"); }

    void ExecWB(platform::OleCmd cmd, platform::OleExecOpt opt, std::optional<int> in,
                std::optional<int>* out) override
    {
        const int id = static_cast<int>(cmd);
        std::string args = std::to_string(id) + " " + std::to_string(static_cast<int>(opt));
        if (in)
            args += " in=" + std::to_string(*in);
        if (out)
            args += " out";
        record("ExecWB", args);
        maybe_fail("ExecWB " + std::to_string(id));
        if (cmd == platform::OleCmd::Zoom) {
            if (in)
                zoom_level = *in;
            else if (out && !zoom_query_gives_nothing)
                *out = zoom_level;
        }
    }

    int QueryStatusWB(platform::OleCmd cmd) override
    {
        const int id = static_cast<int>(cmd);
        record("QueryStatusWB", std::to_string(id));
        maybe_fail("QueryStatusWB");
        const auto it = query_status.find(id);
        return it == query_status.end() ? (platform::kOleCmdFSupported | platform::kOleCmdFEnabled) : it->second;
    }

    std::string LocationName() const override { return location_name; }
    std::string LocationURL() const override { return location_url; }
    bool Busy() const override { return busy; }
    bool Offline() const override { return offline; }
    void SetOffline(bool value) override
    {
        record("SetOffline", value ? "true" : "false");
        maybe_fail("SetOffline");
        offline = value;
    }
    void SetFocus() override { simple("SetFocus"); }

    // Event triggers, as the real engine would raise them.
    void fire_before_navigate(const std::string& url)
    {
        if (hooks.before_navigate)
            hooks.before_navigate(url);
    }
    void fire_navigate_complete()
    {
        if (hooks.navigate_complete)
            hooks.navigate_complete();
    }
    void fire_download_complete()
    {
        if (hooks.download_complete)
            hooks.download_complete();
    }
    void fire_command_state_change(int command, bool enable)
    {
        if (hooks.command_state_change)
            hooks.command_state_change(command, enable);
    }
    void fire_status_text_change(const std::string& text)
    {
        if (hooks.status_text_change)
            hooks.status_text_change(text);
    }
    platform::Engine* fire_new_window() { return hooks.new_window ? hooks.new_window() : nullptr; }

    bool called(const std::string& call) const
    {
        for (const auto& c : calls)
            if (c == call)
                return true;
        return false;
    }

private:
    void record(const std::string& op, const std::string& args)
    {
        calls.push_back(args.empty() ? op : op + " " + args);
    }
    void simple(const std::string& op)
    {
        record(op, "");
        maybe_fail(op);
    }
    void maybe_fail(const std::string& op)
    {
        auto it = failures.find(op);
        if (it == failures.end())
            return;
        if (it->second.count <= 0)
            return;
        --it->second.count;
        throw it->second.error;
    }
};

}  // namespace driftway::testing
