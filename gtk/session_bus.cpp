#include "gtk/session_bus.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace driftway::gtk {

namespace {

bool bus_socket_at(const char* runtime_dir)
{
    if (!runtime_dir || !*runtime_dir)
        return false;
    struct stat st {};
    const std::string path = std::string(runtime_dir) + "/bus";
    return ::stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

bool session_bus_known()
{
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return (address && *address) || bus_socket_at(std::getenv("XDG_RUNTIME_DIR"));
}

} // namespace

void never_autolaunch_a_bus()
{
    // GLib would otherwise start a bus through the X server for the toolkit's
    // first question to the desktop portal, and that start can hang the
    // program before its first window. An address that cannot be reached
    // makes every such question fail at once.
    if (!session_bus_known())
        g_setenv("DBUS_SESSION_BUS_ADDRESS", kNoBusAddress, TRUE);
}

GDBusConnection* session_bus(GCancellable* cancellable)
{
    if (!session_bus_known() || g_strcmp0(g_getenv("DBUS_SESSION_BUS_ADDRESS"), kNoBusAddress) == 0)
        return nullptr;
    // One reference is kept for the process's lifetime: GLib holds its
    // shared connection weakly, and the program would otherwise connect
    // anew for each use.
    static GDBusConnection* bus = nullptr;
    if (!bus)
        bus = g_bus_get_sync(G_BUS_TYPE_SESSION, cancellable, nullptr);
    return bus;
}

bool accessibility_bus_enabled(GDBusConnection* bus, int timeout_ms)
{
    if (!bus)
        return false;
    GVariant* owned = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "NameHasOwner",
                                                  g_variant_new("(s)", "org.a11y.Bus"), G_VARIANT_TYPE("(b)"),
                                                  G_DBUS_CALL_FLAGS_NONE, timeout_ms, nullptr, nullptr);
    if (!owned)
        return false;
    gboolean has_owner = FALSE;
    g_variant_get(owned, "(b)", &has_owner);
    g_variant_unref(owned);
    if (!has_owner)
        return false;

    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "GetAll",
        g_variant_new("(s)", "org.a11y.Status"), G_VARIANT_TYPE("(a{sv})"), G_DBUS_CALL_FLAGS_NO_AUTO_START,
        timeout_ms, nullptr, nullptr);
    if (!reply)
        return false;
    GVariant* properties = g_variant_get_child_value(reply, 0);
    gboolean enabled = FALSE;
    gboolean screen_reader = FALSE;
    g_variant_lookup(properties, "IsEnabled", "b", &enabled);
    g_variant_lookup(properties, "ScreenReaderEnabled", "b", &screen_reader);
    g_variant_unref(properties);
    g_variant_unref(reply);
    return enabled || screen_reader;
}

} // namespace driftway::gtk
