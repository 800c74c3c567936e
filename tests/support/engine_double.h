#pragma once

#include "platform/engine.h"
#include "platform/runtime_error.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace driftway::testing {

// A scripted engine for tests without a display: every call is recorded in
// `calls` ("Navigate2 about:blank 2", "ExecWB 6 0", "GoBack"), properties come
// from plain members, and a named operation ("Navigate2", "ExecWB 6",
// "QueryStatusWB") throws a scripted error its next `count` calls. Navigate2
// also takes the address and tells before_navigate, as the real engine does later.
class EngineDouble : public platform::Engine {
public:
    std::vector<std::string> calls;
    std::string location_name, location_url;
    bool busy = false, offline = false, zoom_query_gives_nothing = false;
    int zoom_level = 2;
    std::map<int, int> query_status; // command id -> OLECMDF bits (default: supported|enabled)
    std::map<std::string, std::pair<platform::RuntimeError, int>> failures;

    void fail(const std::string& op, int number, const std::string& description, int count = 1)
    {
        failures.insert_or_assign(op, std::pair{platform::RuntimeError(number, description), count});
    }

    void Navigate2(const std::string& address, platform::NavFlags flags) override
    {
        record("Navigate2", "Navigate2 " + address + " " + std::to_string(static_cast<int>(flags)));
        location_url = address;
        if (hooks.before_navigate)
            hooks.before_navigate(address);
    }
    void GoBack() override { record("GoBack"); }
    void GoForward() override { record("GoForward"); }
    void GoHome() override { record("GoHome"); }
    void GoSearch() override { record("GoSearch"); }
    void Stop() override { record("Stop"); }
    void Refresh() override { record("Refresh"); }
    void SetFocus() override { record("SetFocus"); }
    void ExecWB(platform::OleCmd cmd, platform::OleExecOpt opt, std::optional<int> in,
                std::optional<int>* out) override
    {
        const std::string id = std::to_string(static_cast<int>(cmd));
        record("ExecWB " + id, "ExecWB " + id + " " + std::to_string(static_cast<int>(opt)) +
                                   (in ? " in=" + std::to_string(*in) : "") + (out ? " out" : ""));
        if (cmd == platform::OleCmd::Zoom && in)
            zoom_level = *in;
        else if (cmd == platform::OleCmd::Zoom && out && !zoom_query_gives_nothing)
            *out = zoom_level;
    }
    int QueryStatusWB(platform::OleCmd cmd) override
    {
        const int id = static_cast<int>(cmd);
        record("QueryStatusWB", "QueryStatusWB " + std::to_string(id));
        const auto it = query_status.find(id);
        return it == query_status.end() ? (platform::kOleCmdFSupported | platform::kOleCmdFEnabled)
                                        : it->second;
    }
    std::string LocationName() const override { return location_name; }
    std::string LocationURL() const override { return location_url; }
    bool Busy() const override { return busy; }
    bool Offline() const override { return offline; }
    void SetOffline(bool value) override
    {
        record("SetOffline", std::string("SetOffline ") + (value ? "true" : "false"));
        offline = value;
    }

private:
    // Records the call, then throws when `op` is scripted to fail.
    void record(const std::string& op, const std::string& call = "")
    {
        calls.push_back(call.empty() ? op : call);
        const auto it = failures.find(op);
        if (it != failures.end() && it->second.second > 0) {
            --it->second.second;
            throw it->second.first;
        }
    }
};

} // namespace driftway::testing
