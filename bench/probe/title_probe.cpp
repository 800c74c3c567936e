// Waits for a window title through one X connection, so that the
// measurement itself costs the display next to nothing.
//
//   title_probe launch TEXT TIMEOUT_MS PROGRAM [ARG]...
//       starts PROGRAM in a process group of its own and waits until a
//       viewable top-level window of that process, or of one it started, has
//       a title containing TEXT. Prints "PID MILLISECONDS WINDOW CPU_MS":
//       the time from just before the start, and the processor time the
//       tree had used by then.
//   title_probe wait TEXT TIMEOUT_MS [PID]
//       waits for such a window of any process (or of PID and the processes
//       it started). Prints "MILLISECONDS WINDOW".
//
// The exit status is 1 on time-out (the launched PID is still printed, so
// that the caller can end it) and 2 on bad use.
#include "bench/probe/proc_memory.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class Connection {
public:
    Connection() : m_display(XOpenDisplay(nullptr)) {}
    ~Connection()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    explicit operator bool() const { return m_display != nullptr; }
    ::Display* get() const { return m_display; }

private:
    ::Display* m_display;
};

struct Atoms {
    Atom net_wm_name;
    Atom net_wm_pid;
    Atom utf8_string;
};

std::optional<std::vector<unsigned char>> property(::Display* d, Window w, Atom name, Atom type)
{
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, name, 0, 4096, False, type, &actual, &format, &count, &after, &data) !=
            Success ||
        !data)
        return std::nullopt;
    std::optional<std::vector<unsigned char>> value;
    // Xlib hands 32-bit items over as longs and 16-bit ones as shorts.
    const std::size_t item = format == 32 ? sizeof(long) : format == 16 ? sizeof(short) : 1;
    if (actual != None)
        value.emplace(data, data + count * item);
    XFree(data);
    return value;
}

std::string title_of(::Display* d, Window w, const Atoms& atoms)
{
    if (auto utf8 = property(d, w, atoms.net_wm_name, atoms.utf8_string))
        return {utf8->begin(), utf8->end()};
    if (auto legacy = property(d, w, XA_WM_NAME, AnyPropertyType))
        return {legacy->begin(), legacy->end()};
    return {};
}

long pid_of(::Display* d, Window w, const Atoms& atoms)
{
    auto value = property(d, w, atoms.net_wm_pid, XA_CARDINAL);
    if (!value || value->size() < sizeof(long))
        return 0;
    long pid = 0;
    std::memcpy(&pid, value->data(), sizeof(long));
    return pid;
}

// Whether process pid is root or was started by it, directly or not.
bool in_tree(long pid, long root)
{
    for (int depth = 0; pid > 1 && depth < 64; ++depth) {
        if (pid == root)
            return true;
        std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
        std::string stat;
        std::getline(in, stat);
        const auto close = stat.rfind(')');
        if (close == std::string::npos)
            return false;
        std::istringstream rest(stat.substr(close + 1));
        std::string state;
        if (!(rest >> state >> pid))
            return false;
    }
    return false;
}

bool matches(::Display* d, const Atoms& atoms, Window w, const std::string& text, long pid)
{
    if (pid && !in_tree(pid_of(d, w, atoms), pid))
        return false;
    if (title_of(d, w, atoms).find(text) == std::string::npos)
        return false;
    XWindowAttributes attributes;
    return XGetWindowAttributes(d, w, &attributes) && attributes.map_state == IsViewable;
}

std::vector<Window> children_of(::Display* d, Window w)
{
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    std::vector<Window> list;
    if (XQueryTree(d, w, &root, &parent, &children, &count) && children) {
        list.assign(children, children + count);
        XFree(children);
    }
    return list;
}

// Top-level windows are the root's children, or their children when a
// window manager has reparented them. Each one found is watched for title
// and map changes from then on.
std::optional<Window> scan(::Display* d, const Atoms& atoms, const std::string& text, long pid)
{
    std::vector<Window> candidates = children_of(d, DefaultRootWindow(d));
    for (std::size_t i = 0, top = candidates.size(); i < top; ++i) {
        const auto inner = children_of(d, candidates[i]);
        candidates.insert(candidates.end(), inner.begin(), inner.end());
    }
    for (Window w : candidates) {
        XSelectInput(d, w, PropertyChangeMask | StructureNotifyMask | SubstructureNotifyMask);
        if (matches(d, atoms, w, text, pid))
            return w;
    }
    return std::nullopt;
}

int ignore_errors(::Display*, XErrorEvent*)
{
    // Windows come and go between the listing and the reading; a vanished
    // window is simply not the one we wait for.
    return 0;
}

// Rather than asking the server again and again, which would take its time
// from the browsers we measure, the probe sleeps until the server reports a
// new window, a mapping or a changed property, and checks only that window;
// a full scan every 50 ms covers anything it might have missed.
std::optional<Window> wait_for(::Display* d, const std::string& text, long pid, Clock::time_point deadline)
{
    const Atoms atoms{XInternAtom(d, "_NET_WM_NAME", False), XInternAtom(d, "_NET_WM_PID", False),
                      XInternAtom(d, "UTF8_STRING", False)};
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    auto next_scan = Clock::now();
    while (Clock::now() < deadline) {
        if (Clock::now() >= next_scan) {
            if (auto w = scan(d, atoms, text, pid))
                return w;
            next_scan = Clock::now() + std::chrono::milliseconds(50);
        }
        while (XPending(d)) {
            XEvent event;
            XNextEvent(d, &event);
            Window w = 0;
            if (event.type == CreateNotify) {
                w = event.xcreatewindow.window;
                XSelectInput(d, w, PropertyChangeMask | StructureNotifyMask | SubstructureNotifyMask);
            } else if (event.type == MapNotify) {
                w = event.xmap.window;
            } else if (event.type == PropertyNotify) {
                w = event.xproperty.window;
            } else if (event.type == ReparentNotify) {
                w = event.xreparent.window;
            }
            if (w && matches(d, atoms, w, text, pid))
                return w;
        }
        pollfd fd{ConnectionNumber(d), POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::min(next_scan, deadline) - Clock::now());
        ::poll(&fd, 1, static_cast<int>(std::max<long>(0, left.count()) + 1));
    }
    return std::nullopt;
}

// The processor time the tree of root has used, in milliseconds.
double tree_cpu_ms(long root)
{
    std::uint64_t ticks = 0;
    for (const auto& p :
         driftway::bench::process_tree(static_cast<int>(root), driftway::bench::all_processes()))
        ticks += p.cpu_ticks;
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double ms_since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (argc < 4 || (mode == "launch" && argc < 5) || (mode != "launch" && mode != "wait")) {
        std::fprintf(stderr, "usage: title_probe launch TEXT TIMEOUT_MS PROGRAM [ARG]...\n"
                             "       title_probe wait TEXT TIMEOUT_MS [PID]\n");
        return 2;
    }
    Connection display;
    if (!display) {
        std::fprintf(stderr, "title_probe: cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(ignore_errors);
    const std::string text = argv[2];
    const auto timeout = std::chrono::milliseconds(std::atol(argv[3]));

    if (mode == "wait") {
        const long pid = argc > 4 ? std::atol(argv[4]) : 0;
        const auto start = Clock::now();
        const auto w = wait_for(display.get(), text, pid, start + timeout);
        if (!w)
            return 1;
        std::printf("%.1f 0x%lx\n", ms_since(start), *w);
        return 0;
    }

    std::fflush(stdout);
    const auto start = Clock::now();
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("title_probe: fork");
        return 2;
    }
    if (child == 0) {
        // A group of its own lets the caller end the browser with all its
        // helpers; its output goes to our error stream, never into the
        // caller's capture of our answer.
        ::setpgid(0, 0);
        ::close(ConnectionNumber(display.get()));
        ::dup2(2, 1);
        ::execvp(argv[4], argv + 4);
        std::perror("title_probe: exec");
        std::_Exit(127);
    }
    ::setpgid(child, child);
    const auto w = wait_for(display.get(), text, child, start + timeout);
    const double elapsed = ms_since(start);
    if (!w) {
        std::printf("%d 0 0\n", static_cast<int>(child));
        return 1;
    }
    std::printf("%d %.1f 0x%lx %.0f\n", static_cast<int>(child), elapsed, *w, tree_cpu_ms(child));
    return 0;
}
