#pragma once

#include "gtk/app.h"

namespace driftway::gtk {

// Environment defaults for the engine, set before GTK starts (rendering
// without a GPU, quiet accessibility bridge). Values the user set win.
void prepare_engine_environment();

// A WebKit engine and its view, related to another engine's view for a page's
// new-window request.
EngineAndWidget make_webkit_engine(platform::Engine* related);

}  // namespace driftway::gtk
