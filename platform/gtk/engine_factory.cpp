#include "platform/gtk/engine_factory.h"

#include "about/internet_options.h"
#include "platform/gtk/webkit_engine.h"
#include "platform/settings_store.h"

#include <cstdlib>
#include <memory>

namespace driftway::platform::gtk {

void prepare_engine_environment()
{
    // Without a GPU, accelerated compositing only adds start-up time and a
    // software OpenGL stack's memory; the user's own setting wins.
    setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 0);
    setenv("NO_AT_BRIDGE", "1", 0);
}

EngineAndWidget make_webkit_engine(browser::Engine* related)
{
    EngineOptions options;
    const char* compositing = std::getenv("WEBKIT_DISABLE_COMPOSITING_MODE");
    options.acceleration =
        (compositing && std::string(compositing) == "1") ? Acceleration::Never : Acceleration::OnDemand;
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

}  // namespace driftway::platform::gtk
