#include "gtk/favourites_monitor.h"

#include "favourites/mod_faves.h"

#include <glib-unix.h>

#include <cerrno>
#include <chrono>
#include <sys/inotify.h>
#include <unistd.h>

namespace driftway::gtk {

namespace {

using favourites::FolderChange;

// Only what changes the tree: names that come, go or move. Writes to a
// shortcut change no node, so they are not even asked for.
constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                                     IN_MOVE_SELF | IN_ONLYDIR | IN_EXCL_UNLINK;

std::string without_slash(const std::string& key)
{
    return key.size() > 1 && key.ends_with('/') ? key.substr(0, key.size() - 1) : key;
}

} // namespace

FavouritesMonitor::FavouritesMonitor(favourites::ModFaves& faves, favourites::DebounceTiming timing,
                                     std::size_t max_watches)
    : m_faves(faves), m_watch(faves, timing), m_max_watches(max_watches)
{
}

FavouritesMonitor::~FavouritesMonitor()
{
    for (const guint source : {m_fd_source, m_timer, m_waiting_for_scan}) {
        if (source != 0)
            g_source_remove(source);
    }
    // Closing the descriptor ends every watch on it.
    if (m_fd >= 0)
        ::close(m_fd);
}

void FavouritesMonitor::start()
{
    if (running())
        return;
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) {
        g_message("The favourites will not follow changes made outside this window: %s.", g_strerror(errno));
        return;
    }
    m_fd_source = g_unix_fd_add(m_fd, G_IO_IN, &FavouritesMonitor::on_readable, this);
    if (m_faves.latest_scan())
        update_watches();
    else
        m_waiting_for_scan = g_timeout_add(250, &FavouritesMonitor::on_first_scan, this);
}

gboolean FavouritesMonitor::on_first_scan(gpointer self)
{
    auto* monitor = static_cast<FavouritesMonitor*>(self);
    if (!monitor->m_faves.latest_scan())
        return G_SOURCE_CONTINUE;
    monitor->m_waiting_for_scan = 0;
    monitor->update_watches();
    return G_SOURCE_REMOVE;
}

gboolean FavouritesMonitor::on_readable(gint /*fd*/, GIOCondition /*condition*/, gpointer self)
{
    static_cast<FavouritesMonitor*>(self)->read_events();
    return G_SOURCE_CONTINUE;
}

void FavouritesMonitor::read_events()
{
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        for (const char* p = buffer; p < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            p += sizeof(inotify_event) + event->len;
            if (event->mask & IN_Q_OVERFLOW) {
                m_watch.changed({FolderChange::Kind::Unknown, {}});
                continue;
            }
            const auto it = m_path_of.find(event->wd);
            if (it == m_path_of.end())
                continue;
            if (event->mask & IN_IGNORED) {
                forget(event->wd);
            } else if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) {
                m_watch.changed({FolderChange::Kind::Entry, it->second});
            } else if (event->len > 0) {
                m_watch.changed({FolderChange::Kind::Entry, it->second + "/" + event->name});
            }
        }
    }
    arm_timer();
}

void FavouritesMonitor::arm_timer()
{
    if (m_timer != 0)
        return;
    const auto when = m_watch.deadline();
    if (!when)
        return;
    // Rounded up, so that the timer never fires before the deadline.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*when - favourites::WatchClock::now());
    const auto ms = static_cast<guint>(std::max<std::chrono::milliseconds::rep>(0, wait.count()));
    m_timer = g_timeout_add(ms, &FavouritesMonitor::on_timer, this);
}

gboolean FavouritesMonitor::on_timer(gpointer self)
{
    auto* monitor = static_cast<FavouritesMonitor*>(self);
    // Cleared first: the refresh's scan runs the main loop, and what it hears
    // meanwhile arms a timer of its own.
    monitor->m_timer = 0;
    monitor->m_watch.tick();
    monitor->update_watches();
    monitor->arm_timer();
    return G_SOURCE_REMOVE;
}

void FavouritesMonitor::update_watches()
{
    const auto update = m_watch.update_watches(m_max_watches);
    if (!update)
        return;
    if (update->limited && !m_told_limited) {
        m_told_limited = true;
        g_message("The Favorites folder holds more than %zu folders: changes made outside this window are "
                  "followed in the first %zu only, and deeper ones show at the next refresh.",
                  m_max_watches, m_max_watches);
    }
    const auto scan = m_faves.latest_scan();
    const std::string root = scan ? without_slash(scan->root_key()) : std::string();
    bool exhausted = false;
    for (const std::string& path : update->add) {
        if (exhausted) {
            m_watch.not_watched(path);
            continue;
        }
        // The root may be reached through a link; a folder below it is watched
        // only as the real folder the scan listed.
        const std::uint32_t mask = path == root ? kWatchMask : kWatchMask | IN_DONT_FOLLOW;
        const int wd = ::inotify_add_watch(m_fd, path.c_str(), mask);
        if (wd < 0) {
            const int error = errno;
            // A folder already gone is told of by its parent's watch.
            m_watch.not_watched(path);
            if (error == ENOSPC || error == ENOMEM) {
                exhausted = true;
                if (!m_told_exhausted) {
                    m_told_exhausted = true;
                    g_message("The system allows no more folder watches: changes made outside this window "
                              "in some favourites folders show only at the next refresh.");
                }
            }
            continue;
        }
        if (const auto old = m_path_of.find(wd); old != m_path_of.end() && old->second != path) {
            // The same folder under a new name: it was moved, and its watch
            // moves with it.
            if (const auto p = m_wd_of.find(old->second); p != m_wd_of.end() && p->second == wd) {
                m_watch.not_watched(old->second);
                m_wd_of.erase(p);
            }
        }
        if (const auto stale = m_wd_of.find(path); stale != m_wd_of.end() && stale->second != wd) {
            // Another folder of the same name went before its watch ended.
            ::inotify_rm_watch(m_fd, stale->second);
            m_path_of.erase(stale->second);
        }
        m_path_of[wd] = path;
        m_wd_of[path] = wd;
    }
    for (const std::string& path : update->remove) {
        const auto it = m_wd_of.find(path);
        if (it == m_wd_of.end())
            continue;
        const int wd = it->second;
        m_wd_of.erase(it);
        m_path_of.erase(wd);
        ::inotify_rm_watch(m_fd, wd);
    }
}

void FavouritesMonitor::forget(int wd)
{
    const auto it = m_path_of.find(wd);
    if (it == m_path_of.end())
        return;
    if (const auto p = m_wd_of.find(it->second); p != m_wd_of.end() && p->second == wd) {
        m_watch.not_watched(it->second);
        m_wd_of.erase(p);
    }
    m_path_of.erase(it);
}

} // namespace driftway::gtk
