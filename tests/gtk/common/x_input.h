#pragma once

#include <string>
#include <vector>

namespace driftway::testing {

// Runs a program found in PATH and waits for it; returns whether it ran and
// exited with 0, its standard output in *output when asked for.
bool run(const std::vector<std::string>& args, std::string* output = nullptr);

// Real input through the X server's test extension (xdotool), for tests that
// need events as a user's mouse and keyboard make them. Coordinates are the
// screen's. Each call waits for xdotool and returns whether it succeeded.
bool xdotool(const std::vector<std::string>& args);
bool mouse_move(int x, int y);
// Moves the pointer away and into a window at (x, y), so that it takes the
// keyboard when no window manager runs.
bool focus_by_pointer(int x, int y);
bool mouse_click(int x, int y, int button = 1);
bool type_text(const std::string& text);
bool press_key(const std::string& keysym);

} // namespace driftway::testing
