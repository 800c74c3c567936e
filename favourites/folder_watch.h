#pragma once

#include "favourites/fav_scan.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace driftway::favourites {

class ModFaves;

using WatchClock = std::chrono::steady_clock;

// Something the watcher of the Favorites folder heard of. Paths carry no
// trailing "/".
struct FolderChange {
    enum class Kind {
        Entry,    // the entry at `path` may have appeared, gone or changed kind
        Contents, // the folder at `path` may hold entries the views do not show
        Unknown,  // anything may have changed: notices were lost
    };
    Kind kind = Kind::Unknown;
    std::string path;
};

struct DebounceTiming {
    // A burst ends once nothing more is heard for this long...
    std::chrono::milliseconds quiet{300};
    // ...or, when changes keep coming, this long after its first change.
    std::chrono::milliseconds longest{900};
};

// Turns a burst of notices into one moment to act. The deadline is the end of
// the quiet time after the last notice, capped by the longest wait after the
// first, and never earlier than a point set with not_before().
class Debouncer {
public:
    explicit Debouncer(DebounceTiming timing = {}) : m_timing(timing) {}

    void notice(WatchClock::time_point now);
    // Keeps a pending burst from falling due before `when`.
    void not_before(WatchClock::time_point when);
    bool pending() const { return m_first.has_value(); }
    std::optional<WatchClock::time_point> deadline() const;
    bool due(WatchClock::time_point now) const;
    void clear();

private:
    DebounceTiming m_timing;
    std::optional<WatchClock::time_point> m_first;
    WatchClock::time_point m_last{};
    WatchClock::time_point m_earliest{};
};

// Whether a fresh scan would show the same as `scan` where `change` happened.
// Cheap: an Entry costs one lstat and a look at one folder of the scan; only
// Contents reads the folder's subtree. An Unknown change never matches.
bool scan_shows(const FavScan& scan, const FolderChange& change);

// The folders to watch for a scan (paths without the trailing "/"), parents
// before their children. Past `limit` folders only the shallowest ones are
// watched; `limited` says so.
struct WatchList {
    std::vector<std::string> folders;
    bool limited = false;
};
WatchList folders_to_watch(const FavScan& scan, std::size_t limit);

// Which watches to start and stop.
struct WatchUpdate {
    std::vector<std::string> add; // parents before their children
    std::vector<std::string> remove;
    bool limited = false;
};

// Keeps the favourites views in step with the Favorites folder as others
// change it. The platform's watcher reports what it hears through changed()
// and calls tick() when deadline() has come. A burst of changes ends in one
// refresh that keeps each window's view (ModFaves::RefreshKeepingView). The
// program's own changes already refreshed the views: the views then show what
// is on disk where the notices point, and no second refresh follows.
class FolderWatch {
public:
    using Clock = std::function<WatchClock::time_point()>;
    // More distinct changes than this in one burst are not checked one by one.
    static constexpr std::size_t kMaxPending = 2000;
    // Beyond this many folders only the shallowest are watched: each watch
    // costs kernel memory, and the user's allowance is shared with every other
    // program that watches files.
    static constexpr std::size_t kMaxWatches = 10000;

    explicit FolderWatch(ModFaves& faves, DebounceTiming timing = {}, Clock clock = &WatchClock::now);
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // While `hold` answers true (say, a label edit is open, which a rebuild
    // would end), a due refresh waits and is tried again shortly.
    void hold_while(std::function<bool()> hold) { m_hold = std::move(hold); }

    void changed(FolderChange change);
    // When tick() should run next, or nullopt when nothing is pending.
    std::optional<WatchClock::time_point> deadline() const { return m_debouncer.deadline(); }

    enum class Outcome {
        Idle,      // nothing pending
        Waiting,   // the burst goes on
        UpToDate,  // the views already show what changed
        Refreshed, // the views were rebuilt
        Postponed, // a scan was under way or a hold was on; tried again shortly
    };
    Outcome tick();

    // The watches to start and stop since the last call, when the newest scan
    // has changed; the first call gives the whole list. Folders that appear
    // after the first call are checked once they are watched, for entries
    // made before their watch began.
    std::optional<WatchUpdate> update_watches(std::size_t limit = kMaxWatches);
    // The platform could not watch `path`: a later update tries again.
    void not_watched(const std::string& path) { m_watched.erase(path); }

    int refreshes() const { return m_refreshes; }

private:
    bool views_show(const std::vector<FolderChange>& changes) const;

    ModFaves& m_faves;
    Clock m_clock;
    std::function<bool()> m_hold;
    Debouncer m_debouncer;
    std::vector<FolderChange> m_pending;
    std::unordered_set<std::string> m_pending_keys;
    bool m_unknown = false;
    std::shared_ptr<const FavScan> m_planned_for;
    bool m_planned_once = false;
    std::unordered_set<std::string> m_watched;
    int m_refreshes = 0;
};

} // namespace driftway::favourites
