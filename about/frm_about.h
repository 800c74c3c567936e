#pragma once

#include "about/mod_associate.h"
#include "platform/prompts.h"
#include "platform/registry_store.h"
#include "platform/settings_store.h"
#include "platform/shell.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace driftway::about {

// The texts the About box shows. The load handler replaces the window's,
// lblTitle's and lblVersion's design-time texts.
inline constexpr const char* kAboutCaption = "About Driftway\u2122";
inline constexpr const char* kProductTitle = "Driftway";
inline constexpr const char* kSysInfoUnavailable = "System Information Is Unavailable At This Time";

// One control of the About box: its name, caption (or text) and tool tip,
// which the dialog shows as given ("&" marks an access key).
struct ControlText {
    const char* control;
    const char* caption;
    const char* tooltip;
};

// Every control with a text, in the order of the dialog's design.
std::span<const ControlText> about_controls();
// One of them by name; a name that is not there is a programming error and
// gives a control with empty texts.
const ControlText& about_control(std::string_view control);

// "V. 4.0.0", from the program's own version.
std::string version_text();

// The advert's two addresses on the publisher site.
std::string advert_download_address();
std::string publisher_home_address();

// The second place the System Information tool may be registered: a folder
// that holds the program file below.
inline constexpr const char* kMsinfoLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr const char* kMsinfoLocationValue = "MSINFO";
inline constexpr const char* kMsinfoProgram = "MSINFO32.EXE";

// Reads one registry value into KeyVal through a 1024-byte buffer: REG_SZ as
// its text (up to its first NUL), REG_DWORD as "&h" and the upper-case
// hexadecimal digits of the 32-bit value without leading zeros ("&h0",
// "&h1F"); any other type leaves KeyVal as it was. Returns false, with KeyVal
// empty, when the key or value is missing or larger than the buffer. The key
// is always closed again.
bool GetKeyValue(platform::RegistryStore& registry, platform::Hkey KeyRoot, const std::string& KeyName,
                 const std::string& SubKeyRef, std::string& KeyVal);

// The check box state that a stored "open-HTML" text stands for: 0 for "0",
// for no value and for anything that is not a whole number; 1 for any other
// whole number.
int check_state_from_setting(std::string_view stored);

// How the About box reaches the program's first main window (the one created
// at start-up), whichever main window opened the box.
class FirstMainWindow {
public:
    virtual ~FirstMainWindow() = default;
    // Shows the window, creating it first when it no longer exists.
    virtual void show() = 0;
    virtual void NavNow(const std::string& completeAddress) = 0;
};

struct AboutServices {
    platform::SettingsStore& settings;
    platform::RegistryStore& registry;
    platform::Shell& shell;
    platform::Prompts& prompts;
    FirstMainWindow& first_window;
    ModAssociate& associate;
};

// The About box's logic, frmAbout without its widgets. The dialog creates
// one per opening, calls load(), shows caption(), lblTitle(), lblVersion()
// and chkAssociate(), and passes its controls' events to the handlers.
class FrmAbout {
public:
    explicit FrmAbout(AboutServices services);
    FrmAbout(const FrmAbout&) = delete;
    FrmAbout& operator=(const FrmAbout&) = delete;

    // Closes (unloads) the dialog. The dialog may destroy this object from
    // inside it; the handlers that call it touch nothing of theirs after.
    std::function<void()> on_unload;

    void load();

    const std::string& caption() const { return m_caption; }
    const std::string& lblTitle() const { return m_title; }
    const std::string& lblVersion() const { return m_version; }
    int chkAssociate() const { return m_associate; }

    // Gives the check box a value (0 or 1; any other number counts as 1).
    // Like a change made by the user, a change of value raises the box's
    // click; setting the value it already has does nothing. When the click's
    // change fails, chkAssociate() afterwards says what is true and the
    // dialog shows that.
    void set_chkAssociate(int value);

    void on_chkAssociate_click();
    void on_cmdOK_click();
    void on_cmdSysInfo_click();
    void on_cmdDownload_click();
    void on_lblTy_click();

    void StartSysInfo();

private:
    void open_in_first_window(const std::string& address);
    void report_store_warnings();

    AboutServices m_services;
    std::string m_caption;
    std::string m_title;
    std::string m_version;
    int m_associate = 0;
};

} // namespace driftway::about
