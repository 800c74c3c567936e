#include "platform/gtk/engine_factory.h"

#include "platform/runtime_error.h"

#include <cstdlib>

namespace driftway::platform::gtk {

void prepare_engine_environment()
{
    setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 0);
    setenv("NO_AT_BRIDGE", "1", 0);
}

EngineAndWidget make_webkit_engine(browser::Engine*)
{
    throw RuntimeError(error::kNotSupported, "The web engine is not built in yet");
}

}  // namespace driftway::platform::gtk
