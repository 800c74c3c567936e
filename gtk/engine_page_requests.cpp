#include "gtk/webkit_engine_internal.h"

#include "gtk/gtk_prompts.h"

#include <memory>
#include <string>

namespace driftway::gtk {

void WebKitEngine::on_web_process_terminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                             gpointer data)
{
    // Without this the view would stay blank, looking like a page that
    // never finished; the page says what happened and Refresh loads it again.
    auto* self = static_cast<WebKitEngine*>(data);
    const std::string address = self->LocationURL();
    const char* why = reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT
                          ? "The page used more memory than the system allows and was stopped."
                          : "The part of the engine that showed this page stopped working.";
    if (address.empty() || !g_uri_is_valid(address.c_str(), G_URI_FLAGS_NONE, nullptr))
        return;
    self->show_own_page(error_page(address, why), address);
}

gboolean WebKitEngine::on_permission_request(WebKitWebView* view, WebKitPermissionRequest* request,
                                             gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    if (WEBKIT_IS_POINTER_LOCK_PERMISSION_REQUEST(request)) {
        webkit_permission_request_allow(request);
        return TRUE;
    }
    const char* uri = webkit_web_view_get_uri(view);
    std::string site = "This page";
    if (GUri* parsed = uri ? g_uri_parse(uri, G_URI_FLAGS_NONE, nullptr) : nullptr) {
        if (const char* host = g_uri_get_host(parsed); host && *host)
            site = host;
        g_uri_unref(parsed);
    }
    std::string question;
    if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) {
        question = "Allow " + site + " to know your location?";
    } else if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) {
        question = "Allow " + site + " to show notifications?";
    } else if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) {
        auto* media = WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request);
        const bool camera = webkit_user_media_permission_is_for_video_device(media);
        const bool microphone = webkit_user_media_permission_is_for_audio_device(media);
        question = "Allow " + site + " to use your " +
                   (camera && microphone ? "camera and microphone"
                    : camera             ? "camera"
                                         : "microphone") +
                   "?";
    } else {
        webkit_permission_request_deny(request);
        return TRUE;
    }
    bool allowed;
    if (self->ask_permission) {
        allowed = call_hook(self->ask_permission, question);
    } else {
        GtkWidget* box = gtk_message_dialog_new(self->toplevel(), GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION,
                                                GTK_BUTTONS_NONE, "%s", question.c_str());
        show_message_icon(GTK_MESSAGE_DIALOG(box), "dialog-question");
        gtk_dialog_add_buttons(GTK_DIALOG(box), "_Deny", GTK_RESPONSE_NO, "_Allow", GTK_RESPONSE_YES,
                               nullptr);
        gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_NO);
        gtk_window_set_title(GTK_WINDOW(box), "Driftway");
        const std::weak_ptr<int> alive = self->m_life;
        allowed = gtk_dialog_run(GTK_DIALOG(box)) == GTK_RESPONSE_YES;
        gtk_widget_destroy(box);
        if (alive.expired())
            return TRUE;
    }
    if (allowed)
        webkit_permission_request_allow(request);
    else
        webkit_permission_request_deny(request);
    return TRUE;
}

gboolean WebKitEngine::on_authenticate(WebKitWebView*, WebKitAuthenticationRequest* request, gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    if (!self->ask_credentials)
        return FALSE;
    const char* host = webkit_authentication_request_get_host(request);
    const char* realm = webkit_authentication_request_get_realm(request);
    const auto answer =
        call_hook(self->ask_credentials, std::string(host ? host : ""), std::string(realm ? realm : ""));
    if (!answer) {
        webkit_authentication_request_cancel(request);
        return TRUE;
    }
    WebKitCredential* credential = webkit_credential_new(answer->user.c_str(), answer->password.c_str(),
                                                         WEBKIT_CREDENTIAL_PERSISTENCE_FOR_SESSION);
    webkit_authentication_request_authenticate(request, credential);
    webkit_credential_free(credential);
    return TRUE;
}

} // namespace driftway::gtk
