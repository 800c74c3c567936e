#include "about/mod_associate.h"

#include "platform/ini.h"

#include <optional>

namespace driftway::about {

namespace {

using platform::Hkey;
using platform::RegStatus;
using platform::RegType;

// Closes a registry handle on every way out.
class KeyHandle {
public:
    explicit KeyHandle(platform::RegistryStore& registry) : m_registry(registry) {}
    ~KeyHandle()
    {
        if (m_key != Hkey::Null)
            m_registry.RegCloseKey(m_key);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    Hkey& out() { return m_key; }
    Hkey get() const { return m_key; }

private:
    platform::RegistryStore& m_registry;
    Hkey m_key = Hkey::Null;
};

// Names that would put the entries somewhere other than one key right below
// the root are refused.
bool usable_key_name(const std::string& name)
{
    return !name.empty() && name.find('\\') == std::string::npos && name.find('\0') == std::string::npos;
}

// A change the registry could not keep, as a message; nullopt otherwise.
std::optional<std::string> failure(platform::RegistryStore& registry, RegStatus status)
{
    if (status == RegStatus::ERROR_CANTWRITE)
        return "\"" + registry.file() + "\" could not be written: " + registry.write_error();
    return std::nullopt;
}

// The same for a write, which must succeed: any other answer is a failure too
// (a registry file that is damaged and could not be set aside refuses all).
std::optional<std::string> write_failure(platform::RegistryStore& registry, RegStatus status)
{
    if (status == RegStatus::ERROR_SUCCESS)
        return std::nullopt;
    if (auto error = failure(registry, status))
        return error;
    return "\"" + registry.file() + "\" refused the change (error " +
           std::to_string(static_cast<int>(status)) + ").";
}

std::optional<std::string> set_default_below(platform::RegistryStore& registry, const std::string& key,
                                             const std::string& sub_key, const std::string& text)
{
    KeyHandle handle(registry);
    if (auto error =
            write_failure(registry, registry.RegCreateKeyA(Hkey::HKEY_CLASSES_ROOT, key, handle.out())))
        return error;
    return write_failure(registry, registry.RegSetValueA(handle.get(), sub_key, RegType::REG_SZ, text));
}

// Keeps the first error of a sequence of steps.
void keep_first(std::optional<std::string>& first, std::optional<std::string> error)
{
    if (!first && error)
        first = std::move(error);
}

} // namespace

std::string html_icon_file(std::string_view program_folder)
{
    std::string icon(program_folder);
    if (icon.empty() || icon.back() != '/')
        icon += '/';
    return icon + "support/htm.ico";
}

std::string quote_command_argument(std::string_view argument)
{
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

std::string open_command(std::string_view program_folder, std::string_view exe_name)
{
    std::string program(program_folder);
    if (program.empty() || program.back() != '/')
        program += '/';
    program += exe_name;
    // Both the program and the file are quoted, so that a blank in either
    // still gives the program one whole file name.
    return quote_command_argument(program) + " \"%1\"";
}

ModAssociate::ModAssociate(platform::RegistryStore& registry, std::string program_folder,
                           ChangeNotifier& notifier)
    : m_registry(registry), m_program_folder(std::move(program_folder)), m_notifier(notifier)
{
}

std::optional<std::string> ModAssociate::AssociateFileType(const std::string& ProgID,
                                                           const std::string& ExeName,
                                                           const std::string& Extension,
                                                           const std::string& Description,
                                                           const std::string& IconFile)
{
    if (!usable_key_name(ProgID) || !usable_key_name(Extension))
        return "\"" + ProgID + "\" and \"" + Extension + "\" cannot name registry keys.";
    std::optional<std::string> error;
    keep_first(error, set_default_below(m_registry, ProgID, "", Description));
    keep_first(error, set_default_below(m_registry, Extension, "", ProgID));
    keep_first(error, set_default_below(m_registry, ProgID, "shell\\open\\command",
                                        open_command(m_program_folder, ExeName)));
    keep_first(error, set_default_below(m_registry, ProgID, "DefaultIcon", IconFile));
    m_notifier.SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST);
    keep_first(error, m_notifier.take_error());
    return error;
}

bool ModAssociate::is_associated(const std::string& ProgID, const std::string& Extension)
{
    const auto value = m_registry.read_value(Hkey::HKEY_CLASSES_ROOT, Extension, "");
    if (!value || value->type != static_cast<std::uint32_t>(RegType::REG_SZ))
        return false;
    return platform::iequals(value->data.substr(0, value->data.find('\0')), ProgID);
}

std::optional<std::string> ModAssociate::RemoveFileType(const std::string& ProgID,
                                                        const std::string& Extension)
{
    if (!usable_key_name(ProgID) || !usable_key_name(Extension))
        return "\"" + ProgID + "\" and \"" + Extension + "\" cannot name registry keys.";
    std::optional<std::string> error;
    {
        KeyHandle extension(m_registry);
        if (m_registry.RegOpenKeyExA(Hkey::HKEY_CLASSES_ROOT, Extension, 0, platform::KEY_ALL_ACCESS,
                                     extension.out()) == RegStatus::ERROR_SUCCESS) {
            std::uint32_t type = 0;
            std::string data(1024, '\0');
            auto size = static_cast<std::uint32_t>(data.size());
            if (m_registry.RegQueryValueExA(extension.get(), "", &type, data.data(), &size) ==
                    RegStatus::ERROR_SUCCESS &&
                type == static_cast<std::uint32_t>(RegType::REG_SZ)) {
                data.resize(size);
                data = data.substr(0, data.find('\0'));
                if (platform::iequals(data, ProgID))
                    keep_first(error, failure(m_registry, m_registry.RegDeleteValueA(extension.get(), "")));
            }
        }
    }
    for (const char* sub : {"\\DefaultIcon", "\\Shell\\Open\\Command", "\\Shell\\Open", "\\Shell", ""})
        keep_first(error,
                   failure(m_registry, m_registry.RegDeleteKeyA(Hkey::HKEY_CLASSES_ROOT, ProgID + sub)));
    m_notifier.SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST);
    keep_first(error, m_notifier.take_error());
    return error;
}

std::optional<std::string> ModAssociate::associate_html()
{
    const std::string icon = html_icon_file(m_program_folder);
    std::optional<std::string> error;
    keep_first(error,
               AssociateFileType(kHtmType.ProgID, kExeName, kHtmType.Extension, kHtmType.Description, icon));
    keep_first(error, AssociateFileType(kHtmlType.ProgID, kExeName, kHtmlType.Extension,
                                        kHtmlType.Description, icon));
    return error;
}

std::optional<std::string> ModAssociate::remove_html()
{
    std::optional<std::string> error;
    keep_first(error, RemoveFileType(kHtmType.ProgID, kHtmType.Extension));
    keep_first(error, RemoveFileType(kHtmlType.ProgID, kHtmlType.Extension));
    return error;
}

} // namespace driftway::about
