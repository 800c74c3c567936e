#pragma once

#include <webkit2/webkit2.h>

#include <string>

namespace driftway::testing {

std::string page(const std::string& title, const std::string& body = "");

// The value of a script run in the page, as text ("" for undefined).
std::string evaluate(WebKitWebView* view, const std::string& script);

} // namespace driftway::testing
