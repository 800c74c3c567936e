#pragma once

#include "browser/address_history.h"
#include "browser/layout.h"
#include "platform/prompts.h"
#include "platform/shell.h"

#include <optional>
#include <string>
#include <vector>

namespace driftway::browser {

// The toolkit side of one main window as its logic sees it. The GTK window
// implements it; unit tests use a recording double.
class BrowserView {
public:
    virtual ~BrowserView() = default;

    virtual void set_title(const std::string& title) = 0;
    virtual void set_address_text(const std::string& text) = 0;
    virtual std::string address_text() const = 0;
    // Replaces the address box's list; selected is an index into it or -1.
    virtual void set_address_list(const std::vector<std::string>& entries, int selected) = 0;
    // The history changed by one visit (entries is the list afterwards): the
    // box's list follows and its top entry is selected. A view that can edit
    // its list in place does so rather than rebuild it.
    virtual void address_list_visited(const std::vector<std::string>& entries,
                                      const HistoryChange& /*change*/)
    {
        set_address_list(entries, 0);
    }
    virtual void set_status_text(const std::string& text) = 0;
    virtual void apply_layout(const Layout& layout) = 0;

    virtual void start_timer() = 0;
    virtual void stop_timer() = 0;

    // The clipboard's text; nullopt when it holds none.
    virtual std::optional<std::string> clipboard_text() = 0;

    virtual WindowState window_state() const = 0;
    // Asks for a window state; the toolkit may apply it later.
    virtual void set_window_state(WindowState state) = 0;

    // Designed menu items by set name and index.
    virtual void set_menu_checked(const std::string& set, int index, bool checked) = 0;
    virtual void set_menu_enabled(const std::string& set, int index, bool enabled) = 0;

    virtual void focus_address_box() = 0;

    // Message boxes and dialogs over this window, and other programs.
    virtual platform::Prompts& prompts() = 0;
    virtual platform::Shell& shell() = 0;

    // The window's position on the screen, in twips.
    virtual std::pair<float, float> position() const = 0;
    virtual void move_to(float left, float top) = 0;
    virtual void show() = 0;
    virtual void close() = 0;
};

} // namespace driftway::browser
