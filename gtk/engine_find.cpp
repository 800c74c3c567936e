#include "gtk/webkit_engine_internal.h"

#include <string>

namespace driftway::gtk {

void WebKitEngine::find(const std::string& text, FindDirection direction)
{
    WebKitFindController* finder = webkit_web_view_get_find_controller(m_view.get());
    if (text.empty()) {
        end_find();
        return;
    }
    if (text == m_find_text) {
        if (direction == FindDirection::Next)
            webkit_find_controller_search_next(finder);
        else
            webkit_find_controller_search_previous(finder);
        return;
    }
    m_find_text = text;
    guint32 options = WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND;
    if (direction == FindDirection::Previous)
        options |= WEBKIT_FIND_OPTIONS_BACKWARDS;
    webkit_find_controller_search(finder, text.c_str(), options, G_MAXUINT);
}

void WebKitEngine::end_find()
{
    m_find_text.clear();
    webkit_find_controller_search_finish(webkit_web_view_get_find_controller(m_view.get()));
}

void WebKitEngine::on_found_text(WebKitFindController*, guint matches, gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    call_hook(self->on_find_result, matches == 0 ? 1 : matches);
}

void WebKitEngine::on_failed_to_find(WebKitFindController*, gpointer data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    // A new search starts from the top when the text is tried again.
    self->m_find_text.clear();
    call_hook(self->on_find_result, 0);
}

} // namespace driftway::gtk
