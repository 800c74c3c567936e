#include "gtk/webkit_engine_internal.h"

#include "platform/atomic_file.h"

#include <memory>
#include <string>

namespace driftway::gtk {

namespace {

void page_archive_ready(GObject* view, GAsyncResult* result, gpointer data)
{
    const PendingPtr pending = release(data);
    GError* error = nullptr;
    pending->stream.reset(webkit_web_view_save_finish(WEBKIT_WEB_VIEW(view), result, &error));
    if (!pending->stream)
        pending->error = error ? error->message : "no data";
    g_clear_error(&error);
    pending->done = true;
}

std::string read_stream(GInputStream* stream, std::string& error)
{
    GObjectPtr<GOutputStream> memory(g_memory_output_stream_new_resizable());
    GError* gerror = nullptr;
    const gssize copied = g_output_stream_splice(
        memory.get(), stream,
        GOutputStreamSpliceFlags(G_OUTPUT_STREAM_SPLICE_CLOSE_SOURCE | G_OUTPUT_STREAM_SPLICE_CLOSE_TARGET),
        nullptr, &gerror);
    if (copied < 0) {
        error = gerror ? gerror->message : "read error";
        g_clear_error(&gerror);
        return {};
    }
    auto* out = G_MEMORY_OUTPUT_STREAM(memory.get());
    return std::string(static_cast<const char*>(g_memory_output_stream_get_data(out)),
                       g_memory_output_stream_get_data_size(out));
}

} // namespace

void WebKitEngine::run_save_as()
{
    const auto target = choose_save_target(
        toplevel(),
        suggested_file_name(LocationName() == LocationURL() ? "" : LocationName(), LocationURL()));
    if (!target)
        throw cancelled();
    save_page(target->path, target->kind);
}

void WebKitEngine::save_page(const std::string& path, SaveKind kind)
{
    auto pending = std::make_shared<Pending>();
    const std::weak_ptr<int> alive = m_life;
    if (kind == SaveKind::Complete) {
        webkit_web_view_save(m_view.get(), WEBKIT_SAVE_MODE_MHTML, nullptr, page_archive_ready,
                             hold(pending));
    } else {
        WebKitWebResource* resource = webkit_web_view_get_main_resource(m_view.get());
        if (!resource)
            throw platform::RuntimeError(kFileAccessError, "There is no page to save.");
        webkit_web_resource_get_data(resource, nullptr, resource_data_ready, hold(pending));
    }
    if (!run_until([&] { return pending->done; }, kWaitMs))
        throw platform::RuntimeError(platform::error::kEngineFailure,
                                     "The engine did not hand over the page in time.");
    if (alive.expired())
        throw platform::RuntimeError(platform::error::kEngineFailure,
                                     "The window was closed while the page was being saved.");
    std::string content;
    if (pending->error.empty()) {
        if (pending->stream) {
            content = read_stream(pending->stream.get(), pending->error);
        } else if (pending->bytes) {
            gsize size = 0;
            const auto* data = static_cast<const char*>(g_bytes_get_data(pending->bytes.get(), &size));
            content.assign(data ? data : "", size);
        }
    }
    if (!pending->error.empty())
        throw platform::RuntimeError(platform::error::kEngineFailure,
                                     "The page could not be read for saving: " + pending->error);
    if (const auto failure = platform::write_file_atomic(path, content))
        throw platform::RuntimeError(kFileAccessError,
                                     "The page could not be saved as " + path + ": " + *failure);
}

} // namespace driftway::gtk
