#pragma once

#include "favourites/fav_scan.h"
#include "favourites/fav_window.h"

#include <memory>
#include <string>
#include <vector>

namespace driftway::favourites {

// Whether a load or refresh ran now or waits for the scan under way.
enum class RefreshOutcome { Done, Deferred };
// Whether a rebuild starts each window's tree afresh (the root expanded and
// selected, every other folder collapsed) or keeps what the user had open.
enum class ViewState { Reset, Keep };
// The answer to a label edit: Cancel puts the old label back. Either way the
// view shows what the model holds afterwards and never writes the label itself.
enum class LabelEdit { Accept, Cancel };
enum class MouseButton { Left = 1, Right = 2, Other = 0 };

// The favourites pane's buttons PicFav 0 to 2 and their tooltips. Button 2
// runs the View menu's Favorites command, which belongs to the window.
inline constexpr const char* kPicFavTooltips[] = {"Add To Favorites...", "Organize Favorites...",
                                                  "Remove From Favorites"};
enum class PicFavAction { Done, ToggleFavoritesPane };

// Shown once per process when the Favorites folder cannot be had.
inline constexpr const char* kFolderUnavailable = "The Favorites folder is not available.";

// The favourites module: one per process. It keeps the registry of open main
// windows, each with its own tree and Favorites menu, and rebuilds all of them
// from one scan of the Favorites folder whenever any window changes it.
//
// How a main window uses it:
// - when it is shown: LoadFavorites(*this);
// - a Favorites menu entry chosen: FavWndProc(*this, id);
// - a mouse button released over the tree: TreeMouseUp(*this, button, x, y);
// - the tree's label edit ended: AfterLabelEdit(*this, text);
// - the context menu: mnuPopUp_Click / mnuRFav_Click (context_menu.h);
// - a PicFav button: PicFav_Click(*this, index);
// - when it closes (before it is destroyed): WindowClosed(*this).
//
// The scan yields through a window's DoEvents once per folder. A load or
// refresh asked for meanwhile is not run inside the scan but right after it.
// Trees are only touched once a scan is complete, so a window's tree always
// shows a whole scan.
class ModFaves {
public:
    ModFaves() = default;
    ModFaves(const ModFaves&) = delete;
    ModFaves& operator=(const ModFaves&) = delete;

    // The Favorites folder ($DRIFTWAY_FAVORITES, else
    // $XDG_DATA_HOME/Driftway/Favorites with ~/.local/share as the default),
    // created when missing; "" when it cannot be had. It is never "/".
    static std::string GetSpecialFolder(int csidl);

    // Registers the window (if new) and fills its tree and menu from a fresh
    // scan. Other windows keep what they show.
    RefreshOutcome LoadFavorites(FavWindow& window);
    // Rescans and rebuilds the tree and menu of every open window; `window`
    // is the one that asked.
    RefreshOutcome RefreshFavorites(FavWindow& window);
    // Rescans and rebuilds every open window as RefreshFavorites does, but
    // each tree keeps its expanded folders and its selected node wherever
    // their keys still exist; a selected node that has gone hands the
    // selection to its nearest remaining ancestor. For changes that were made
    // outside the window, which the user did not ask to be shown.
    RefreshOutcome RefreshKeepingView();
    // WM_CLOSE: the window leaves the registry. Safe during a scan.
    void WindowClosed(FavWindow& window);

    // The registered window, or nullptr when it has closed.
    FavWindow* FormFromHwnd(const FavWindow* window) const;
    bool is_open(const FavWindow& window) const { return FormFromHwnd(&window) != nullptr; }
    bool scanning() const { return m_busy; }

    // The favourites root with a trailing "/", or "" when unavailable.
    const std::string& FavPath() const { return m_fav_path; }
    // The scan behind a window's tree and menu (nullptr before its load).
    std::shared_ptr<const FavScan> scan_of(const FavWindow& window) const;
    // The scans the open windows show, each once, and the newest scan made.
    std::vector<std::shared_ptr<const FavScan>> shown_scans() const;
    std::shared_ptr<const FavScan> latest_scan() const { return m_latest; }
    // FavItems of a window: entry k (1-based) is item k of its menu.
    std::vector<std::string> FavItems(const FavWindow& window) const;

    // The Favorites menu's commands: 1097, 1098 and 1100 + k. Answers whether
    // the id is one of the menu's; ids past the last item do nothing. An item
    // id is looked up in `drawn_from`, the scan the chosen menu was built
    // from, so that an entry opens the favourite it showed even when a newer
    // scan has numbered the items afresh meanwhile; without it, in the scan
    // the window shows now. A favourite that has gone since is reported.
    bool FavWndProc(FavWindow& window, int id, const FavScan* drawn_from = nullptr);
    // Opens a favourite: a .url file navigates when its address is not empty
    // and differs from the current one; a .lnk file goes to the desktop's
    // default handler; anything else does nothing.
    void OpenFavorite(const std::string& path, FavWindow& window);
    void AddToFavorites(FavWindow& window);
    void OrganizeFavorites(FavWindow& window);
    // A PicFav button: 0 adds, 1 organises; for 2 the window toggles its
    // favourites pane as View > Favorites does. Other indexes do nothing.
    PicFavAction PicFav_Click(FavWindow& window, int index);

    // Picks a free name (New folder, New folder1, ...) and remembers it in
    // LastUniqueName.
    std::string UniqueFileName(const std::string& path);
    const std::string& LastUniqueName() const { return m_last_unique_name; }

    // Mouse button released over the window's tree at (x, y) in the tree's
    // coordinates: left opens a favourite, right pops up the context menu;
    // the root is ignored.
    void TreeMouseUp(FavWindow& window, MouseButton button, double x, double y);
    // Enter in the tree: opens the selected favourite as a left click does.
    // (The view opens or closes a selected folder itself.)
    void TreeOpenSelected(FavWindow& window);
    // The selected node's label edit ended with `new_string`: renames the file
    // or folder on disk, rebuilds, and selects it again under its new name.
    LabelEdit AfterLabelEdit(FavWindow& window, const std::string& new_string);

    // Shows a message over the window (exclamation, OK).
    void report(FavWindow& window, const std::string& text) const;
    // True when something is at `path`; otherwise tells the user that the
    // entry has gone, refreshes, and answers false.
    bool ensure_exists(FavWindow& window, const std::string& path);

private:
    // Opens a favourite the user picked from a tree or menu drawn earlier;
    // one that has gone since is reported rather than passed over.
    void open_picked(FavWindow& window, const std::string& path);

    struct Entry {
        FavWindow* window = nullptr;
        std::shared_ptr<const FavScan> scan;
        bool pending = false;
    };
    Entry* entry_of(const FavWindow& window);
    const Entry* entry_of(const FavWindow& window) const;
    void run_scans(FavWindow& asking, ViewState view);
    void apply(Entry& entry, const std::shared_ptr<const FavScan>& scan,
               const std::shared_ptr<const FavMenu>& menu, ViewState view);
    void locate_folder(FavWindow& asking);
    void yield_once();

    std::vector<Entry> m_windows;
    std::string m_fav_path;
    std::string m_last_unique_name;
    bool m_busy = false;
    bool m_refresh_all = false;
    bool m_refresh_keeping = false;
    std::shared_ptr<const FavScan> m_latest;
    bool m_told_unavailable = false;
};

} // namespace driftway::favourites
