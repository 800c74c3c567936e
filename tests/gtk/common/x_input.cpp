#include "tests/gtk/common/x_input.h"

#include <glib.h>

namespace driftway::testing {

bool xdotool(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    std::string program = "xdotool";
    argv.push_back(program.data());
    std::vector<std::string> copy = args;
    for (auto& a : copy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    gint status = -1;
    if (!g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr,
                      &status, nullptr))
        return false;
    return g_spawn_check_wait_status(status, nullptr);
}

bool mouse_move(int x, int y)
{
    return xdotool({"mousemove", "--sync", std::to_string(x), std::to_string(y)});
}

bool focus_by_pointer(int x, int y)
{
    // Without a window manager the keyboard follows the pointer; leaving and
    // entering again makes sure the window hears it.
    return xdotool({"mousemove", "--sync", "--screen", "0", "5000", "5000"}) && mouse_move(x, y);
}

bool mouse_click(int x, int y, int button)
{
    return xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", std::to_string(button)});
}

bool type_text(const std::string& text)
{
    return xdotool({"type", "--delay", "2", "--", text});
}

bool press_key(const std::string& keysym)
{
    return xdotool({"key", "--", keysym});
}

}  // namespace driftway::testing
