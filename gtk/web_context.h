#pragma once

#include <webkit2/webkit2.h>

namespace driftway::gtk {

// Rendering: whether the engine may use the GPU for compositing. Without a
// GPU (software OpenGL under Xvfb) compositing only costs time and memory.
enum class Acceleration { Auto, Never, OnDemand };

// The process-wide engine setup: the web context shared by every view, with
// persistent cookies, cache and local storage under $XDG_DATA_HOME/Driftway
// and $XDG_CACHE_HOME/Driftway. Made on first use.
WebKitWebContext* shared_web_context();

// The settings object every view of the process shares; the acceleration of
// the first call holds for the life of the process.
WebKitSettings* shared_settings(Acceleration acceleration);

// The offline content rule, which blocks every network request of the views
// whose content manager carries it. A content manager joins once for each
// of its engines that goes offline and leaves as each comes back online; it
// carries the rule while any member is offline. The rule is compiled on
// first need, asynchronously: until it is ready or has failed, neither
// question below answers true.
void offline_member_joined(WebKitUserContentManager* manager);
void offline_member_left(WebKitUserContentManager* manager);
bool offline_filter_ready();
bool offline_filter_failed();

} // namespace driftway::gtk
