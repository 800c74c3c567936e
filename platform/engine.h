#pragma once

#include <functional>
#include <optional>
#include <string>

namespace driftway::platform {

enum class NavFlags { None = 0, NoHistory = 2 };

// Standard command ids understood by ExecWB and QueryStatusWB.
enum class OleCmd {
    SaveAs = 4,
    Print = 6,
    PrintPreview = 7,
    PageSetup = 8,
    Properties = 10,
    Cut = 11,
    Copy = 12,
    Paste = 13,
    SelectAll = 17,
    ClearSelection = 18,
    Zoom = 19,
    Stop = 23,
};

enum class OleExecOpt { DoDefault = 0, PromptUser = 1, DontPromptUser = 2 };

// Bits of a QueryStatusWB answer.
inline constexpr int kOleCmdFSupported = 1;
inline constexpr int kOleCmdFEnabled = 2;

// CommandStateChange command numbers.
inline constexpr int kCscForward = 1;
inline constexpr int kCscBack = 2;

class Engine;

// What the engine tells its window. Every hook may be empty.
struct EngineHooks {
    std::function<void(const std::string& url)> before_navigate;
    std::function<void()> navigate_complete;
    std::function<void()> download_complete;
    std::function<void(int command, bool enable)> command_state_change;
    std::function<void(const std::string& text)> status_text_change;
    // A page asks for a new window. The handler creates a main window and
    // returns its engine, which the request's page is then shown in; nullptr
    // refuses the request.
    std::function<Engine*()> new_window;
};

// One web view as the main window drives it. Failing operations throw
// platform::RuntimeError; handlers decide whether that is skipped or reported.
class Engine {
public:
    virtual ~Engine() = default;

    virtual void Navigate2(const std::string& address, NavFlags flags = NavFlags::None) = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    virtual void GoHome() = 0;
    virtual void GoSearch() = 0;
    virtual void Stop() = 0;
    virtual void Refresh() = 0;

    // in: the optional input value; out: receives the output value where the
    // command has one (zoom query). An absent output is left untouched.
    virtual void ExecWB(OleCmd cmd, OleExecOpt opt, std::optional<int> in = std::nullopt,
                        std::optional<int>* out = nullptr) = 0;
    virtual int QueryStatusWB(OleCmd cmd) = 0;

    virtual std::string LocationName() const = 0;
    virtual std::string LocationURL() const = 0;
    virtual bool Busy() const = 0;
    virtual bool Offline() const = 0;
    virtual void SetOffline(bool offline) = 0;

    virtual void SetFocus() = 0;

    EngineHooks hooks;
};

}  // namespace driftway::platform
