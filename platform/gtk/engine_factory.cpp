#include "platform/gtk/engine_factory.h"

#include "about/internet_options.h"
#include "platform/engine_environment.h"
#include "platform/gtk/webkit_engine.h"
#include "platform/settings_store.h"

#include <cstdlib>
#include <memory>

namespace driftway::platform::gtk {

namespace {

const char* process_env(const char* name)
{
    return std::getenv(name);
}

} // namespace

void prepare_engine_environment()
{
    for (const auto& [name, value] : engine_environment(process_env, gpu_render_nodes()))
        setenv(name.c_str(), value.c_str(), 0);
}

EngineAndWidget make_webkit_engine(browser::Engine* related)
{
    EngineOptions options;
    options.acceleration = software_rendering(process_env) ? Acceleration::Never : Acceleration::OnDemand;
    auto settings = std::make_shared<SettingsStore>();
    options.home_page = [settings] { return about::home_page(*settings); };
    options.search_page = [settings] { return about::search_page(*settings); };

    auto engine = std::make_unique<WebKitEngine>(std::move(options), dynamic_cast<WebKitEngine*>(related));
    GtkWidget* widget = engine->widget();
    WebKitEngine* raw = engine.get();
    EngineAndWidget made{std::move(engine), widget, {}};
    made.on_close_request = [raw](std::function<void()> close) { raw->on_close_request = std::move(close); };
    return made;
}

} // namespace driftway::platform::gtk
