#pragma once

#include "about/frm_about.h"
#include "about/mod_associate.h"
#include "platform/prompts.h"
#include "platform/registry_store.h"
#include "platform/runtime_error.h"
#include "platform/shell.h"

#include <functional>
#include <string>
#include <vector>

namespace driftway::about::testing {

// Records the programs started; throws like a missing program when asked.
struct RecordingShell : platform::Shell {
    std::vector<std::vector<std::string>> spawned;
    std::vector<platform::WindowStyle> styles;
    bool fail = false;

    void spawn(const std::vector<std::string>& argv, platform::WindowStyle style) override
    {
        if (fail)
            throw platform::RuntimeError(platform::error::kFileNotFound, "File not found");
        spawned.push_back(argv);
        styles.push_back(style);
    }
    void open_with_default(const std::string&) override {}
};

struct RecordingPrompts : platform::Prompts {
    struct Box {
        std::string text;
        std::string caption;
        platform::MsgButtons buttons;
    };
    std::vector<Box> boxes;

    platform::MsgAnswer message_box(const std::string& text, const std::string& caption,
                                    platform::MsgButtons buttons, platform::MsgIcon) override
    {
        boxes.push_back({text, caption, buttons});
        return platform::MsgAnswer::Ok;
    }
    std::optional<std::string> open_file(const std::string&,
                                         const std::vector<platform::FileFilter>&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> save_file(const std::string&, const std::string&,
                                         const std::vector<platform::FileFilter>&) override
    {
        return std::nullopt;
    }
};

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
