#include "tests/gtk/common/x_input.h"

#include <glib.h>

namespace driftway::testing {

bool run(const std::vector<std::string>& args, std::string* output)
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

bool xdotool(const std::vector<std::string>& args)
{
    std::vector<std::string> all{"xdotool"};
    all.insert(all.end(), args.begin(), args.end());
    return run(all);
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

} // namespace driftway::testing
