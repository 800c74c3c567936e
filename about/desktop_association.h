#pragma once

#include "about/mod_associate.h"
#include "platform/paths.h"
#include "platform/registry_store.h"
#include "platform/shell.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace driftway::about {

// The desktop entry that carries our association, and the type it opens.
inline constexpr const char* kDesktopEntryId = "driftway-html.desktop";
inline constexpr const char* kHtmlMimeType = "text/html";

// The desktop entry an installed Driftway brings (data/driftway.desktop).
inline constexpr const char* kInstalledEntryId = "driftway.desktop";

// Makes the desktop follow what HKEY_CLASSES_ROOT says about .htm and .html.
// While either extension names one of our ProgIDs and that ProgID has an open
// command, a desktop entry built from the command and icon is kept in
// <data home>/applications and put first in the text/html default of
// <config home>/mimeapps.list (other programs stay behind it as fall-backs).
// When an installed driftway.desktop (in the data home or one of the data
// folders) starts this same program and opens text/html, that entry is named
// instead and none of our own is written, so the desktop lists Driftway once.
// Otherwise our entry is removed, and our names are taken out of the
// text/html default, which is left to whatever else it names.
class DesktopAssociation : public ChangeNotifier {
public:
    DesktopAssociation(platform::RegistryStore& registry, std::string data_home = platform::data_home(),
                       std::string config_home = platform::config_home(), platform::Shell* shell = nullptr,
                       std::vector<std::string> data_dirs = platform::data_dirs());

    // Publishes; an error is kept for last_error() and take_error(), since
    // the notice itself reports nothing.
    void SHChangeNotify(std::int32_t event_id, std::uint32_t flags) override;
    std::optional<std::string> take_error() override { return std::exchange(m_last_error, std::nullopt); }

    // Returns an error text when a file could not be written or read.
    std::optional<std::string> publish();

    std::string desktop_file() const;
    std::string mimeapps_file() const;
    // A link to the program from a path without blanks or "%". xdg-utils,
    // when no desktop environment is running, takes Exec apart at blanks
    // without honouring quotes, and GLib looks for the program under its
    // Exec spelling, "%%" and all; a program whose path needs either is
    // therefore started through this link (the program still finds its own
    // folder through /proc/self/exe, which names the link's target). The link
    // lies in the data home or, when that path has a blank itself, in the
    // configuration folder; empty when neither will do, and the association
    // then fails with a message rather than make an entry half the launchers
    // cannot start.
    std::string launcher_link() const;
    const std::optional<std::string>& last_error() const { return m_last_error; }

private:
    platform::RegistryStore& m_registry;
    std::string m_data_home;
    std::string m_config_home;
    platform::Shell* m_shell;
    std::vector<std::string> m_data_dirs;
    std::optional<std::string> m_last_error;
};

// Splits a registry command line by the usual rules (the inverse of
// quote_command_argument).
std::vector<std::string> split_command_line(std::string_view command);

// Whether an argument has to be quoted in an Exec value.
bool exec_needs_quoting(std::string_view argument);

// Whether a program path can stand in an Exec value as it is for every
// launcher: no character that needs quoting, and no "%".
bool plain_exec_program(std::string_view path);

// The Exec value (before the key file's own escaping) for a registry command:
// "%1" becomes %f, every other argument is quoted where the Desktop Entry
// rules require it and its "%" doubled. When program is given, it stands in
// for the command's program. nullopt for a command that cannot be written as
// Exec (empty, not UTF-8, or "%1" inside a longer argument).
std::optional<std::string> desktop_exec(std::string_view command, std::string_view program = {});

// The whole desktop entry.
std::string desktop_entry_text(std::string_view exec, std::string_view icon);

// Edits of mimeapps.list that keep every other line as it was.
std::string mimeapps_with_default(std::string_view text, std::string_view mime_type,
                                  std::string_view desktop_id);
std::string mimeapps_without(std::string_view text, std::string_view mime_type, std::string_view desktop_id);

} // namespace driftway::about
