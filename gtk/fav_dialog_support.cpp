#include "gtk/fav_dialog_support.h"

#include "favourites/display_text.h"
#include "favourites/file_ops.h"

namespace driftway::gtk {

namespace fav = driftway::favourites;

std::string quoted_path(const std::string& path)
{
    return "\"" + fav::display_path(path) + "\"";
}

void show_message(platform::Prompts& prompts, const std::string& text, const std::string& caption)
{
    prompts.message_box(text, caption, platform::MsgButtons::Ok, platform::MsgIcon::Exclamation);
}

void place_over(Gtk::Dialog& dialog, Gtk::Window* parent)
{
    if (parent)
        dialog.set_transient_for(*parent);
    dialog.set_modal(true);
}

} // namespace driftway::gtk
