#pragma once

#include "platform/shell.h"

#include <string>
#include <vector>

namespace driftway::gtk {

// Names variables this process set for itself (the engine's defaults): the
// programs it starts get the environment it was started with instead.
void keep_from_started_programs(std::vector<std::string> names);

// Starts programs from argument vectors (never through a shell) and hands
// files to the desktop's default handlers.
class GioShell : public platform::Shell {
public:
    void spawn(const std::vector<std::string>& argv, platform::WindowStyle style) override;
    void open_with_default(const std::string& path) override;
};

} // namespace driftway::gtk
