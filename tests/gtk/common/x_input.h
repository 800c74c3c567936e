#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

namespace driftway::testing {

// Runs a program found in PATH and waits for it; returns whether it ran and
// exited with 0, its standard output in *output when asked for.
inline bool run(const std::vector<std::string>& args, std::string* output = nullptr)
{
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (auto& a : copy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    gchar* out = nullptr;
    gint status = -1;
    const auto flags = GSpawnFlags(G_SPAWN_SEARCH_PATH | (output ? G_SPAWN_STDERR_TO_DEV_NULL : 0));
    const bool ran = g_spawn_sync(nullptr, argv.data(), nullptr, flags, nullptr, nullptr,
                                  output ? &out : nullptr, nullptr, &status, nullptr);
    if (output)
        *output = out ? out : "";
    g_free(out);
    return ran && g_spawn_check_wait_status(status, nullptr);
}

// Real input through the X server's test extension (xdotool), for tests that
// need events as a user's mouse and keyboard make them. Coordinates are the
// screen's. Each call waits for xdotool and returns whether it succeeded.
inline bool xdotool(const std::vector<std::string>& args)
{
    std::vector<std::string> all{"xdotool"};
    all.insert(all.end(), args.begin(), args.end());
    return run(all);
}

inline bool mouse_move(int x, int y)
{
    return xdotool({"mousemove", "--sync", std::to_string(x), std::to_string(y)});
}

// Moves the pointer away and into a window at (x, y), so that it takes the
// keyboard when no window manager runs (and the window hears it).
inline bool focus_by_pointer(int x, int y)
{
    return xdotool({"mousemove", "--sync", "--screen", "0", "5000", "5000"}) && mouse_move(x, y);
}

inline bool mouse_click(int x, int y, int button = 1)
{
    return xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", std::to_string(button)});
}

inline bool type_text(const std::string& text)
{
    return xdotool({"type", "--delay", "2", "--", text});
}

inline bool press_key(const std::string& keysym)
{
    return xdotool({"key", "--", keysym});
}

// A key press handed straight to a widget, without the X server.
inline void send_key(GtkWidget* widget, guint keyval)
{
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(widget)));
    event->key.keyval = keyval;
    gtk_widget_event(widget, event);
    gdk_event_free(event);
}

} // namespace driftway::testing
