#pragma once

#include "favourites/fav_menu.h"
#include "favourites/fav_window.h"
#include "favourites/mod_faves.h"
#include "favourites/tree_model.h"
#include "gtk/fav_dialogs.h"
#include "tests/gtk/common/wait.h"
#include "tests/support/doubles.h"
#include "tests/support/temp_dir.h"

#include <glibmm/main.h>
#include <gtkmm/window.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace driftway::testing {

// A main window as the favourites code sees it, with the real GTK dialogs.
class TestFavWindow : public favourites::FavWindow, private platform::Shell {
public:
    explicit TestFavWindow(Gtk::Window* parent) : m_dialogs(parent, m_prompts) {}

    void NavNow(const std::string& address) override { navigations.push_back(address); }
    std::string LocationURL() const override { return location_url; }
    std::string LocationName() const override { return location_name; }
    favourites::Tree& fav_tree() override { return tree; }
    void install_favorites_menu(std::shared_ptr<const favourites::FavMenu> m) override
    {
        menu = std::move(m);
        ++rebuilds;
    }
    void freeze_drawing() override { ++frozen; }
    void thaw_drawing() override { --frozen; }
    void DoEvents() override
    {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
    }
    favourites::FavDialogs& dialogs() override { return m_dialogs; }
    platform::Prompts& prompts() override { return m_prompts; }
    platform::Shell& shell() override { return *this; }
    void spawn(const std::vector<std::string>&, platform::WindowStyle) override {}
    void open_with_default(const std::string&) override {}
    void open_folder_window(const std::string&) override {}
    void popup_context_menu() override { ++popups; }

    favourites::TreeModel tree;
    std::shared_ptr<const favourites::FavMenu> menu;
    std::vector<std::string> navigations;
    std::string location_url = "about:blank", location_name;
    int frozen = 0, popups = 0, rebuilds = 0;
    PromptsDouble& scripted() { return m_prompts; }
    gtk::GtkFavDialogs& gtk_dialogs() { return m_dialogs; }

private:
    PromptsDouble m_prompts;
    gtk::GtkFavDialogs m_dialogs;
};

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

// A Favorites folder in a temporary folder, pointed at by $DRIFTWAY_FAVORITES.
class FavFolderFixture {
public:
    const std::string& root() const { return m_root; }
    std::string url_file(const std::string& relative, const std::string& url) const
    {
        return m_dir.write("Favorites/" + relative, "[InternetShortcut]\r\nURL=" + url + "\r\n").string();
    }
    std::string folder(const std::string& relative) const
    {
        return m_dir.mkdir("Favorites/" + relative).string();
    }

private:
    TempDir m_dir;
    std::string m_root = m_dir.mkdir("Favorites").string();
    ScopedEnv m_env{"DRIFTWAY_FAVORITES", m_root};
};

} // namespace driftway::testing
