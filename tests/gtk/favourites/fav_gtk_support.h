#pragma once

#include "gtk/fav_dialogs.h"
#include "tests/gtk/common/dialogs.h"
#include "tests/gtk/common/wait.h"
#include "tests/unit/favourites/fav_doubles.h"

#include <gtkmm/window.h>

#include <string>

namespace driftway::testing {

// A main window as the favourites code sees it, with the real GTK dialogs
// over a window of its own and the main loop run at each DoEvents.
class TestFavWindow : public FavWindowDouble {
public:
    void DoEvents() override
    {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
    }
    favourites::FavDialogs& dialogs() override { return gtk_dialogs; }

    Gtk::Window top;
    gtk::GtkFavDialogs gtk_dialogs{&top, prompts_double};
};
using GtkFavFolder = FavFolder<TestFavWindow>;

// The text entry of a tree view's open label edit, or null.
inline GtkWidget* label_editor(Gtk::TreeView& view)
{
    GtkWidget* editor = nullptr;
    for (Gtk::Widget* child : view.get_children())
        if (GTK_IS_ENTRY(child->gobj()))
            editor = child->gobj();
    return editor;
}

// Types a name into an open label edit and ends it as Enter (or Escape) does.
inline bool type_label(Gtk::TreeView& view, const std::string& text, bool cancel = false)
{
    GtkWidget* editor = label_editor(view);
    if (!editor)
        return false;
    gtk_entry_set_text(GTK_ENTRY(editor), text.c_str());
    if (cancel)
        g_object_set(editor, "editing-canceled", TRUE, nullptr);
    gtk_cell_editable_editing_done(GTK_CELL_EDITABLE(editor));
    return true;
}

} // namespace driftway::testing
