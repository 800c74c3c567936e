#include "gtk/gtk_prompts.h"

#include <gtkmm/box.h>
#include <gtkmm/filechooserdialog.h>
#include <gtkmm/image.h>
#include <gtkmm/messagedialog.h>
#include <gtkmm/stock.h>

#include <sstream>

namespace driftway::gtk {

namespace {

Gtk::MessageType message_type(platform::MsgIcon icon)
{
    switch (icon) {
    case platform::MsgIcon::Critical:
        return Gtk::MESSAGE_ERROR;
    case platform::MsgIcon::Question:
        return Gtk::MESSAGE_QUESTION;
    case platform::MsgIcon::Exclamation:
        return Gtk::MESSAGE_WARNING;
    case platform::MsgIcon::Information:
        return Gtk::MESSAGE_INFO;
    case platform::MsgIcon::None:
        break;
    }
    return Gtk::MESSAGE_OTHER;
}

const char* icon_name(platform::MsgIcon icon)
{
    switch (icon) {
    case platform::MsgIcon::Critical:
        return "dialog-error";
    case platform::MsgIcon::Question:
        return "dialog-question";
    case platform::MsgIcon::Exclamation:
        return "dialog-warning";
    case platform::MsgIcon::Information:
        return "dialog-information";
    case platform::MsgIcon::None:
        break;
    }
    return nullptr;
}

// "Web Pages" with "*.htm; *.html " -> a filter matching both patterns.
Glib::RefPtr<Gtk::FileFilter> make_filter(const platform::FileFilter& f)
{
    auto filter = Gtk::FileFilter::create();
    filter->set_name(f.name);
    std::stringstream patterns(f.patterns);
    std::string p;
    while (std::getline(patterns, p, ';')) {
        const auto b = p.find_first_not_of(' ');
        const auto e = p.find_last_not_of(' ');
        if (b == std::string::npos)
            continue;
        filter->add_pattern(p.substr(b, e - b + 1));
    }
    return filter;
}

std::optional<std::string> run_chooser(Gtk::FileChooserDialog& dialog,
                                       const std::vector<platform::FileFilter>& filters)
{
    for (const auto& f : filters)
        dialog.add_filter(make_filter(f));
    dialog.set_local_only(true);
    // Enter in the name field answers as the dialog's main button does.
    dialog.set_default_response(Gtk::RESPONSE_ACCEPT);
    if (dialog.run() != Gtk::RESPONSE_ACCEPT)
        return std::nullopt;
    return dialog.get_filename();
}

} // namespace

void show_message_icon(GtkMessageDialog* dialog, const char* icon_name)
{
    // GTK's message dialogs no longer show the icon of their kind; the
    // desktop's icon goes beside the text, as the message area's first child.
    GtkWidget* area = gtk_message_dialog_get_message_area(dialog);
    GtkWidget* row = area ? gtk_widget_get_parent(area) : nullptr;
    if (!icon_name || !row || !GTK_IS_BOX(row))
        return;
    GtkWidget* image = gtk_image_new_from_icon_name(icon_name, GTK_ICON_SIZE_DIALOG);
    gtk_widget_set_valign(image, GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(row), image, FALSE, FALSE, 0);
    gtk_box_reorder_child(GTK_BOX(row), image, 0);
    gtk_widget_show(image);
}

platform::MsgAnswer GtkPrompts::message_box(const std::string& text, const std::string& caption,
                                            platform::MsgButtons buttons, platform::MsgIcon icon)
{
    Gtk::MessageDialog dialog(text, false, message_type(icon), Gtk::BUTTONS_NONE, true);
    if (m_parent)
        dialog.set_transient_for(*m_parent);
    dialog.set_title(caption);
    show_message_icon(dialog.gobj(), icon_name(icon));
    switch (buttons) {
    case platform::MsgButtons::Ok:
        dialog.add_button("_OK", static_cast<int>(platform::MsgAnswer::Ok));
        break;
    case platform::MsgButtons::OkCancel:
        dialog.add_button("_Cancel", static_cast<int>(platform::MsgAnswer::Cancel));
        dialog.add_button("_OK", static_cast<int>(platform::MsgAnswer::Ok));
        break;
    case platform::MsgButtons::YesNo:
        dialog.add_button("_No", static_cast<int>(platform::MsgAnswer::No));
        dialog.add_button("_Yes", static_cast<int>(platform::MsgAnswer::Yes));
        break;
    case platform::MsgButtons::AbortRetryIgnore:
        dialog.add_button("_Abort", static_cast<int>(platform::MsgAnswer::Abort));
        dialog.add_button("_Retry", static_cast<int>(platform::MsgAnswer::Retry));
        dialog.add_button("_Ignore", static_cast<int>(platform::MsgAnswer::Ignore));
        break;
    }
    const int answer = dialog.run();
    if (answer < 0) // closed with the window's close box or Escape
        return buttons == platform::MsgButtons::Ok ? platform::MsgAnswer::Ok : platform::MsgAnswer::Cancel;
    return static_cast<platform::MsgAnswer>(answer);
}

std::optional<std::string> GtkPrompts::open_file(const std::string& title,
                                                 const std::vector<platform::FileFilter>& filters)
{
    Gtk::FileChooserDialog dialog(title, Gtk::FILE_CHOOSER_ACTION_OPEN);
    if (m_parent)
        dialog.set_transient_for(*m_parent);
    dialog.add_button("_Cancel", Gtk::RESPONSE_CANCEL);
    dialog.add_button("_Open", Gtk::RESPONSE_ACCEPT);
    return run_chooser(dialog, filters);
}

std::optional<std::string> GtkPrompts::save_file(const std::string& title, const std::string& suggested_name,
                                                 const std::vector<platform::FileFilter>& filters)
{
    Gtk::FileChooserDialog dialog(title, Gtk::FILE_CHOOSER_ACTION_SAVE);
    if (m_parent)
        dialog.set_transient_for(*m_parent);
    dialog.add_button("_Cancel", Gtk::RESPONSE_CANCEL);
    dialog.add_button("_Save", Gtk::RESPONSE_ACCEPT);
    dialog.set_do_overwrite_confirmation(true);
    dialog.set_current_name(suggested_name);
    return run_chooser(dialog, filters);
}

} // namespace driftway::gtk
