#include "gtk/web_context.h"

#include "gtk/gobject_ptr.h"

#include <glib/gstdio.h>

#include <cstdlib>
#include <map>
#include <string>

namespace driftway::gtk {

namespace {

constexpr const char* kOfflineFilterId = "driftway-offline";

std::string env_dir(const char* variable, const char* fallback_under_home)
{
    if (const char* value = std::getenv(variable); value && *value == '/')
        return value;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : g_get_home_dir()) + "/" + fallback_under_home;
}

std::string data_dir()
{
    return env_dir("XDG_DATA_HOME", ".local/share") + "/Driftway";
}

std::string cache_dir()
{
    return env_dir("XDG_CACHE_HOME", ".cache") + "/Driftway";
}

bool has_gpu()
{
    GDir* dir = g_dir_open("/dev/dri", 0, nullptr);
    if (!dir)
        return false;
    bool found = false;
    while (const char* name = g_dir_read_name(dir))
        if (g_str_has_prefix(name, "renderD"))
            found = true;
    g_dir_close(dir);
    return found;
}

// The process-wide compiled content rule that blocks every network request
// of the views whose content manager carries it. Views of one opener group
// share a content manager (the engine hands a page-opened view its opener's),
// so the rule is installed while any engine of the group is offline.
struct OfflineFilter {
    WebKitUserContentFilterStore* store = nullptr;
    WebKitUserContentFilter* filter = nullptr;
    bool compiling = false;
    bool failed = false;
    std::map<WebKitUserContentManager*, int> offline_members;
};

OfflineFilter& offline_filter()
{
    static OfflineFilter state;
    return state;
}

void offline_filter_compiled(GObject* store, GAsyncResult* result, gpointer)
{
    auto& state = offline_filter();
    GError* error = nullptr;
    state.filter =
        webkit_user_content_filter_store_save_finish(WEBKIT_USER_CONTENT_FILTER_STORE(store), result, &error);
    state.compiling = false;
    if (!state.filter) {
        state.failed = true;
        g_warning("The offline content rule could not be compiled: %s",
                  error ? error->message : "unknown error");
        g_clear_error(&error);
        return;
    }
    for (const auto& [manager, count] : state.offline_members)
        if (count > 0)
            webkit_user_content_manager_add_filter(manager, state.filter);
}

void ensure_offline_filter()
{
    auto& state = offline_filter();
    if (state.filter || state.compiling)
        return;
    // Content rules take no alternation, so each scheme gets its own rule.
    static const char rules[] = R"([
        {"trigger": {"url-filter": "^https?:"}, "action": {"type": "block"}},
        {"trigger": {"url-filter": "^wss?:"}, "action": {"type": "block"}},
        {"trigger": {"url-filter": "^ftp:"}, "action": {"type": "block"}}
    ])";
    if (!state.store) {
        const std::string path = cache_dir() + "/content-rules";
        state.store = webkit_user_content_filter_store_new(path.c_str());
    }
    state.compiling = true;
    state.failed = false;
    GBytesPtr bytes(g_bytes_new_static(rules, sizeof rules - 1));
    webkit_user_content_filter_store_save(state.store, kOfflineFilterId, bytes.get(), nullptr,
                                          offline_filter_compiled, nullptr);
}

} // namespace

WebKitSettings* shared_settings(Acceleration acceleration)
{
    // One settings object for every view of the process: the options are the
    // program's, not a window's.
    static WebKitSettings* const settings = [acceleration] {
        WebKitSettings* s = webkit_settings_new();
        WebKitHardwareAccelerationPolicy policy = WEBKIT_HARDWARE_ACCELERATION_POLICY_ON_DEMAND;
        if (acceleration == Acceleration::Never || (acceleration == Acceleration::Auto && !has_gpu()))
            policy = WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER;
        webkit_settings_set_hardware_acceleration_policy(s, policy);
        webkit_settings_set_zoom_text_only(s, TRUE);
        webkit_settings_set_enable_developer_extras(s, FALSE);
        return s;
    }();
    return settings;
}

WebKitWebContext* shared_web_context()
{
    // Lives as long as the process: every view of every window shares it, so
    // they share one network process, one cache and one cookie store.
    static WebKitWebContext* const context = [] {
        const std::string data = data_dir();
        const std::string cache = cache_dir();
        GObjectPtr<WebKitWebsiteDataManager> manager(webkit_website_data_manager_new(
            "base-data-directory", data.c_str(), "base-cache-directory", cache.c_str(), nullptr));
        WebKitWebContext* c = webkit_web_context_new_with_website_data_manager(manager.get());
        // A document browser keeps smaller memory caches and no page cache:
        // going back reloads from the disk cache instead of keeping whole
        // pages alive in memory.
        webkit_web_context_set_cache_model(c, WEBKIT_CACHE_MODEL_DOCUMENT_BROWSER);
        WebKitCookieManager* cookies = webkit_website_data_manager_get_cookie_manager(manager.get());
        const std::string cookie_file = data + "/cookies.sqlite";
        g_mkdir_with_parents(data.c_str(), 0700);
        webkit_cookie_manager_set_persistent_storage(cookies, cookie_file.c_str(),
                                                     WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
        webkit_cookie_manager_set_accept_policy(cookies, WEBKIT_COOKIE_POLICY_ACCEPT_NO_THIRD_PARTY);
        return c;
    }();
    return context;
}

void offline_member_joined(WebKitUserContentManager* manager)
{
    auto& state = offline_filter();
    if (++state.offline_members[manager] > 1)
        return;
    if (state.filter)
        webkit_user_content_manager_add_filter(manager, state.filter);
    else
        ensure_offline_filter();
}

void offline_member_left(WebKitUserContentManager* manager)
{
    auto& state = offline_filter();
    const auto it = state.offline_members.find(manager);
    if (it == state.offline_members.end())
        return;
    if (--it->second > 0)
        return;
    state.offline_members.erase(it);
    webkit_user_content_manager_remove_filter_by_id(manager, kOfflineFilterId);
}

bool offline_filter_ready()
{
    return offline_filter().filter != nullptr;
}

bool offline_filter_failed()
{
    return offline_filter().failed;
}

} // namespace driftway::gtk
