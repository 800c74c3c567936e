#include "favourites/folder_watch.h"

#include "favourites/mod_faves.h"
#include "platform/atomic_file.h"

#include <algorithm>
#include <deque>
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>

namespace driftway::favourites {

void Debouncer::notice(WatchClock::time_point now)
{
    if (!m_first)
        m_first = now;
    m_last = now;
}

void Debouncer::not_before(WatchClock::time_point when)
{
    m_earliest = std::max(m_earliest, when);
}

std::optional<WatchClock::time_point> Debouncer::deadline() const
{
    if (!m_first)
        return std::nullopt;
    const auto settled = std::min(m_last + m_timing.quiet, *m_first + m_timing.longest);
    return std::max(settled, m_earliest);
}

bool Debouncer::due(WatchClock::time_point now) const
{
    const auto when = deadline();
    return when && now >= *when;
}

void Debouncer::clear()
{
    m_first.reset();
}

namespace {

enum class Shown { Nothing, Folder, Item };

std::string_view base_of(std::string_view path)
{
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// How a scan would show the entry at `path`, by the scan's own rules: a plain
// folder is a real directory whose name does not start with "."; any other
// directory, a link to one included, is left out; so is the temporary file of
// an atomic write; everything else is an item.
Shown on_disk(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return Shown::Nothing;
    if (!S_ISDIR(st.st_mode) && platform::is_atomic_temp_name(base_of(path)))
        return Shown::Nothing;
    if (S_ISDIR(st.st_mode))
        return base_of(path).starts_with('.') ? Shown::Nothing : Shown::Folder;
    if (S_ISLNK(st.st_mode)) {
        struct stat target {};
        if (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
            return Shown::Nothing;
    }
    return Shown::Item;
}

// A scan's folders by key, for many look-ups in one check.
class ScanIndex {
public:
    explicit ScanIndex(const FavScan& scan) : m_scan(scan)
    {
        const auto& folders = scan.folders();
        m_folders.reserve(folders.size());
        for (std::size_t i = 0; i < folders.size(); ++i)
            m_folders.emplace(folders[i].key, static_cast<int>(i));
    }

    const FavScan& scan() const { return m_scan; }

    // The folder keyed `key` (with its trailing "/"), or -1.
    int folder(const std::string& key) const
    {
        const auto it = m_folders.find(key);
        return it == m_folders.end() ? -1 : it->second;
    }

    bool has_item(int folder, std::string_view path) const
    {
        const FavFolder& f = m_scan.folders()[static_cast<std::size_t>(folder)];
        const auto& items = m_scan.items();
        for (int i = f.first_item; i < f.first_item + f.item_count; ++i) {
            if (items[static_cast<std::size_t>(i)].path == path)
                return true;
        }
        return false;
    }

    // Every folder key and item path below `folder`, sorted.
    std::vector<std::string_view> subtree(int folder) const
    {
        std::vector<std::string_view> keys;
        std::vector<int> to_visit{folder};
        while (!to_visit.empty()) {
            const FavFolder& f = m_scan.folders()[static_cast<std::size_t>(to_visit.back())];
            to_visit.pop_back();
            for (int i = f.first_item; i < f.first_item + f.item_count; ++i)
                keys.emplace_back(m_scan.items()[static_cast<std::size_t>(i)].path);
            for (int c = f.first_child; c >= 0;
                 c = m_scan.folders()[static_cast<std::size_t>(c)].next_sibling) {
                keys.emplace_back(m_scan.folders()[static_cast<std::size_t>(c)].key);
                to_visit.push_back(c);
            }
        }
        std::sort(keys.begin(), keys.end());
        return keys;
    }

private:
    const FavScan& m_scan;
    std::unordered_map<std::string_view, int> m_folders;
};

bool entry_shown(const ScanIndex& index, const std::string& path)
{
    // The root itself going or coming back means its watch is gone too.
    if (path + "/" == index.scan().root_key())
        return false;
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return true;
    const int parent = index.folder(path.substr(0, slash + 1));
    // Inside a folder the views do not show, a change shows nowhere; the
    // folder's own appearance is an entry of its parent.
    if (parent < 0)
        return true;
    const Shown shown = index.folder(path + "/") >= 0  ? Shown::Folder
                        : index.has_item(parent, path) ? Shown::Item
                                                       : Shown::Nothing;
    return shown == on_disk(path);
}

bool contents_shown(const ScanIndex& index, const std::string& path)
{
    const int folder = index.folder(path + "/");
    if (folder < 0)
        return true;
    const FavScan fresh = FavScan::read(path + "/", nullptr);
    std::vector<std::string_view> found;
    for (std::size_t i = 1; i < fresh.folders().size(); ++i)
        found.emplace_back(fresh.folders()[i].key);
    for (const FavItem& item : fresh.items())
        found.emplace_back(item.path);
    std::sort(found.begin(), found.end());
    return found == index.subtree(folder);
}

bool shows(const ScanIndex& index, const FolderChange& change)
{
    switch (change.kind) {
    case FolderChange::Kind::Entry:
        return entry_shown(index, change.path);
    case FolderChange::Kind::Contents:
        return contents_shown(index, change.path);
    case FolderChange::Kind::Unknown:
        break;
    }
    return false;
}

std::string without_slash(const std::string& key)
{
    return key.size() > 1 && key.ends_with('/') ? key.substr(0, key.size() - 1) : key;
}

} // namespace

bool scan_shows(const FavScan& scan, const FolderChange& change)
{
    return shows(ScanIndex(scan), change);
}

WatchList folders_to_watch(const FavScan& scan, std::size_t limit)
{
    WatchList list;
    if (scan.root_key().empty() || limit == 0)
        return list;
    const auto& folders = scan.folders();
    // Breadth first, so that a cut keeps the levels nearest the root whole.
    std::deque<int> queue{0};
    while (!queue.empty()) {
        if (list.folders.size() == limit) {
            list.limited = true;
            break;
        }
        const int f = queue.front();
        queue.pop_front();
        list.folders.push_back(without_slash(folders[static_cast<std::size_t>(f)].key));
        for (int c = folders[static_cast<std::size_t>(f)].first_child; c >= 0;
             c = folders[static_cast<std::size_t>(c)].next_sibling)
            queue.push_back(c);
    }
    return list;
}

FolderWatch::FolderWatch(ModFaves& faves, DebounceTiming timing, Clock clock)
    : m_faves(faves), m_clock(std::move(clock)), m_debouncer(timing)
{
}

void FolderWatch::changed(FolderChange change)
{
    m_debouncer.notice(m_clock());
    if (m_unknown)
        return;
    if (change.kind == FolderChange::Kind::Unknown || m_pending.size() >= kMaxPending) {
        m_unknown = true;
        m_pending.clear();
        m_pending_keys.clear();
        return;
    }
    std::string key = (change.kind == FolderChange::Kind::Entry ? "e" : "c") + change.path;
    if (m_pending_keys.insert(std::move(key)).second)
        m_pending.push_back(std::move(change));
}

bool FolderWatch::views_show(const std::vector<FolderChange>& changes) const
{
    for (const auto& scan : m_faves.shown_scans()) {
        const ScanIndex index(*scan);
        for (const FolderChange& change : changes) {
            if (!shows(index, change))
                return false;
        }
    }
    return true;
}

FolderWatch::Outcome FolderWatch::tick()
{
    const auto now = m_clock();
    if (!m_debouncer.pending())
        return Outcome::Idle;
    if (!m_debouncer.due(now))
        return Outcome::Waiting;
    if (m_faves.scanning() || (m_hold && m_hold())) {
        // The scan under way may show the change already; look again after it.
        m_debouncer.not_before(now + std::chrono::milliseconds(100));
        return Outcome::Postponed;
    }

    // What is heard from here on, during the refresh's scan too, belongs to
    // the next burst.
    const std::vector<FolderChange> changes = std::move(m_pending);
    const bool unknown = m_unknown;
    m_pending.clear();
    m_pending_keys.clear();
    m_unknown = false;
    m_debouncer.clear();

    if (!unknown && views_show(changes))
        return Outcome::UpToDate;
    const auto start = m_clock();
    m_faves.RefreshKeepingView();
    ++m_refreshes;
    // A large folder takes long to scan: leave the user at least as much time
    // between two refreshes as one of them took.
    const auto end = m_clock();
    m_debouncer.not_before(end + (end - start));
    return Outcome::Refreshed;
}

std::optional<WatchUpdate> FolderWatch::update_watches(std::size_t limit)
{
    const auto scan = m_faves.latest_scan();
    if (!scan || scan == m_planned_for)
        return std::nullopt;
    m_planned_for = scan;

    WatchList list = folders_to_watch(*scan, limit);
    WatchUpdate update;
    update.limited = list.limited;
    std::unordered_set<std::string> wanted(list.folders.begin(), list.folders.end());
    for (std::string& folder : list.folders) {
        if (!m_watched.contains(folder))
            update.add.push_back(std::move(folder));
    }
    for (const std::string& folder : m_watched) {
        if (!wanted.contains(folder))
            update.remove.push_back(folder);
    }
    m_watched = std::move(wanted);

    if (m_planned_once) {
        // Entries made in a new folder before its watch began were heard by
        // no one. Checking the topmost new folders covers those below them.
        const std::unordered_set<std::string_view> added(update.add.begin(), update.add.end());
        for (const std::string& folder : update.add) {
            const std::string_view parent = std::string_view(folder).substr(0, folder.rfind('/'));
            if (!added.contains(parent))
                changed({FolderChange::Kind::Contents, folder});
        }
    }
    m_planned_once = true;
    if (update.add.empty() && update.remove.empty())
        return std::nullopt;
    return update;
}

} // namespace driftway::favourites
