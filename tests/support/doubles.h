#pragma once

#include "platform/prompts.h"
#include "platform/runtime_error.h"
#include "platform/shell.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace driftway::testing {

struct ShownMessage {
    std::string text, caption;
    platform::MsgButtons buttons;
    platform::MsgIcon icon;
    bool operator==(const ShownMessage&) const = default;
};

// Answers message boxes and file dialogs from a script: Yes to a yes/no
// question and OK otherwise when `answers` is empty, a cancelled dialog when
// `files` is. Each is recorded, and written to `log` when given ("message
// <text>", "open <title>", "save <name> <title>").
class PromptsDouble : public platform::Prompts {
public:
    explicit PromptsDouble(std::vector<std::string>* log = nullptr) : m_log(log) {}
    std::deque<platform::MsgAnswer> answers;
    std::deque<std::optional<std::string>> files;
    std::optional<platform::RuntimeError> dialog_error; // thrown by every dialog
    std::vector<ShownMessage> messages;

    platform::MsgAnswer message_box(const std::string& text, const std::string& caption,
                                    platform::MsgButtons b, platform::MsgIcon i) override
    {
        note("message " + text);
        messages.push_back({text, caption, b, i});
        if (answers.empty())
            return b == platform::MsgButtons::YesNo ? platform::MsgAnswer::Yes : platform::MsgAnswer::Ok;
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::string> open_file(const std::string& title,
                                         const std::vector<platform::FileFilter>&) override
    {
        return dialog("open " + title);
    }
    std::optional<std::string> save_file(const std::string& title, const std::string& name,
                                         const std::vector<platform::FileFilter>&) override
    {
        return dialog("save " + name + " " + title);
    }
    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const auto& m : messages)
            out.push_back(m.text);
        return out;
    }

private:
    void note(const std::string& entry)
    {
        if (m_log)
            m_log->push_back(entry);
    }
    std::optional<std::string> dialog(const std::string& entry)
    {
        note(entry);
        if (dialog_error)
            throw *dialog_error;
        if (files.empty())
            return std::nullopt;
        auto file = files.front();
        files.pop_front();
        return file;
    }
    std::vector<std::string>* m_log;
};

// Records the programs started and the files opened; `fail` makes starting fail.
class ShellDouble : public platform::Shell {
public:
    std::vector<std::vector<std::string>> spawned;
    std::vector<std::string> opened;
    bool fail = false;
    void spawn(const std::vector<std::string>& argv, platform::WindowStyle) override
    {
        if (fail)
            throw platform::RuntimeError(platform::error::kFileNotFound, "File not found");
        spawned.push_back(argv);
    }
    void open_with_default(const std::string& path) override { opened.push_back(path); }
};

} // namespace driftway::testing
