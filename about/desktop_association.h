#pragma once

#include "about/mod_associate.h"
#include "platform/paths.h"
#include "platform/registry_store.h"
#include "platform/shell.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace driftway::about {

// The desktop entry that carries our association, and the type it opens.
inline constexpr const char* kDesktopEntryId = "driftway-html.desktop";
inline constexpr const char* kHtmlMimeType = "text/html";

// Makes the desktop follow what HKEY_CLASSES_ROOT says about .htm and .html.
// While either extension names one of our ProgIDs and that ProgID has an open
// command, a desktop entry built from the command and icon is kept in
// <data home>/applications and put first in the text/html default of
// <config home>/mimeapps.list (other programs stay behind it as fall-backs).
// Otherwise our entry is removed, and our name is taken out of the text/html
// default, which is left to whatever else it names.
class DesktopAssociation : public ChangeNotifier {
public:
    DesktopAssociation(platform::RegistryStore& registry, std::string data_home = platform::data_home(),
                       std::string config_home = platform::config_home(), platform::Shell* shell = nullptr);

    // Publishes; an error is kept for last_error(), since the notice itself
    // reports nothing.
    void SHChangeNotify(std::int32_t event_id, std::uint32_t flags) override;

    // Returns an error text when a file could not be written or read.
    std::optional<std::string> publish();

    std::string desktop_file() const;
    std::string mimeapps_file() const;
    // A link to the program from a path without blanks. xdg-utils, when no
    // desktop environment is running, takes Exec apart at blanks without
    // honouring quotes; a program whose path must be quoted is therefore
    // started through this link (the program still finds its own folder
    // through /proc/self/exe, which names the link's target).
    std::string launcher_link() const;
    const std::optional<std::string>& last_error() const { return m_last_error; }

private:
    platform::RegistryStore& m_registry;
    std::string m_data_home;
    std::string m_config_home;
    platform::Shell* m_shell;
    std::optional<std::string> m_last_error;
};

// Splits a registry command line by the usual rules (the inverse of
// quote_command_argument).
std::vector<std::string> split_command_line(std::string_view command);

// Whether an argument has to be quoted in an Exec value.
bool exec_needs_quoting(std::string_view argument);

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
