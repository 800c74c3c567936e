// Script addresses in every spelling the engine's URL parser accepts are
// refused by the address fixup; near misses the parser does not take for a
// scheme go through. Needs nothing but the fixup.
#include "browser/address_fixup.h"

#include <gtest/gtest.h>

namespace driftway::browser {
namespace {

TEST(ScriptAddress, EverySpellingTheEngineRunsIsRefusedAndNearMissesPass)
{
    const LocalFiles none{[](const std::string&) { return PathKind::Missing; }, "/home/ann", "/work"};
    const std::string refused[] = {
        "javascript:alert(document.cookie)",
        "JAVASCRIPT:alert(1)",
        "java\tscript:alert(1)",
        "java\nscript:alert(1)",
        "j\ra\nv\ta\tscript:alert(1)",
        "javascript\t:alert(1)",
        "\x01javascript:alert(1)",
        "\x1F\x02 \x0B\x0Cjavascript:alert(1)",
        std::string("\0javascript:alert(1)", 20),
        " \t\x01 JavaScript\n:alert(1) \x01",
    };
    for (const auto& text : refused)
        EXPECT_EQ(fixup_address(text, none), std::nullopt) << testing::PrintToString(text);

    // Characters the parser keeps stop the scheme where it would stop it too.
    const std::string passed[] = {"java\x01script:alert(1)",
                                  "java script:alert(1)",
                                  "\x7Fjavascript:alert(1)",
                                  "\xC2\xA0javascript:alert(1)",
                                  "javascript%3Aalert(1)",
                                  "https://example.org/#javascript:x",
                                  "\x7F"
                                  "a:x\n\x01javascript:x"};
    for (const auto& text : passed)
        EXPECT_NE(fixup_address(text, none), std::nullopt) << testing::PrintToString(text);

    EXPECT_EQ(parsed_scheme("\x01 Ht\ttP\n://x"), "http");
    EXPECT_EQ(parsed_scheme("localhost:8080"), "localhost");
    EXPECT_EQ(parsed_scheme("1http://x"), "");
    EXPECT_EQ(parsed_scheme("no-colon"), "");
}

} // namespace
} // namespace driftway::browser
