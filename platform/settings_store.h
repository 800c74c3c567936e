#pragma once

#include "platform/paths.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace driftway::platform {

// The per-user settings store: a string per (application, section, key).
//
// Each application keeps one INI file, "<folder>/<application>/settings.ini"
// (the folder is $XDG_CONFIG_HOME, ~/.config by default), whose groups are the
// sections. The application name is a folder name and so is matched exactly;
// section and key names are matched without regard to ASCII case. The file is the program's own: it is
// rewritten whole and atomically on every change, and comments in it are not kept. A value that would not
// survive a plain "key=value" line (line breaks, leading or trailing blanks, bytes that are not UTF-8, a
// leading quote) is written in double quotes with backslash escapes (\\ \" \n \r \t \xHH).
//
// A file that cannot be read, is larger than it could ever get, holds NUL
// bytes or text that is not UTF-8, or has lines that are neither a group
// header, a key=value pair, a comment nor blank, counts as damaged: it is
// renamed to "settings.ini.corrupt-<time>" and reported through
// take_warnings(), and the defaults are used. When it cannot even be renamed
// it is left alone and nothing is written over it.
//
// The file is read again on every call, so a change made by another Driftway
// process (the Internet Options dialog runs as one) is seen at once.
class SettingsStore {
public:
    explicit SettingsStore(std::string folder = config_home());

    const std::string& folder() const { return m_folder; }

    // The file that holds an application's settings; empty for a name that
    // cannot be a folder name ("", ".", "..", or one holding "/" or a control
    // character).
    std::string file_for(std::string_view application) const;

    // The stored value, or default_value when there is none (or the name is
    // not valid).
    std::string get_setting(std::string_view application, std::string_view section, std::string_view key,
                            std::string_view default_value = "");

    // Store or remove one value. Return an error text, which callers may show
    // or pass over; nothing is changed when they fail.
    std::optional<std::string> save_setting(std::string_view application, std::string_view section,
                                            std::string_view key, std::string_view value);
    std::optional<std::string> delete_setting(std::string_view application, std::string_view section,
                                              std::string_view key);

    // Messages about damaged files met since the last call, each ready to
    // show to the user; the list is emptied.
    std::vector<std::string> take_warnings();

    // Largest settings file read; anything bigger is damaged.
    static constexpr std::size_t kMaxFileSize = 1024 * 1024;

private:
    struct Loaded;
    Loaded load(const std::string& file);

    std::string m_folder;
    std::vector<std::string> m_warnings;
};

// The escaping of settings values, exposed for the tests and the fuzzer.
std::string encode_setting_value(std::string_view value);
std::string decode_setting_value(std::string_view stored);

} // namespace driftway::platform
