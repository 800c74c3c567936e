#pragma once

#include "tests/gtk/common/wait.h"

#include <gtest/gtest.h>
#include <webkit2/webkit2.h>

#include <string>

namespace driftway::testing {

inline std::string page(const std::string& title, const std::string& body = "")
{
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title + "</title></head><body>" +
           body + "</body></html>";
}

// The value of a script run in the page, as text ("" for undefined).
inline std::string evaluate(WebKitWebView* view, const std::string& script)
{
    struct Result {
        bool done = false;
        std::string text;
    } result;
    const auto done = [](GObject* source, GAsyncResult* async, gpointer data) {
        auto* out = static_cast<Result*>(data);
        GError* error = nullptr;
        if (JSCValue* value =
                webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), async, &error)) {
            if (!jsc_value_is_undefined(value) && !jsc_value_is_null(value)) {
                char* text = jsc_value_to_string(value);
                out->text = text ? text : "";
                g_free(text);
            }
            g_object_unref(value);
        } else {
            out->text = std::string("error: ") + (error ? error->message : "?");
            g_clear_error(&error);
        }
        out->done = true;
    };
    webkit_web_view_evaluate_javascript(view, script.c_str(), -1, nullptr, nullptr, nullptr, done, &result);
    EXPECT_TRUE(wait_until([&] { return result.done; })) << script;
    return result.text;
}

} // namespace driftway::testing
