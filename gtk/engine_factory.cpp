#include "gtk/engine_factory.h"

#include "about/internet_options.h"
#include "gtk/gio_shell.h"
#include "gtk/session_bus.h"
#include "gtk/webkit_engine.h"
#include "platform/engine_environment.h"
#include "platform/settings_store.h"

#include <gio/gio.h>

#include <cstdlib>
#include <memory>

namespace driftway::gtk {

namespace {

const char* process_env(const char* name)
{
    return std::getenv(name);
}

// Whether GNOME's settings ask for assistive technology (its screen reader or
// its toolkit accessibility switch). Desktops without these settings answer
// no.
bool gnome_asks_for_accessibility()
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return false;
    const auto setting = [source](const char* schema_id, const char* key) {
        GSettingsSchema* schema = g_settings_schema_source_lookup(source, schema_id, TRUE);
        if (!schema)
            return false;
        bool on = false;
        if (g_settings_schema_has_key(schema, key)) {
            GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
            on = g_settings_get_boolean(settings, key);
            g_object_unref(settings);
        }
        g_settings_schema_unref(schema);
        return on;
    };
    return setting("org.gnome.desktop.a11y.applications", "screen-reader-enabled") ||
           setting("org.gnome.desktop.interface", "toolkit-accessibility");
}

// Whether the desktop asks for assistive technology: GNOME's settings, or, on
// any desktop, the accessibility bus saying that a screen reader or other
// assistive technology is at work.
bool desktop_asks_for_accessibility()
{
    return gnome_asks_for_accessibility() || accessibility_bus_enabled(session_bus(), 500);
}

} // namespace

void prepare_engine_environment()
{
    std::vector<std::string> names;
    for (const auto& [name, value] : platform::engine_environment(process_env, platform::gpu_render_nodes(),
                                                                  desktop_asks_for_accessibility())) {
        setenv(name.c_str(), value.c_str(), 0);
        names.push_back(name);
    }
    keep_from_started_programs(std::move(names));
}

EngineAndWidget make_webkit_engine(platform::Engine* related)
{
    EngineOptions options;
    options.acceleration =
        platform::software_rendering(process_env) ? Acceleration::Never : Acceleration::OnDemand;
    auto settings = std::make_shared<platform::SettingsStore>();
    options.home_page = [settings] { return about::home_page(*settings); };
    options.search_page = [settings] { return about::search_page(*settings); };

    auto engine = std::make_unique<WebKitEngine>(std::move(options), dynamic_cast<WebKitEngine*>(related));
    GtkWidget* widget = engine->widget();
    WebKitEngine* raw = engine.get();
    EngineAndWidget made{std::move(engine), widget, {}};
    made.on_close_request = [raw](std::function<void()> close) { raw->on_close_request = std::move(close); };
    return made;
}

} // namespace driftway::gtk
