#pragma once

#include <string>
#include <vector>

namespace driftway::platform {

enum class WindowStyle { Hidden = 0, NormalFocus = 1, MinimizedFocus = 2, MaximizedFocus = 3 };

// Other programs and the desktop. Processes are always started from an
// argument vector, never through a shell.
class Shell {
public:
    virtual ~Shell() = default;

    // Starts argv[0] with the given arguments and does not wait. Throws
    // RuntimeError when the program cannot be started.
    virtual void spawn(const std::vector<std::string>& argv, WindowStyle style) = 0;

    // Hands a file to the desktop's default handler for its type.
    virtual void open_with_default(const std::string& path) = 0;
};

}  // namespace driftway::platform
