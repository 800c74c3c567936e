#include "about/frm_about.h"

#include "about/publisher.h"

#include <charconv>
#include <sys/stat.h>

namespace driftway::about {

namespace {

using platform::Hkey;
using platform::RegStatus;
using platform::RegType;

// The access the About box has always asked for when it reads a key.
constexpr std::uint32_t kReadAccess = 0x2003F;
constexpr std::size_t kBufferSize = 1024;

constexpr ControlText kControls[] = {
    {"frmAbout", "About MyApp", ""},
    {"lblTitle", "Application Title", ""},
    {"lblVersion", "Version", ""},
    {"lblDescription", "Driftway is a light weight web browser. Developed and published by Quillmere.", ""},
    {"lblDisclaimer",
     "Warning: Driftway is protected by copyright law. Copying it or passing it on, in whole or in part, "
     "without the permission of Quillmere is not allowed.",
     ""},
    {"chkAssociate", "Associate HTML files on my computer with Driftway.",
     "Check to always open HTML files on your computer with Driftway"},
    {"cmdOK", "OK", "Close About"},
    {"cmdSysInfo", "&System Info...", "System Information"},
    {"fraAd", "", ""},
    {"cmdDownload", "&Download Quillpad Trial", ""},
    {"lblTy",
     "Thank you for choosing Driftway. Try Quillpad, the light-weight text editor from Quillmere, and find "
     "more of our software on the Quillmere website.",
     "Visit Quillmere website"},
};

std::string dword_text(const char* bytes, std::uint32_t size)
{
    std::uint32_t value = 0;
    for (std::uint32_t i = 0; i < size && i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    char digits[8];
    const auto end = std::to_chars(digits, digits + sizeof digits, value, 16).ptr;
    std::string text = "&h";
    for (const char* p = digits; p != end; ++p)
        text += (*p >= 'a' && *p <= 'f') ? static_cast<char>(*p - 'a' + 'A') : *p;
    return text;
}

bool is_file(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

std::span<const ControlText> about_controls()
{
    return kControls;
}

const ControlText& about_control(std::string_view control)
{
    static constexpr ControlText kNone{"", "", ""};
    for (const ControlText& c : kControls)
        if (control == c.control)
            return c;
    return kNone;
}

std::string version_text()
{
    return "V. " + std::to_string(DRIFTWAY_VERSION_MAJOR) + "." + std::to_string(DRIFTWAY_VERSION_MINOR) +
           "." + std::to_string(DRIFTWAY_VERSION_PATCH);
}

std::string advert_download_address()
{
    return std::string(kPublisherBase) + "trial/QuillpadSetup.exe";
}

std::string publisher_home_address()
{
    std::string home = kPublisherBase;
    home.pop_back();
    return home;
}

bool GetKeyValue(platform::RegistryStore& registry, Hkey KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal)
{
    Hkey hKey = Hkey::Null;
    bool result = false;
    if (registry.RegOpenKeyExA(KeyRoot, KeyName, 0, kReadAccess, hKey) != RegStatus::ERROR_SUCCESS) {
        KeyVal.clear();
    } else {
        std::string buffer(kBufferSize, '\0');
        auto size = static_cast<std::uint32_t>(kBufferSize);
        std::uint32_t type = 0;
        if (registry.RegQueryValueExA(hKey, SubKeyRef, &type, buffer.data(), &size) !=
            RegStatus::ERROR_SUCCESS) {
            KeyVal.clear();
        } else {
            std::string text = buffer.substr(0, size);
            if (!text.empty() && text.back() == '\0')
                text.pop_back();
            if (type == static_cast<std::uint32_t>(RegType::REG_SZ)) {
                // A string ends at its first NUL, whatever follows it.
                KeyVal = text.substr(0, text.find('\0'));
            } else if (type == static_cast<std::uint32_t>(RegType::REG_DWORD)) {
                // The number is read from all its bytes: a cut at a NUL would
                // lose a zero high byte.
                KeyVal = dword_text(buffer.data(), size);
            }
            result = true;
        }
    }
    registry.RegCloseKey(hKey);
    return result;
}

int check_state_from_setting(std::string_view stored)
{
    while (!stored.empty() && (stored.front() == ' ' || stored.front() == '\t'))
        stored.remove_prefix(1);
    while (!stored.empty() && (stored.back() == ' ' || stored.back() == '\t'))
        stored.remove_suffix(1);
    if (!stored.empty() && stored.front() == '+')
        stored.remove_prefix(1);
    long long value = 0;
    const auto [end, ec] = std::from_chars(stored.data(), stored.data() + stored.size(), value);
    if (stored.empty() || ec != std::errc{} || end != stored.data() + stored.size())
        return 0;
    return value != 0 ? 1 : 0;
}

FrmAbout::FrmAbout(AboutServices services)
    : m_services(services), m_caption(about_control("frmAbout").caption),
      m_title(about_control("lblTitle").caption), m_version(about_control("lblVersion").caption)
{
}

void FrmAbout::load()
{
    m_caption = kAboutCaption;
    m_version = version_text();
    m_title = kProductTitle;
    const std::string stored =
        m_services.settings.get_setting(kSettingsApplication, kSettingsSection, kOpenHtmlKey, "0");
    report_store_warnings();
    set_chkAssociate(check_state_from_setting(stored));
}

void FrmAbout::set_chkAssociate(int value)
{
    const int state = value != 0 ? 1 : 0;
    if (state == m_associate)
        return;
    m_associate = state;
    on_chkAssociate_click();
}

void FrmAbout::on_chkAssociate_click()
{
    // The choice is stored first, so that it is remembered even when the
    // registry cannot be changed; when the change fails, the box and the
    // setting are brought back to what the registry and desktop then hold,
    // and the failure is shown.
    std::vector<std::string> problems;
    const auto store = [&](int state) {
        if (auto error = m_services.settings.save_setting(kSettingsApplication, kSettingsSection,
                                                          kOpenHtmlKey, std::to_string(state)))
            problems.push_back("Your choice could not be saved: " + *error);
    };
    store(m_associate);
    ModAssociate& associate = m_services.associate;
    const bool wanted = m_associate != 0;
    std::optional<std::string> error;
    try {
        error = wanted ? associate.associate_html() : associate.remove_html();
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (error) {
        problems.push_back(std::string(wanted ? "HTML files could not be associated with Driftway: "
                                              : "HTML files could not be freed from Driftway: ") +
                           *error);
        // Half an association is taken back whole.
        if (wanted) {
            try {
                associate.remove_html();
            } catch (const std::exception&) {
            }
        }
        const int state = associate.is_associated(kHtmType.ProgID, kHtmType.Extension) ||
                                  associate.is_associated(kHtmlType.ProgID, kHtmlType.Extension)
                              ? 1
                              : 0;
        if (state != m_associate) {
            m_associate = state;
            store(state);
        }
    }
    report_store_warnings();
    if (!problems.empty()) {
        std::string message;
        for (const auto& problem : problems)
            message += (message.empty() ? "" : "\n\n") + problem;
        m_services.prompts.message_box(message, platform::kAppTitle, platform::MsgButtons::Ok,
                                       platform::MsgIcon::Exclamation);
    }
}

void FrmAbout::on_cmdOK_click()
{
    if (on_unload)
        on_unload();
}

void FrmAbout::on_cmdSysInfo_click()
{
    StartSysInfo();
}

void FrmAbout::on_cmdDownload_click()
{
    open_in_first_window(advert_download_address());
}

void FrmAbout::on_lblTy_click()
{
    open_in_first_window(publisher_home_address());
}

void FrmAbout::open_in_first_window(const std::string& address)
{
    // Unloading may destroy this object: keep what is needed first.
    FirstMainWindow& window = m_services.first_window;
    const std::string target = address;
    try {
        if (on_unload) {
            const auto unload = on_unload;
            unload();
        }
    } catch (const std::exception&) {
    }
    try {
        window.show();
    } catch (const std::exception&) {
    }
    try {
        window.NavNow(target);
    } catch (const std::exception&) {
    }
}

void FrmAbout::StartSysInfo()
{
    try {
        std::string path;
        if (GetKeyValue(m_services.registry, Hkey::HKEY_LOCAL_MACHINE, platform::kMsinfoKey,
                        platform::kMsinfoValue, path)) {
            if (!path.empty()) {
                m_services.shell.spawn({path}, platform::WindowStyle::NormalFocus);
                return;
            }
        } else if (GetKeyValue(m_services.registry, Hkey::HKEY_LOCAL_MACHINE, kMsinfoLocationKey,
                               kMsinfoLocationValue, path)) {
            if (path.empty() || path.back() != '/')
                path += '/';
            path += kMsinfoProgram;
            if (is_file(path)) {
                m_services.shell.spawn({path}, platform::WindowStyle::NormalFocus);
                return;
            }
        }
    } catch (const std::exception&) {
    }
    m_services.prompts.message_box(kSysInfoUnavailable, platform::kAppTitle, platform::MsgButtons::Ok,
                                   platform::MsgIcon::None);
}

void FrmAbout::report_store_warnings()
{
    std::vector<std::string> messages = m_services.settings.take_warnings();
    for (auto& message : m_services.registry.take_warnings())
        messages.push_back(std::move(message));
    for (const auto& message : messages)
        m_services.prompts.message_box(message, platform::kAppTitle, platform::MsgButtons::Ok,
                                       platform::MsgIcon::Exclamation);
}

} // namespace driftway::about
