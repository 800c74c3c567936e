#include "gtk/single_instance.h"

#include "gtk/session_bus.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace driftway::gtk {

namespace {

constexpr const char* kOpenAction = "open-addresses";

// A cancellable that cancels itself when the time is up, so that every
// blocking bus call of a start shares one limit: a running program that hangs
// costs a later start this long and no longer.
class Deadline {
public:
    explicit Deadline(int timeout_ms)
        : m_end(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms)), m_thread([this] {
              std::unique_lock lock(m_mutex);
              if (!m_cv.wait_until(lock, m_end, [this] { return m_done; }))
                  g_cancellable_cancel(m_cancellable);
          })
    {
    }
    ~Deadline()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_all();
        m_thread.join();
        g_object_unref(m_cancellable);
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

    GCancellable* cancellable() const { return m_cancellable; }
    int remaining_ms() const
    {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(m_end - std::chrono::steady_clock::now());
        return static_cast<int>(std::max<long long>(left.count(), 1));
    }

private:
    GCancellable* m_cancellable = g_cancellable_new();
    std::chrono::steady_clock::time_point m_end;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    std::thread m_thread; // last: it starts once everything above is ready
};

GVariant* open_parameter(const std::vector<std::string>& addresses, const std::string& startup_id)
{
    GVariantBuilder list;
    g_variant_builder_init(&list, G_VARIANT_TYPE("as"));
    for (const auto& a : addresses)
        g_variant_builder_add(&list, "s", a.c_str());
    return g_variant_new("(ass)", &list, startup_id.c_str());
}

} // namespace

SingleInstance::~SingleInstance()
{
    release();
}

void SingleInstance::release()
{
    if (m_app) {
        g_object_unref(m_app);
        m_app = nullptr;
    }
}

SingleInstance::Role SingleInstance::start(const std::string& id, const std::vector<std::string>& addresses,
                                           const std::string& startup_id, Open on_open, int timeout_ms)
{
    if (!g_application_id_is_valid(id.c_str()))
        return Role::Alone;
    Deadline deadline(timeout_ms);
    GDBusConnection* bus = session_bus(deadline.cancellable());
    if (!bus)
        return Role::Alone;

    m_app = g_application_new(id.c_str(), G_APPLICATION_DEFAULT_FLAGS);
    GSimpleAction* open = g_simple_action_new(kOpenAction, G_VARIANT_TYPE("(ass)"));
    g_signal_connect(open, "activate", G_CALLBACK(on_open_action), this);
    g_action_map_add_action(G_ACTION_MAP(m_app), G_ACTION(open));
    g_object_unref(open);
    g_signal_connect(m_app, "activate", G_CALLBACK(on_activate), this);

    // Registering either takes the name or finds its owner and asks it for
    // its actions; both wait for the bus, and the second for the owner.
    if (!g_application_register(m_app, deadline.cancellable(), nullptr)) {
        release();
        return Role::Alone;
    }
    if (!g_application_get_is_remote(m_app)) {
        m_on_open = std::move(on_open);
        return Role::Running;
    }

    // Activating the remote action through GApplication would not wait for
    // the owner's answer; this call does, within what is left of the time.
    GVariantBuilder parameter;
    g_variant_builder_init(&parameter, G_VARIANT_TYPE("av"));
    g_variant_builder_add(&parameter, "v", open_parameter(addresses, startup_id));
    GVariant* reply = g_dbus_connection_call_sync(
        bus, id.c_str(), g_application_get_dbus_object_path(m_app), "org.gtk.Actions", "Activate",
        g_variant_new("(sava{sv})", kOpenAction, &parameter, nullptr), nullptr,
        G_DBUS_CALL_FLAGS_NO_AUTO_START, deadline.remaining_ms(), deadline.cancellable(), nullptr);
    release();
    if (!reply)
        return Role::Alone;
    g_variant_unref(reply);
    return Role::HandedOver;
}

void SingleInstance::on_open_action(GSimpleAction*, GVariant* parameter, gpointer self)
{
    auto* instance = static_cast<SingleInstance*>(self);
    if (!instance->m_on_open)
        return;
    GVariantIter* list = nullptr;
    const char* startup_id = nullptr;
    g_variant_get(parameter, "(as&s)", &list, &startup_id);
    std::vector<std::string> addresses;
    const char* address = nullptr;
    while (g_variant_iter_next(list, "&s", &address))
        addresses.emplace_back(address);
    g_variant_iter_free(list);
    instance->m_on_open(addresses, startup_id);
}

void SingleInstance::on_activate(GApplication*, gpointer self)
{
    // Another program asked Driftway to show itself: one empty window.
    auto* instance = static_cast<SingleInstance*>(self);
    if (instance->m_on_open)
        instance->m_on_open({}, "");
}

} // namespace driftway::gtk
