#pragma once

#include "favourites/folder_watch.h"

#include <glib.h>

#include <cstddef>
#include <functional>
#include <string>
#include <unordered_map>

namespace driftway::favourites {
class ModFaves;
}

namespace driftway::gtk {

// Follows the Favorites folder on disk for the whole process: whatever
// changes it (a file manager, another Driftway, an import), every window's
// tree and Favorites menu are rebuilt within a second, once per burst, each
// keeping its view. One per process; the folder is shared by all windows.
//
// Every folder the views show is watched through one inotify descriptor read
// from the GLib main loop; the watches follow the newest scan, so folders that
// appear or go are picked up by the refresh they cause. Beyond
// FolderWatch::kMaxWatches folders only the shallowest are watched, and changes
// deeper down show at the next refresh.
class FavouritesMonitor {
public:
    explicit FavouritesMonitor(favourites::ModFaves& faves, favourites::DebounceTiming timing = {},
                               std::size_t max_watches = favourites::FolderWatch::kMaxWatches);
    ~FavouritesMonitor();
    FavouritesMonitor(const FavouritesMonitor&) = delete;
    FavouritesMonitor& operator=(const FavouritesMonitor&) = delete;

    // Starts watching what the windows show. Call it once a window has loaded
    // its favourites; before that it waits for the first scan. Does nothing
    // when already running or when the system refuses to watch.
    void start();
    bool running() const { return m_fd >= 0; }
    // While `hold` answers true a due refresh waits: give it whether any
    // window's tree has a label edit open, which a rebuild would end.
    void hold_while(std::function<bool()> hold) { m_watch.hold_while(std::move(hold)); }

    // For tests: the refreshes made for outside changes, the folders watched.
    int refreshes() const { return m_watch.refreshes(); }
    std::size_t watch_count() const { return m_wd_of.size(); }

private:
    static gboolean on_readable(gint fd, GIOCondition condition, gpointer self);
    static gboolean on_timer(gpointer self);
    static gboolean on_first_scan(gpointer self);
    void read_events();
    void arm_timer();
    void update_watches();
    void forget(int wd);

    favourites::ModFaves& m_faves;
    favourites::FolderWatch m_watch;
    std::size_t m_max_watches;
    int m_fd = -1;
    guint m_fd_source = 0;
    guint m_timer = 0;
    guint m_waiting_for_scan = 0;
    std::unordered_map<int, std::string> m_path_of;
    std::unordered_map<std::string, int> m_wd_of;
    bool m_told_limited = false;
    bool m_told_exhausted = false;
};

} // namespace driftway::gtk
