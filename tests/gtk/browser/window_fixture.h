#pragma once

#include "gtk/app.h"
#include "gtk/engine_factory.h"
#include "gtk/main_window.h"
#include "gtk/webkit_engine.h"
#include "tests/gtk/common/wait.h"
#include "tests/gtk/common/x_input.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <gtkmm/menushell.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace driftway::testing {

// Main windows with the real engine, their stores and favourites in a
// temporary folder.
class WindowTest : public ::testing::Test {
protected:
    WindowTest()
    {
        for (const char* v : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "DRIFTWAY_FAVORITES"})
            m_env.push_back(std::make_unique<ScopedEnv>(v, (m_dir.path() / v).string()));
    }

    gtk::App& start(const std::string& command_line = "")
    {
        m_app = std::make_unique<gtk::App>(gtk::make_webkit_engine, command_line);
        m_app->set_quit_on_last(false);
        m_app->start();
        EXPECT_TRUE(wait_until([&] { return window().get_mapped(); }));
        return *m_app;
    }
    gtk::MainWindow& window() { return *m_app->windows().front(); }
    static bool wait_title(gtk::MainWindow& w, const std::string& title)
    {
        return wait_until([&] { return w.get_title() == "Driftway\u2122 - " + title; }, 20000);
    }
    // A point of a widget in screen coordinates, whether or not it has a
    // window of its own.
    static std::pair<int, int> on_screen(Gtk::Widget& widget, int x, int y)
    {
        int ox = 0, oy = 0, tx = 0, ty = 0;
        Gtk::Widget* top = widget.get_toplevel();
        top->get_window()->get_origin(ox, oy);
        widget.translate_coordinates(*top, x, y, tx, ty);
        return {ox + tx, oy + ty};
    }
    // The address box's drop-down list, top first.
    static std::vector<std::string> address_list(gtk::MainWindow& w)
    {
        std::vector<std::string> out;
        for (const auto& row : w.address_box().get_model()->children()) {
            Glib::ustring text;
            row.get_value(0, text);
            out.push_back(text);
        }
        return out;
    }
    static Gtk::MenuItem* find_item(Gtk::MenuShell& shell, const std::string& label)
    {
        for (auto* child : shell.get_children())
            if (auto* item = dynamic_cast<Gtk::MenuItem*>(child); item && item->get_label() == label)
                return item;
        return nullptr;
    }
    static std::string file_url(const std::filesystem::path& p) { return "file://" + p.string(); }
    // Gives the window the keyboard as the pointer does without a window
    // manager, leaving the pointer at that point of the screen.
    bool take_keyboard(std::pair<int, int> at)
    {
        return focus_by_pointer(at.first, at.second) &&
               wait_until([&] { return window().has_toplevel_focus(); }, 5000);
    }
    static gtk::WebKitEngine& engine_of(gtk::MainWindow& w)
    {
        return dynamic_cast<gtk::WebKitEngine&>(w.frm().engine());
    }

    TempDir m_dir;
    std::vector<std::unique_ptr<ScopedEnv>> m_env;
    std::unique_ptr<gtk::App> m_app;
};

} // namespace driftway::testing
