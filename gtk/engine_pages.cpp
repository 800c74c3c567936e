#include "gtk/webkit_engine_internal.h"

#include "browser/address_fixup.h"
#include "browser/folder_listing.h"

#include <string>

namespace driftway::gtk {

std::string offline_page(const std::string& uri)
{
    const std::string shown = browser::html_escape(browser::readable_name(uri));
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Working offline</title>"
           "<style>body{font-family:sans-serif;margin:3em;max-width:40em}</style></head><body>"
           "<h1>This page is not available offline</h1>"
           "<p>Driftway is working offline, so it does not connect to the network. To load <b>" +
           shown +
           "</b>, turn off Work Offline in the File menu and refresh the page.</p>"
           "</body></html>";
}

std::string error_page(const std::string& uri, const std::string& reason)
{
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Cannot show this page</title>"
           "<style>body{font-family:sans-serif;margin:3em;max-width:40em}code{word-break:break-all}</style>"
           "</head><body><h1>Cannot show this page</h1><p><code>" +
           browser::html_escape(browser::readable_name(uri)) + "</code></p><p>" +
           browser::html_escape(browser::readable_name(reason)) +
           "</p><p>Check the address, or try again later with Refresh.</p></body></html>";
}

void WebKitEngine::show_own_page(const std::string& html, const std::string& uri)
{
    m_own_page_loading = true;
    // A folder listing's links are relative to the folder. Other pages take
    // no base: one the engine cannot show (about:foo) would leave the load
    // hanging for good.
    const bool folder = browser::uri_scheme(uri) == "file";
    webkit_web_view_load_alternate_html(m_view.get(), html.c_str(), uri.c_str(),
                                        folder ? uri.c_str() : nullptr);
}

void WebKitEngine::replace_with_folder_listing(const std::string& uri)
{
    const auto path = browser::path_from_file_uri(uri);
    if (!path)
        return;
    const std::string html = browser::folder_listing_html(*path, browser::read_folder(*path));
    GVariantDict arguments;
    g_variant_dict_init(&arguments, nullptr);
    g_variant_dict_insert(&arguments, "html", "s", html.c_str());
    static const char body[] = "document.open(); document.write(html); document.close();";
    webkit_web_view_call_async_javascript_function(m_view.get(), body, -1, g_variant_dict_end(&arguments),
                                                   nullptr, nullptr, nullptr, nullptr, nullptr);
}

} // namespace driftway::gtk
