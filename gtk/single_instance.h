#pragma once

#include <gio/gio.h>

#include <functional>
#include <string>
#include <vector>

namespace driftway::gtk {

// One running Driftway per user, display and settings. The first start owns
// a name on the session bus (a GApplication); a later start hands its
// addresses to that program, which opens the windows, and ends. Without a
// session bus, or when the running program does not answer in time, a start
// runs on its own as before.
class SingleInstance {
public:
    enum class Role {
        Running,    // this process owns the name and opens what later starts send
        HandedOver, // the running program took the addresses: this start is done
        Alone,      // no bus, or no answer in time: run without the name
    };
    // Addresses to open, one window each (none: one empty window), and the
    // desktop's start-up notification id of the start that sent them.
    using Open =
        std::function<void(const std::vector<std::string>& addresses, const std::string& startup_id)>;

    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Owns the name id, or hands the addresses to its owner; everything,
    // connecting to the bus included, within timeout_ms. on_open runs for
    // later starts while this process owns the name.
    Role start(const std::string& id, const std::vector<std::string>& addresses,
               const std::string& startup_id, Open on_open, int timeout_ms);

private:
    static void on_open_action(GSimpleAction* action, GVariant* parameter, gpointer self);
    static void on_activate(GApplication* app, gpointer self);
    void release();

    GApplication* m_app = nullptr;
    Open m_on_open;
};

} // namespace driftway::gtk
