#pragma once

#include "about/desktop_association.h"
#include "about/frm_about.h"
#include "about/mod_associate.h"
#include "gtk/gtk_prompts.h"
#include "platform/registry_store.h"
#include "platform/settings_store.h"
#include "platform/shell.h"

#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/dialog.h>
#include <gtkmm/eventbox.h>
#include <gtkmm/frame.h>
#include <gtkmm/grid.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/separator.h>

#include <functional>
#include <memory>
#include <string>

namespace driftway::gtk {

// What the About box works with, once per process: the settings store, the
// registry store, the desktop publication of the file association, the
// association module and the shell that starts System Information.
class AboutServicesHolder {
public:
    struct Locations {
        std::string config_home = platform::config_home();
        std::string data_home = platform::data_home();
        // Where the association says the program lies.
        std::string program_folder = platform::program_folder();
        std::shared_ptr<const platform::SystemFacts> facts = std::make_shared<platform::HostSystemFacts>();
        // nullptr: programs are started through GIO.
        std::unique_ptr<platform::Shell> shell;
    };

    AboutServicesHolder();
    explicit AboutServicesHolder(Locations where);
    AboutServicesHolder(const AboutServicesHolder&) = delete;
    AboutServicesHolder& operator=(const AboutServicesHolder&) = delete;

    // The holder of the running program, made on first use from the user's
    // folders.
    static AboutServicesHolder& process();

    platform::SettingsStore& settings() { return m_settings; }
    platform::RegistryStore& registry() { return m_registry; }
    about::DesktopAssociation& desktop() { return m_desktop; }
    about::ModAssociate& associate() { return m_associate; }
    platform::Shell& shell() { return *m_shell; }

private:
    std::unique_ptr<platform::Shell> m_shell;
    platform::SettingsStore m_settings;
    platform::RegistryStore m_registry;
    about::DesktopAssociation m_desktop;
    about::ModAssociate m_associate;
};

// The program's first main window reached through two functions, so that the
// caller need not write a class of its own.
class FirstMainWindowFunctions : public about::FirstMainWindow {
public:
    FirstMainWindowFunctions(std::function<void()> show, std::function<void(const std::string&)> nav_now)
        : m_show(std::move(show)), m_nav_now(std::move(nav_now))
    {
    }
    void show() override { m_show(); }
    void NavNow(const std::string& completeAddress) override { m_nav_now(completeAddress); }

private:
    std::function<void()> m_show;
    std::function<void(const std::string&)> m_nav_now;
};

// The About box: the widgets of frmAbout over the FrmAbout logic. Made by
// show_about_dialog(), which keeps at most one.
class AboutDialog : public Gtk::Dialog {
public:
    AboutDialog(Gtk::Window& owner, about::FirstMainWindow& first_window, AboutServicesHolder& services);
    ~AboutDialog() override;
    AboutDialog(const AboutDialog&) = delete;
    AboutDialog& operator=(const AboutDialog&) = delete;

    // Runs the load handler and fills the widgets from it. Message boxes
    // raised while loading stand over the owner, since the box is not shown
    // yet.
    void load();

    // Called once the dialog has been unloaded (hidden), often from inside
    // one of its own handlers: it must not destroy the dialog there and then.
    std::function<void()> on_closed;

    about::FrmAbout& frm() { return m_frm; }
    bool loaded() const { return m_loaded; }
    bool unloaded() const { return m_unloaded; }

    // Widgets the tests look at.
    Gtk::Image& picIcon() { return m_picIcon; }
    Gtk::Label& lblTitle() { return m_lblTitle; }
    Gtk::Label& lblVersion() { return m_lblVersion; }
    Gtk::Label& lblDescription() { return m_lblDescription; }
    Gtk::Label& lblDisclaimer() { return m_lblDisclaimer; }
    Gtk::CheckButton& chkAssociate() { return m_chkAssociate; }
    Gtk::Button& cmdOK() { return m_cmdOK; }
    Gtk::Button& cmdSysInfo() { return m_cmdSysInfo; }
    Gtk::Frame& fraAd() { return m_fraAd; }
    Gtk::Image& imgEditor() { return m_imgEditor; }
    Gtk::Button& cmdDownload() { return m_cmdDownload; }
    Gtk::EventBox& lblTy() { return m_lblTy; }
    Gtk::Label& lblTy_label() { return m_lblTy_text; }

protected:
    bool on_delete_event(GdkEventAny* event) override;

private:
    // Message boxes over the About box once it is shown, over its owner
    // before that.
    class BoxPrompts : public platform::Prompts {
    public:
        explicit BoxPrompts(AboutDialog& dialog) : m_dialog(dialog) {}
        platform::MsgAnswer message_box(const std::string& text, const std::string& caption,
                                        platform::MsgButtons buttons, platform::MsgIcon icon) override;
        std::optional<std::string> open_file(const std::string& title,
                                             const std::vector<platform::FileFilter>& filters) override;
        std::optional<std::string> save_file(const std::string& title, const std::string& suggested_name,
                                             const std::vector<platform::FileFilter>& filters) override;

    private:
        GtkPrompts prompts() const;
        AboutDialog& m_dialog;
    };

    void unload();
    void on_chkAssociate_toggled();
    bool on_lblTy_button_release(GdkEventButton* event);
    bool on_lblTy_key_press(GdkEventKey* event);
    void on_lblTy_realize();

    Gtk::Window& m_owner;
    BoxPrompts m_prompts{*this};
    about::FrmAbout m_frm;
    sigc::connection m_owner_hidden;
    bool m_loaded = false;
    bool m_unloaded = false;

    Gtk::Grid m_grid;
    Gtk::Box m_top{Gtk::ORIENTATION_HORIZONTAL, 12};
    Gtk::Box m_texts{Gtk::ORIENTATION_VERTICAL, 6};
    Gtk::Box m_buttons{Gtk::ORIENTATION_VERTICAL, 6};
    Gtk::Image m_picIcon;
    Gtk::Label m_lblTitle;
    Gtk::Label m_lblVersion;
    Gtk::Label m_lblDescription;
    Gtk::CheckButton m_chkAssociate;
    Gtk::Separator m_line1;
    Gtk::Frame m_fraAd;
    Gtk::Grid m_adGrid;
    Gtk::Image m_imgEditor;
    Gtk::EventBox m_lblTy;
    Gtk::Label m_lblTy_text;
    Gtk::Button m_cmdDownload;
    Gtk::Separator m_line2;
    Gtk::Label m_lblDisclaimer;
    Gtk::Button m_cmdOK;
    Gtk::Button m_cmdSysInfo;
};

// Help > About: opens the About box, modal to owner, or brings forward the
// one already open (there is one at a time in the whole process). Every
// opening makes a fresh dialog and runs its load handler; the dialog is
// released after it closes. Returns at once; the box's advert links go to
// first_window, which must outlive the box (keep it beside the App).
void show_about_dialog(Gtk::Window& owner, about::FirstMainWindow& first_window,
                       AboutServicesHolder& services = AboutServicesHolder::process());

// The About box open now, or nullptr.
AboutDialog* current_about_dialog();

} // namespace driftway::gtk
