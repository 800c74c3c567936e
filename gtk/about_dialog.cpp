#include "gtk/about_dialog.h"

#include "gtk/gio_shell.h"
#include "gtk/menu_renderer.h"
#include "gtk/resources.h"

#include <gdk/gdkkeysyms.h>
#include <glibmm/main.h>
#include <pangomm/attrlist.h>

#include <vector>

namespace driftway::gtk {

namespace {

// The box open now, and the ones closed but not yet destroyed: a dialog is
// closed from inside its own handlers, so it is destroyed from idle.
std::unique_ptr<AboutDialog>& open_dialog()
{
    static std::unique_ptr<AboutDialog> dialog;
    return dialog;
}

std::vector<std::unique_ptr<AboutDialog>>& closed_dialogs()
{
    static std::vector<std::unique_ptr<AboutDialog>> dialogs;
    return dialogs;
}

void release(AboutDialog* dialog)
{
    auto& current = open_dialog();
    if (current.get() != dialog)
        return;
    closed_dialogs().push_back(std::move(current));
    Glib::signal_idle().connect_once([] { closed_dialogs().clear(); });
}

const about::ControlText& control(const char* name)
{
    return about::about_control(name);
}

void set_tooltip(Gtk::Widget& widget, const char* name)
{
    const std::string tip = control(name).tooltip;
    if (!tip.empty())
        widget.set_tooltip_text(tip);
}

void set_caption(Gtk::Button& button, const char* name)
{
    button.set_label(MenuRenderer::mnemonic(control(name).caption));
    button.set_use_underline(true);
    set_tooltip(button, name);
}

void wrap(Gtk::Label& label, const char* text, int width_chars)
{
    label.set_text(text);
    label.set_line_wrap(true);
    label.set_max_width_chars(width_chars);
    label.set_xalign(0);
}

void set_picture(Gtk::Image& image, const char* name)
{
    try {
        image.set(load_picture(name));
    } catch (const Glib::Error&) {
        // A box without its picture still works.
    }
}

} // namespace

// ---- Services

AboutServicesHolder::AboutServicesHolder() : AboutServicesHolder(Locations{}) {}

AboutServicesHolder::AboutServicesHolder(Locations where)
    : m_shell(where.shell ? std::move(where.shell) : std::make_unique<GioShell>()),
      m_settings(where.config_home), m_registry(where.config_home + "/Driftway/registry", where.facts),
      m_desktop(m_registry, where.data_home, where.config_home, m_shell.get()),
      m_associate(m_registry, where.program_folder, m_desktop)
{
}

AboutServicesHolder& AboutServicesHolder::process()
{
    static AboutServicesHolder holder;
    return holder;
}

// ---- The dialog

AboutDialog::AboutDialog(Gtk::Window& owner, about::FirstMainWindow& first_window,
                         AboutServicesHolder& services)
    : m_owner(owner), m_frm(about::AboutServices{services.settings(), services.registry(), services.shell(),
                                                 m_prompts, first_window, services.associate()})
{
    set_title(control("frmAbout").caption);
    set_transient_for(owner);
    set_modal(true);
    set_resizable(false);
    set_icon_name(picture::kIconName);
    set_border_width(12);
    m_frm.on_unload = [this] { unload(); };
    // The box goes with the window that owns it.
    m_owner_hidden = owner.signal_hide().connect([this] { unload(); });

    m_grid.set_row_spacing(6);
    m_grid.set_column_spacing(12);
    get_content_area()->pack_start(m_grid, Gtk::PACK_EXPAND_WIDGET);

    // The product: its icon beside its name, version, description and the
    // association check box.
    set_picture(m_picIcon, picture::kAboutIcon);
    m_picIcon.set_valign(Gtk::ALIGN_START);
    m_top.pack_start(m_picIcon, Gtk::PACK_SHRINK);
    m_lblTitle.set_text(control("lblTitle").caption);
    m_lblTitle.set_xalign(0);
    auto title_attrs = Pango::AttrList();
    auto bold = Pango::Attribute::create_attr_weight(Pango::WEIGHT_BOLD);
    auto large = Pango::Attribute::create_attr_scale(1.4);
    title_attrs.insert(bold);
    title_attrs.insert(large);
    m_lblTitle.set_attributes(title_attrs);
    m_texts.pack_start(m_lblTitle, Gtk::PACK_SHRINK);
    m_lblVersion.set_text(control("lblVersion").caption);
    m_lblVersion.set_xalign(0);
    m_texts.pack_start(m_lblVersion, Gtk::PACK_SHRINK);
    wrap(m_lblDescription, control("lblDescription").caption, 50);
    m_texts.pack_start(m_lblDescription, Gtk::PACK_SHRINK);
    m_chkAssociate.set_label(MenuRenderer::mnemonic(control("chkAssociate").caption));
    m_chkAssociate.set_use_underline(true);
    set_tooltip(m_chkAssociate, "chkAssociate");
    m_texts.pack_start(m_chkAssociate, Gtk::PACK_SHRINK);
    m_top.pack_start(m_texts, Gtk::PACK_EXPAND_WIDGET);
    m_grid.attach(m_top, 0, 0, 2, 1);

    m_grid.attach(m_line1, 0, 1, 2, 1);

    // The advert: the editor's picture, the recommendation that leads to the
    // publisher's site, and its trial download.
    m_adGrid.set_border_width(8);
    m_adGrid.set_row_spacing(6);
    m_adGrid.set_column_spacing(12);
    set_picture(m_imgEditor, picture::kAdvert);
    m_imgEditor.set_valign(Gtk::ALIGN_START);
    m_adGrid.attach(m_imgEditor, 0, 0, 1, 2);
    wrap(m_lblTy_text, control("lblTy").caption, 50);
    m_lblTy.add(m_lblTy_text);
    m_lblTy.set_can_focus(true);
    m_lblTy.add_events(Gdk::BUTTON_RELEASE_MASK | Gdk::KEY_PRESS_MASK);
    set_tooltip(m_lblTy, "lblTy");
    m_lblTy.signal_button_release_event().connect(
        sigc::mem_fun(*this, &AboutDialog::on_lblTy_button_release));
    m_lblTy.signal_key_press_event().connect(sigc::mem_fun(*this, &AboutDialog::on_lblTy_key_press));
    m_lblTy.signal_realize().connect(sigc::mem_fun(*this, &AboutDialog::on_lblTy_realize));
    m_adGrid.attach(m_lblTy, 1, 0, 1, 1);
    set_caption(m_cmdDownload, "cmdDownload");
    m_cmdDownload.set_halign(Gtk::ALIGN_START);
    m_cmdDownload.signal_clicked().connect([this] { m_frm.on_cmdDownload_click(); });
    m_adGrid.attach(m_cmdDownload, 1, 1, 1, 1);
    m_fraAd.add(m_adGrid);
    m_grid.attach(m_fraAd, 0, 2, 2, 1);

    m_grid.attach(m_line2, 0, 3, 2, 1);

    wrap(m_lblDisclaimer, control("lblDisclaimer").caption, 50);
    m_lblDisclaimer.set_valign(Gtk::ALIGN_START);
    m_lblDisclaimer.set_hexpand(true);
    m_grid.attach(m_lblDisclaimer, 0, 4, 1, 1);
    set_caption(m_cmdOK, "cmdOK");
    m_cmdOK.signal_clicked().connect([this] { m_frm.on_cmdOK_click(); });
    m_buttons.pack_start(m_cmdOK, Gtk::PACK_SHRINK);
    set_caption(m_cmdSysInfo, "cmdSysInfo");
    m_cmdSysInfo.signal_clicked().connect([this] { m_frm.on_cmdSysInfo_click(); });
    m_buttons.pack_start(m_cmdSysInfo, Gtk::PACK_SHRINK);
    m_grid.attach(m_buttons, 1, 4, 1, 1);

    m_cmdOK.set_can_default(true);
    m_cmdOK.grab_default();
    m_cmdOK.grab_focus();
    m_grid.show_all();
}

AboutDialog::~AboutDialog()
{
    m_owner_hidden.disconnect();
}

void AboutDialog::load()
{
    m_frm.load();
    set_title(m_frm.caption());
    m_lblTitle.set_text(m_frm.lblTitle());
    m_lblVersion.set_text(m_frm.lblVersion());
    m_chkAssociate.set_active(m_frm.chkAssociate() != 0);
    // Connected only now, so that showing the loaded state is no click.
    m_chkAssociate.signal_toggled().connect(sigc::mem_fun(*this, &AboutDialog::on_chkAssociate_toggled));
    m_loaded = true;
}

void AboutDialog::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_owner_hidden.disconnect();
    hide();
    if (on_closed)
        on_closed();
}

bool AboutDialog::on_delete_event(GdkEventAny*)
{
    // The close box (and Escape) do what OK does.
    m_frm.on_cmdOK_click();
    return true;
}

void AboutDialog::on_chkAssociate_toggled()
{
    m_frm.set_chkAssociate(m_chkAssociate.get_active() ? 1 : 0);
    // A change that failed leaves the box as things are; setting it back
    // raises this handler once more, which finds nothing to do.
    if (m_chkAssociate.get_active() != (m_frm.chkAssociate() != 0))
        m_chkAssociate.set_active(m_frm.chkAssociate() != 0);
}

bool AboutDialog::on_lblTy_button_release(GdkEventButton* event)
{
    if (event->button != 1)
        return false;
    m_frm.on_lblTy_click();
    return true;
}

bool AboutDialog::on_lblTy_key_press(GdkEventKey* event)
{
    switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_space:
        m_frm.on_lblTy_click();
        return true;
    default:
        return false;
    }
}

void AboutDialog::on_lblTy_realize()
{
    if (auto window = m_lblTy.get_window())
        window->set_cursor(hand_cursor(get_display()));
}

// ---- Message boxes

GtkPrompts AboutDialog::BoxPrompts::prompts() const
{
    if (m_dialog.get_visible() || m_dialog.m_unloaded)
        return GtkPrompts(&m_dialog);
    return GtkPrompts(&m_dialog.m_owner);
}

platform::MsgAnswer AboutDialog::BoxPrompts::message_box(const std::string& text, const std::string& caption,
                                                         platform::MsgButtons buttons, platform::MsgIcon icon)
{
    return prompts().message_box(text, caption, buttons, icon);
}

std::optional<std::string>
AboutDialog::BoxPrompts::open_file(const std::string& title, const std::vector<platform::FileFilter>& filters)
{
    return prompts().open_file(title, filters);
}

std::optional<std::string>
AboutDialog::BoxPrompts::save_file(const std::string& title, const std::string& suggested_name,
                                   const std::vector<platform::FileFilter>& filters)
{
    return prompts().save_file(title, suggested_name, filters);
}

// ---- One box at a time

void show_about_dialog(Gtk::Window& owner, about::FirstMainWindow& first_window,
                       AboutServicesHolder& services)
{
    auto& current = open_dialog();
    if (current) {
        // A message box of the load may still be waiting; the box shows
        // itself once the load is done.
        if (current->loaded())
            current->present();
        return;
    }
    current = std::make_unique<AboutDialog>(owner, first_window, services);
    AboutDialog* dialog = current.get();
    dialog->on_closed = [dialog] { release(dialog); };
    dialog->load();
    if (!dialog->unloaded())
        dialog->present();
}

AboutDialog* current_about_dialog()
{
    return open_dialog().get();
}

} // namespace driftway::gtk
