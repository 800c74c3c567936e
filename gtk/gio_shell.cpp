#include "gtk/gio_shell.h"

#include "platform/runtime_error.h"

#include <gio/gio.h>

#include <memory>

namespace driftway::gtk {

namespace {

struct ErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;

std::vector<std::string>& own_variables()
{
    static std::vector<std::string> names;
    return names;
}

struct StrvFree {
    void operator()(char** v) const { g_strfreev(v); }
};

} // namespace

void keep_from_started_programs(std::vector<std::string> names)
{
    own_variables() = std::move(names);
}

void GioShell::spawn(const std::vector<std::string>& argv, platform::WindowStyle)
{
    if (argv.empty())
        throw platform::RuntimeError(platform::error::kFileNotFound, "No program to start");
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    char** env = g_get_environ();
    for (const auto& name : own_variables())
        env = g_environ_unsetenv(env, name.c_str());
    const std::unique_ptr<char*, StrvFree> env_owner(env);
    GError* raw = nullptr;
    const bool ok = g_spawn_async(nullptr, args.data(), env,
                                  static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDIN_FROM_DEV_NULL),
                                  nullptr, nullptr, nullptr, &raw);
    ErrorPtr err(raw);
    if (!ok)
        throw platform::RuntimeError(platform::error::kFileNotFound,
                                     err ? err->message : "Cannot start " + argv.front());
}

void GioShell::open_with_default(const std::string& path)
{
    GFile* file = g_file_new_for_path(path.c_str());
    char* uri = g_file_get_uri(file);
    g_object_unref(file);
    GAppLaunchContext* context = g_app_launch_context_new();
    for (const auto& name : own_variables())
        g_app_launch_context_unsetenv(context, name.c_str());
    GError* raw = nullptr;
    const bool ok = g_app_info_launch_default_for_uri(uri, context, &raw);
    g_object_unref(context);
    g_free(uri);
    ErrorPtr err(raw);
    if (!ok)
        throw platform::RuntimeError(platform::error::kFileNotFound,
                                     err ? err->message : "Cannot open " + path);
}

} // namespace driftway::gtk
