#pragma once

#include "favourites/fav_menu.h"
#include "favourites/fav_window.h"
#include "favourites/mod_faves.h"
#include "favourites/tree_model.h"
#include "platform/gtk/fav_dialogs.h"
#include "tests/gtk/common/wait.h"
#include "tests/support/temp_dir.h"

#include <glibmm/main.h>
#include <gtkmm/main.h>
#include <gtkmm/window.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace driftway::testing {

// Message boxes answered from a script (Yes or OK when the script is empty);
// every question is recorded.
class ScriptedPrompts : public platform::Prompts {
public:
    struct Shown {
        std::string text, caption;
    };
    platform::MsgAnswer message_box(const std::string& text, const std::string& caption,
                                    platform::MsgButtons buttons, platform::MsgIcon) override
    {
        shown.push_back({text, caption});
        if (!answers.empty()) {
            const auto a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == platform::MsgButtons::YesNo ? platform::MsgAnswer::Yes : platform::MsgAnswer::Ok;
    }
    std::optional<std::string> open_file(const std::string&,
                                         const std::vector<platform::FileFilter>&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> save_file(const std::string&, const std::string&,
                                         const std::vector<platform::FileFilter>&) override
    {
        return std::nullopt;
    }
    std::vector<Shown> shown;
    std::deque<platform::MsgAnswer> answers;
};

class NullShell : public platform::Shell {
public:
    void spawn(const std::vector<std::string>&, platform::WindowStyle) override {}
    void open_with_default(const std::string& path) override { opened.push_back(path); }
    std::vector<std::string> opened;
};

// A main window as the favourites code sees it, with the real GTK dialogs.
class TestFavWindow : public favourites::FavWindow {
public:
    explicit TestFavWindow(Gtk::Window* parent) : m_dialogs(parent, m_prompts) {}

    void NavNow(const std::string& address) override { navigations.push_back(address); }
    std::string LocationURL() const override { return location_url; }
    std::string LocationName() const override { return location_name; }
    favourites::Tree& fav_tree() override { return tree; }
    void install_favorites_menu(std::shared_ptr<const favourites::FavMenu> m) override
    {
        menu = std::move(m);
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
    platform::Shell& shell() override { return m_shell; }
    void open_folder_window(const std::string& folder) override { opened_folders.push_back(folder); }
    void popup_context_menu() override { ++popups; }

    favourites::TreeModel tree;
    std::shared_ptr<const favourites::FavMenu> menu;
    std::vector<std::string> navigations, opened_folders;
    std::string location_url = "about:blank", location_name;
    int frozen = 0, popups = 0;
    ScriptedPrompts& scripted() { return m_prompts; }
    platform::gtk::GtkFavDialogs& gtk_dialogs() { return m_dialogs; }

private:
    ScriptedPrompts m_prompts;
    NullShell m_shell;
    platform::gtk::GtkFavDialogs m_dialogs;
};

// Acts on the first shown dialog of type D as soon as it appears (from a
// timeout, so that it works while a modal dialog runs its own loop). A dialog
// still open long after acting is closed, so a failing test cannot hang.
template <typename D> void when_shown(std::function<void(D&)> act, int timeout_ms = 10000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    Glib::signal_timeout().connect(
        [act, end] {
            for (Gtk::Window* w : Gtk::Window::list_toplevels()) {
                auto* d = dynamic_cast<D*>(w);
                if (d && d->get_mapped()) {
                    act(*d);
                    return false;
                }
            }
            return std::chrono::steady_clock::now() < end;
        },
        20);
    Glib::signal_timeout().connect_once(
        [] {
            for (Gtk::Window* w : Gtk::Window::list_toplevels()) {
                if (auto* d = dynamic_cast<D*>(w); d && d->get_visible())
                    d->response(Gtk::RESPONSE_DELETE_EVENT);
            }
        },
        timeout_ms * 2);
}

// A Favorites folder in a temporary folder, pointed at by $DRIFTWAY_FAVORITES.
class FavFolderFixture {
public:
    FavFolderFixture()
        : m_env("DRIFTWAY_FAVORITES", (m_dir.path() / "Favorites").string()),
          m_root(m_dir.str() + "/Favorites")
    {
        Gtk::Main::init_gtkmm_internals();
        m_dir.mkdir("Favorites");
    }
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
    ScopedEnv m_env;
    std::string m_root;
};

} // namespace driftway::testing
