#pragma once

#include "platform/shell.h"

namespace driftway::platform::gtk {

// Starts programs from argument vectors (never through a shell) and hands
// files to the desktop's default handlers.
class GioShell : public Shell {
public:
    void spawn(const std::vector<std::string>& argv, WindowStyle style) override;
    void open_with_default(const std::string& path) override;
};

}  // namespace driftway::platform::gtk
