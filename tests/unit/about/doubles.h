#pragma once

#include "about/frm_about.h"
#include "about/mod_associate.h"
#include "platform/registry_store.h"
#include "platform/settings_store.h"
#include "tests/support/doubles.h"

#include <functional>
#include <string>
#include <vector>

namespace driftway::about::testing {

using driftway::testing::PromptsDouble;
using driftway::testing::ShellDouble;

// The stored "open-HTML" choice of the About box, or "absent".
inline std::string stored_choice(platform::SettingsStore& settings)
{
    return settings.get_setting("Quillmere", "Driftway", "open-HTML", "absent");
}

struct FixedFacts : platform::SystemFacts {
    std::vector<platform::MachineValue> values;
    std::vector<platform::MachineValue> machine_values() const override { return values; }
};

// Writes "show" and "NavNow <address>" into a shared log.
struct RecordingWindow : FirstMainWindow {
    std::vector<std::string>& log;
    bool fail_show = false;
    explicit RecordingWindow(std::vector<std::string>& l) : log(l) {}
    void show() override
    {
        log.push_back("show");
        if (fail_show)
            throw platform::RuntimeError(platform::error::kInvalidCall, "cannot show");
    }
    void NavNow(const std::string& address) override { log.push_back("NavNow " + address); }
};

// Counts the "associations changed" notices; on_notify runs at each notice.
struct RecordingNotifier : ChangeNotifier {
    int count = 0;
    std::function<void()> on_notify;
    void SHChangeNotify(std::int32_t event_id, std::uint32_t flags) override
    {
        if (event_id == SHCNE_ASSOCCHANGED && flags == SHCNF_IDLIST)
            ++count;
        if (on_notify)
            on_notify();
    }
};

} // namespace driftway::about::testing
