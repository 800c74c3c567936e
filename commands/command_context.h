#pragma once

#include "platform/engine.h"
#include "platform/prompts.h"
#include "platform/shell.h"

#include <string>

namespace driftway::commands {

enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

// What the menu commands and toolbar buttons may touch of one main window.
// The main window implements it; the commands never see the window itself.
// Any method may throw platform::RuntimeError; each command decides by its
// own policy whether that is skipped, reported or passed on.
class CommandContext {
public:
    virtual ~CommandContext() = default;

    // The window's browser engine.
    virtual platform::Engine& engine() = 0;
    // Message boxes and file dialogs, owned by the window.
    virtual platform::Prompts& prompts() = 0;
    // Starting other programs.
    virtual platform::Shell& shell() = 0;
    // Full path of the running executable.
    virtual std::string program_path() const = 0;

    // Puts the address into the address box and navigates there.
    virtual void NavNow(const std::string& completeAddress) = 0;
    // Same for the publisher site base address followed directly by sitePage.
    virtual void NavSite(const std::string& sitePage) = 0;
    // Closes (unloads) this main window; other windows stay open.
    virtual void close_window() = 0;
    // Sets the title to the title prefix followed by the engine's LocationName.
    virtual void set_title_from_location() = 0;
    // Starts the busy timer that shows "Working..." while the engine is busy.
    virtual void start_busy_timer() = 0;
    // Stops the busy timer.
    virtual void stop_busy_timer() = 0;

    // Check mark of a designed menu item, by set name ("mnuFItem") and index.
    virtual bool menu_checked(const std::string& set, int index) const = 0;
    // Sets the check mark of a designed menu item.
    virtual void set_menu_checked(const std::string& set, int index, bool checked) = 0;
    // Enables or disables a designed menu item.
    virtual void set_menu_enabled(const std::string& set, int index, bool enabled) = 0;

    // Whether the favourites pane (PicLeft) is shown.
    virtual bool favourites_pane_visible() const = 0;
    // Shows or hides the favourites pane.
    virtual void set_favourites_pane_visible(bool visible) = 0;
    // Runs the window's layout routine.
    virtual void Form_Resize() = 0;

    // The window's full-screen flag.
    virtual bool bFullSc() const = 0;
    // Sets the full-screen flag; no layout happens here.
    virtual void set_bFullSc(bool value) = 0;
    // Asks for a window state (the toolkit may apply it later).
    virtual void set_window_state(WindowState state) = 0;

    // Height of PicToolbar, in twips.
    virtual void set_toolbar_height(float twips) = 0;
    // Height of PicStatus, in twips.
    virtual void set_status_height(float twips) = 0;
    // Top of the engine's view, in twips.
    virtual float engine_top() const = 0;
    // Sets the top of the engine's view, in twips.
    virtual void set_engine_top(float twips) = 0;
    // Sets the height of the engine's view, in twips.
    virtual void set_engine_height(float twips) = 0;
    // Height of the window's client area (below the menu bar), in twips.
    virtual float inner_height() const = 0;

    // Imports a bookmark file into the Favorites folder; reports its own
    // progress and refusals to the user.
    virtual void import_bookmarks(const std::string& path) = 0;
    // Writes the Favorites folder as a bookmark file at path.
    virtual void export_favorites(const std::string& path) = 0;
};

} // namespace driftway::commands
