#pragma once

#include "gtk/fav_dialogs.h"
#include "tests/gtk/common/wait.h"
#include "tests/unit/favourites/fav_doubles.h"

#include <glibmm/main.h>
#include <gtkmm/window.h>

#include <chrono>
#include <functional>
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

// Acts on the first shown dialog of type D as soon as it appears (from a
// timer, as modal dialogs run loops of their own); a dialog still open long
// after is closed, so that a failing test cannot hang.
template <typename D> void when_shown(std::function<void(D&)> act, int timeout_ms = 10000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    const auto find = [] {
        for (Gtk::Window* w : Gtk::Window::list_toplevels())
            if (auto* d = dynamic_cast<D*>(w); d && d->get_mapped())
                return d;
        return static_cast<D*>(nullptr);
    };
    Glib::signal_timeout().connect(
        [act, end, find] {
            if (D* d = find()) {
                act(*d);
                return false;
            }
            return std::chrono::steady_clock::now() < end;
        },
        20);
    Glib::signal_timeout().connect_once(
        [find] {
            if (D* d = find())
                d->response(Gtk::RESPONSE_DELETE_EVENT);
        },
        timeout_ms * 2);
}

// The text entry of a tree view's open label edit, or null.
inline GtkWidget* label_editor(Gtk::TreeView& view)
{
    GtkWidget* editor = nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(view.gobj()));
    for (GList* l = children; l; l = l->next)
        if (GTK_IS_ENTRY(l->data))
            editor = GTK_WIDGET(l->data);
    g_list_free(children);
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
