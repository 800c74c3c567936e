#pragma once

#include <glib-object.h>

#include <memory>
#include <type_traits>
#include <vector>

namespace driftway::gtk {

// Owning pointers for C objects of the toolkit and the engine: the deleter
// drops exactly one reference, so no code of ours calls g_object_unref by hand.
struct GObjectUnref {
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};

template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// Takes over a reference the caller already owns (a "transfer full" result).
template <typename T> GObjectPtr<T> adopt_gobject(T* object)
{
    return GObjectPtr<T>(object);
}

// Adds a reference of our own to an object we were only lent.
template <typename T> GObjectPtr<T> ref_gobject(T* object)
{
    if (object)
        g_object_ref(object);
    return GObjectPtr<T>(object);
}

struct GFreeDeleter {
    void operator()(gpointer p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

struct GErrorDeleter {
    void operator()(GError* e) const
    {
        if (e)
            g_error_free(e);
    }
};
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;

struct GBytesDeleter {
    void operator()(GBytes* b) const
    {
        if (b)
            g_bytes_unref(b);
    }
};
using GBytesPtr = std::unique_ptr<GBytes, GBytesDeleter>;

// Signal connections that end with their holder: every handler connected
// through it is disconnected in the destructor, so an object that is gone can
// never be called back by a late signal.
class SignalConnections {
public:
    SignalConnections() = default;
    ~SignalConnections() { disconnect_all(); }
    SignalConnections(const SignalConnections&) = delete;
    SignalConnections& operator=(const SignalConnections&) = delete;

    template <typename Handler>
    void connect(gpointer instance, const char* signal, Handler handler, gpointer data)
    {
        const gulong id = g_signal_connect(instance, signal, G_CALLBACK(handler), data);
        m_connections.push_back({ref_gobject(static_cast<GObject*>(instance)), id});
    }

    void disconnect_all()
    {
        for (auto& c : m_connections)
            if (c.id && g_signal_handler_is_connected(c.instance.get(), c.id))
                g_signal_handler_disconnect(c.instance.get(), c.id);
        m_connections.clear();
    }

private:
    struct Connection {
        GObjectPtr<GObject> instance;
        gulong id = 0;
    };
    std::vector<Connection> m_connections;
};

} // namespace driftway::gtk
