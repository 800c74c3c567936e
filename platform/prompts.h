#pragma once

#include <optional>
#include <string>
#include <vector>

namespace driftway::platform {

enum class MsgButtons { Ok, AbortRetryIgnore, YesNo, OkCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
// The numbers are the classic message-box answers so that reports and tests can
// speak of "answer 3" (Abort) and friends.
enum class MsgAnswer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// The caption of a message box that names none of its own.
inline constexpr const char* kAppTitle = "Driftway";

struct FileFilter {
    std::string name;      // "Web Pages"
    std::string patterns;  // "*.htm; *.html "
};

// Parses the classic "Name|patterns|Name|patterns" filter text into entries.
std::vector<FileFilter> parse_filter(const std::string& filter);

// Modal questions to the user. The GTK side shows real dialogs; tests answer
// from a script.
class Prompts {
public:
    virtual ~Prompts() = default;

    virtual MsgAnswer message_box(const std::string& text, const std::string& caption,
                                  MsgButtons buttons, MsgIcon icon) = 0;

    // The open-file dialog; nullopt when the user cancels.
    virtual std::optional<std::string> open_file(const std::string& title,
                                                 const std::vector<FileFilter>& filters) = 0;

    // A save-file dialog with a suggested name; nullopt when the user cancels.
    virtual std::optional<std::string> save_file(const std::string& title,
                                                 const std::string& suggested_name,
                                                 const std::vector<FileFilter>& filters) = 0;
};

}  // namespace driftway::platform
