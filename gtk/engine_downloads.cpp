#include "gtk/webkit_engine_internal.h"

#include "browser/folder_listing.h"

#include <glib/gstdio.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <string>

namespace driftway::gtk {

namespace {

// Whether the body came with a content coding (gzip, br...) that the engine
// took off: its announced length is then that of the coded bytes.
bool content_encoded(WebKitURIResponse* response)
{
    SoupMessageHeaders* headers = response ? webkit_uri_response_get_http_headers(response) : nullptr;
    const char* coding = headers ? soup_message_headers_get_one(headers, "Content-Encoding") : nullptr;
    return coding && *coding && g_ascii_strcasecmp(coding, "identity") != 0;
}

} // namespace

gboolean WebKitEngine::on_decide_policy(WebKitWebView*, WebKitPolicyDecision* decision,
                                        WebKitPolicyDecisionType type, gpointer)
{
    // What the engine cannot show, or the server marks as an attachment, is
    // offered for download.
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        auto* response_decision = WEBKIT_RESPONSE_POLICY_DECISION(decision);
        WebKitURIResponse* response = webkit_response_policy_decision_get_response(response_decision);
        SoupMessageHeaders* headers = response ? webkit_uri_response_get_http_headers(response) : nullptr;
        const char* disposition =
            headers ? soup_message_headers_get_one(headers, "Content-Disposition") : nullptr;
        const bool attachment = disposition && g_ascii_strncasecmp(disposition, "attachment", 10) == 0;
        if (attachment || !webkit_response_policy_decision_is_mime_type_supported(response_decision)) {
            webkit_policy_decision_download(decision);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void WebKitEngine::on_download_started(WebKitWebContext*, WebKitDownload* download, gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    if (webkit_download_get_web_view(download) != self->m_view.get())
        return;
    auto entry = std::make_unique<Download>();
    entry->engine = self;
    entry->download = ref_gobject(download);
    Download* d = entry.get();
    d->signals.connect(download, "decide-destination", on_decide_destination, d);
    d->signals.connect(download, "notify::estimated-progress", on_download_progress, d);
    d->signals.connect(download, "failed", on_download_failed, d);
    d->signals.connect(download, "finished", on_download_finished, d);
    self->m_downloads.push_back(std::move(entry));
}

gboolean WebKitEngine::on_decide_destination(WebKitDownload* download, gchar* suggested, gpointer data)
{
    auto* d = static_cast<Download*>(data);
    WebKitEngine* self = d->engine;
    std::string name = suggested && *suggested ? suggested : "download";
    std::optional<std::string> path;
    if (self->choose_download_path) {
        path = call_hook(self->choose_download_path, name);
    } else {
        GtkWidget* dialog = gtk_file_chooser_dialog_new(
            "Save File", self->toplevel(), GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel", GTK_RESPONSE_CANCEL,
            "_Save", GTK_RESPONSE_ACCEPT, nullptr);
        gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(dialog), TRUE);
        gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), name.c_str());
        if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
            GCharPtr chosen(gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog)));
            if (chosen)
                path = chosen.get();
        }
        gtk_widget_destroy(dialog);
    }
    if (!path) {
        webkit_download_cancel(download);
        return TRUE;
    }
    // The engine writes to a partial file beside the target, and only a
    // complete transfer is renamed to the name the user chose.
    std::string part = *path + ".part";
    for (int n = 2; g_file_test(part.c_str(), G_FILE_TEST_EXISTS); ++n)
        part = *path + "." + std::to_string(n) + ".part";
    GCharPtr uri(g_filename_to_uri(part.c_str(), nullptr, nullptr));
    if (!uri) {
        webkit_download_cancel(download);
        return TRUE;
    }
    GCharPtr base(g_path_get_basename(path->c_str()));
    d->name = browser::readable_name(base.get());
    d->final_path = *path;
    d->part_path = part;
    webkit_download_set_allow_overwrite(download, FALSE);
    webkit_download_set_destination(download, uri.get());
    return TRUE;
}

void WebKitEngine::on_download_progress(GObject*, GParamSpec*, gpointer data)
{
    auto* d = static_cast<Download*>(data);
    const int percent = static_cast<int>(webkit_download_get_estimated_progress(d->download.get()) * 100.0);
    if (percent == d->shown_percent || d->name.empty())
        return;
    d->shown_percent = percent;
    d->engine->set_status("Downloading " + d->name + ": " + std::to_string(percent) + "%");
}

void WebKitEngine::on_download_failed(WebKitDownload*, GError* error, gpointer data)
{
    auto* d = static_cast<Download*>(data);
    d->failed = true;
    if (g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER)) {
        d->engine->set_status("");
        return;
    }
    d->engine->download_failed(*d, error ? error->message : "unknown error");
}

void WebKitEngine::download_failed(Download& d, const std::string& reason)
{
    d.failed = true;
    if (!d.part_path.empty())
        g_remove(d.part_path.c_str());
    const std::string message =
        "The download of " + (d.name.empty() ? "a file" : d.name) + " failed: " + reason;
    set_status(message);
    tell_error(message);
}

void WebKitEngine::on_download_finished(WebKitDownload* download, gpointer data)
{
    auto* d = static_cast<Download*>(data);
    WebKitEngine* self = d->engine;
    if (!d->failed && !d->part_path.empty()) {
        // A connection that ends early is reported by the engine as a
        // finished download; the promised length tells the truth. It counts
        // the bytes on the wire, though, and the engine counts what it has
        // decoded: for a compressed transfer the two measure different things
        // and only the engine's word is taken.
        WebKitURIResponse* response = webkit_download_get_response(download);
        const guint64 promised = response ? webkit_uri_response_get_content_length(response) : 0;
        const guint64 received = webkit_download_get_received_data_length(download);
        if (promised > 0 && received != promised && !content_encoded(response)) {
            self->download_failed(*d, "the connection ended after " + std::to_string(received) + " of " +
                                          std::to_string(promised) + " bytes");
        } else if (g_rename(d->part_path.c_str(), d->final_path.c_str()) != 0) {
            self->download_failed(*d, g_strerror(errno));
        } else {
            self->set_status("Download complete: " + d->name);
        }
    }
    self->forget_download(d);
}

void WebKitEngine::forget_download(Download* download)
{
    std::erase_if(m_downloads, [download](const auto& d) { return d.get() == download; });
}

} // namespace driftway::gtk
