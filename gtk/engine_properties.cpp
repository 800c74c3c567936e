#include "gtk/webkit_engine_internal.h"

#include "browser/address_fixup.h"

#include <memory>
#include <string>

namespace driftway::gtk {

namespace {

std::string certificate_text(GTlsCertificate* certificate, GTlsCertificateFlags errors)
{
    char* subject_name = nullptr;
    char* issuer_name = nullptr;
    GDateTime* not_after = nullptr;
    g_object_get(certificate, "subject-name", &subject_name, "issuer-name", &issuer_name, "not-valid-after",
                 &not_after, nullptr);
    const GCharPtr subject(subject_name);
    const GCharPtr issuer(issuer_name);
    std::string text = "Encrypted (TLS)";
    if (subject)
        text += "; certificate for " + std::string(subject.get());
    if (issuer)
        text += ", issued by " + std::string(issuer.get());
    if (not_after) {
        GCharPtr date(g_date_time_format(not_after, "%Y-%m-%d"));
        text += ", valid until " + std::string(date.get());
        g_date_time_unref(not_after);
    }
    text += ".";
    if (errors != 0)
        text += " The certificate was not accepted as valid.";
    return text;
}

} // namespace

PageProperties WebKitEngine::page_properties()
{
    PageProperties properties;
    const char* title = webkit_web_view_get_title(m_view.get());
    properties.title = title ? title : "";
    properties.address = LocationURL();
    if (WebKitWebResource* resource = webkit_web_view_get_main_resource(m_view.get())) {
        if (WebKitURIResponse* response = webkit_web_resource_get_response(resource)) {
            const char* mime = webkit_uri_response_get_mime_type(response);
            properties.mime_type = mime ? mime : "";
        }
        auto pending = std::make_shared<Pending>();
        const std::weak_ptr<int> alive = m_life;
        webkit_web_resource_get_data(resource, nullptr, resource_data_ready, hold(pending));
        run_until([&] { return pending->done; }, kWaitMs);
        if (alive.expired())
            throw platform::RuntimeError(platform::error::kEngineFailure, "The window was closed.");
        if (pending->bytes)
            properties.size = g_bytes_get_size(pending->bytes.get());
    }
    const std::string scheme = browser::uri_scheme(properties.address);
    if (scheme == "https") {
        GTlsCertificate* certificate = nullptr;
        GTlsCertificateFlags errors = GTlsCertificateFlags(0);
        if (webkit_web_view_get_tls_info(m_view.get(), &certificate, &errors) && certificate)
            properties.security = certificate_text(certificate, errors);
        else
            properties.security = "Encrypted (TLS); no certificate information.";
    } else if (scheme == "http") {
        properties.security = "Not encrypted: others on the network can read and change this page.";
    } else if (scheme == "file") {
        properties.security = "Local file: no network connection.";
    } else {
        properties.security = "No network connection.";
    }
    return properties;
}

void WebKitEngine::show_properties()
{
    const PageProperties properties = page_properties();
    m_properties = std::make_unique<PropertiesWindow>(toplevel(), properties);
}

} // namespace driftway::gtk
