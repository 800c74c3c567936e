#pragma once

#include "platform/registry_store.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace driftway::about {

// The shell's "file associations changed" notice and its flags.
inline constexpr std::int32_t SHCNE_ASSOCCHANGED = 0x08000000;
inline constexpr std::uint32_t SHCNF_IDLIST = 0;

// Tells the desktop that the associations in the registry have changed.
class ChangeNotifier {
public:
    virtual ~ChangeNotifier() = default;
    virtual void SHChangeNotify(std::int32_t event_id, std::uint32_t flags) = 0;
    // What went wrong while the desktop followed the last notice, once.
    virtual std::optional<std::string> take_error() { return std::nullopt; }
};

// The per-user setting that remembers the user's choice.
inline constexpr const char* kSettingsApplication = "Quillmere";
inline constexpr const char* kSettingsSection = "Driftway";
inline constexpr const char* kOpenHtmlKey = "open-HTML";

// The two file types the About box associates, and the program that opens them.
struct HtmlFileType {
    const char* ProgID;
    const char* Extension;
    const char* Description;
};
inline constexpr HtmlFileType kHtmType{"DriftwayHTM", ".htm", "HTM"};
inline constexpr HtmlFileType kHtmlType{"DriftwayHTML", ".html", "HTML"};
inline constexpr const char* kExeName = "Driftway";

// The icon the association names: support/htm.ico beside the executable.
std::string html_icon_file(std::string_view program_folder);

// Quotes one argument of a registry command line, so that blanks, quotes and
// backslashes in it come back unchanged when the line is split again (the
// usual command-line rules: "..." groups, \" is a quote, backslashes are
// doubled only before a quote).
std::string quote_command_argument(std::string_view argument);

// The command registered for our types: the program and the file, each
// quoted, e.g. "/opt/My Apps/Driftway" "%1".
std::string open_command(std::string_view program_folder, std::string_view exe_name);

// The file-association module: writes and removes the registry entries of one
// file type under HKEY_CLASSES_ROOT and tells the desktop.
class ModAssociate {
public:
    ModAssociate(platform::RegistryStore& registry, std::string program_folder, ChangeNotifier& notifier);

    // Writes ProgID = Description, Extension = ProgID,
    // ProgID\shell\open\command = the quoted command and
    // ProgID\DefaultIcon = IconFile, then notifies. Each step runs even when
    // an earlier one failed; the first failure (of the registry or of the
    // desktop) is returned as a message naming the file and the reason.
    std::optional<std::string> AssociateFileType(const std::string& ProgID, const std::string& ExeName,
                                                 const std::string& Extension, const std::string& Description,
                                                 const std::string& IconFile);

    // Withdraws Extension's association (its default value is cleared only
    // while it still names ProgID; the key and its other values and subkeys
    // belong to others too), deletes the ProgID's keys deepest first, then
    // notifies. Returns the first failure, as AssociateFileType does.
    std::optional<std::string> RemoveFileType(const std::string& ProgID, const std::string& Extension);

    // Both HTML types at once, as the About box's check box does.
    std::optional<std::string> associate_html();
    std::optional<std::string> remove_html();

    // Whether the registry has Extension opened by ProgID.
    bool is_associated(const std::string& ProgID, const std::string& Extension);

    const std::string& program_folder() const { return m_program_folder; }

private:
    platform::RegistryStore& m_registry;
    std::string m_program_folder;
    ChangeNotifier& m_notifier;
};

} // namespace driftway::about
