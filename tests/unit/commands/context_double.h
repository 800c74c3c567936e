#pragma once

#include "commands/command_context.h"
#include "tests/support/engine_double.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace driftway::testing {

// One message box as shown.
struct ShownMessage {
    std::string text;
    std::string caption;
    platform::MsgButtons buttons;
    platform::MsgIcon icon;
};

// Answers message boxes and file dialogs from a script and records them.
class PromptsDouble : public platform::Prompts {
public:
    explicit PromptsDouble(std::vector<std::string>& log) : m_log(log) {}

    std::deque<platform::MsgAnswer> answers;         // default: Ok
    std::deque<std::optional<std::string>> files;    // default: cancelled
    std::optional<platform::RuntimeError> dialog_error;  // thrown by the next dialog
    std::vector<ShownMessage> messages;
    std::vector<std::string> dialog_titles;
    std::vector<std::vector<platform::FileFilter>> dialog_filters;

    platform::MsgAnswer message_box(const std::string& text, const std::string& caption,
                                    platform::MsgButtons buttons, platform::MsgIcon icon) override
    {
        m_log.push_back("message " + text);
        messages.push_back({text, caption, buttons, icon});
        if (answers.empty())
            return platform::MsgAnswer::Ok;
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::string> open_file(const std::string& title,
                                         const std::vector<platform::FileFilter>& filters) override
    {
        return dialog("open", title, filters);
    }
    std::optional<std::string> save_file(const std::string& title, const std::string& suggested,
                                         const std::vector<platform::FileFilter>& filters) override
    {
        return dialog("save " + suggested, title, filters);
    }

private:
    std::optional<std::string> dialog(const std::string& kind, const std::string& title,
                                      const std::vector<platform::FileFilter>& filters)
    {
        m_log.push_back(kind + " " + title);
        dialog_titles.push_back(title);
        dialog_filters.push_back(filters);
        if (dialog_error) {
            const auto error = *dialog_error;
            dialog_error.reset();
            throw error;
        }
        if (files.empty())
            return std::nullopt;
        auto file = files.front();
        files.pop_front();
        return file;
    }
    std::vector<std::string>& m_log;
};

class ShellDouble : public platform::Shell {
public:
    std::vector<std::vector<std::string>> spawned;
    std::vector<platform::WindowStyle> styles;
    bool fail = false;

    void spawn(const std::vector<std::string>& argv, platform::WindowStyle style) override
    {
        if (fail)
            throw platform::RuntimeError(53, "File not found");
        spawned.push_back(argv);
        styles.push_back(style);
    }
    void open_with_default(const std::string&) override {}
};

// The main window as the commands see it: every call is written to `log`
// ("NavSite store.htm", "toolbar 15", ...), the menu marks live in a map.
class ContextDouble : public commands::CommandContext {
public:
    std::vector<std::string> log;
    EngineDouble engine_double;
    PromptsDouble prompts_double{log};
    ShellDouble shell_double;
    std::map<std::pair<std::string, int>, bool> checks;
    bool pane_visible = false;
    bool full_screen = false;
    float top = 600;
    float inner = 9000;
    // Runs when a window state is asked for, like the window's own resize.
    std::function<void()> on_window_state;
    std::optional<platform::RuntimeError> nav_error;
    std::optional<platform::RuntimeError> import_error;

    browser::Engine& engine() override { return engine_double; }
    platform::Prompts& prompts() override { return prompts_double; }
    platform::Shell& shell() override { return shell_double; }
    std::string program_path() const override { return "/opt/drift way/Driftway"; }

    void NavNow(const std::string& address) override { nav("NavNow " + address); }
    void NavSite(const std::string& page) override { nav("NavSite " + page); }
    void close_window() override { log.push_back("close"); }
    void set_title_from_location() override { log.push_back("title " + engine_double.LocationName()); }
    void start_busy_timer() override { log.push_back("timer start"); }
    void stop_busy_timer() override { log.push_back("timer stop"); }

    bool menu_checked(const std::string& set, int index) const override
    {
        const auto it = checks.find({set, index});
        return it != checks.end() && it->second;
    }
    void set_menu_checked(const std::string& set, int index, bool checked) override
    {
        log.push_back("check " + set + " " + std::to_string(index) + " " + (checked ? "1" : "0"));
        checks[{set, index}] = checked;
    }
    void set_menu_enabled(const std::string&, int, bool) override {}

    bool favourites_pane_visible() const override { return pane_visible; }
    void set_favourites_pane_visible(bool visible) override
    {
        log.push_back(std::string("pane ") + (visible ? "1" : "0"));
        pane_visible = visible;
    }
    void Form_Resize() override { log.push_back("Form_Resize"); }

    bool bFullSc() const override { return full_screen; }
    void set_bFullSc(bool value) override
    {
        log.push_back(std::string("bFullSc ") + (value ? "1" : "0"));
        full_screen = value;
    }
    void set_window_state(commands::WindowState state) override
    {
        log.push_back("state " + std::to_string(static_cast<int>(state)));
        if (on_window_state)
            on_window_state();
    }
    void set_toolbar_height(float t) override { log.push_back("toolbar " + num(t)); }
    void set_status_height(float t) override { log.push_back("status " + num(t)); }
    float engine_top() const override { return top; }
    void set_engine_top(float t) override
    {
        log.push_back("top " + num(t));
        top = t;
    }
    void set_engine_height(float t) override { log.push_back("height " + num(t)); }
    float inner_height() const override { return inner; }

    void import_bookmarks(const std::string& path) override
    {
        log.push_back("import " + path);
        if (import_error)
            throw *import_error;
    }
    void export_favorites(const std::string& path) override { log.push_back("export " + path); }

    bool checked(const std::string& set, int index) const { return menu_checked(set, index); }

private:
    static std::string num(float t) { return std::to_string(static_cast<int>(t)); }
    void nav(const std::string& entry)
    {
        log.push_back(entry);
        if (nav_error)
            throw *nav_error;
    }
};

}  // namespace driftway::testing
