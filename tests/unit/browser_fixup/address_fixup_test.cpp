// Address fixup: what users type (or a favourite or the command line holds)
// becomes a loadable address; script addresses in every spelling the
// engine's URL parser accepts are refused, near misses it does not take for a
// scheme go through.
#include "browser/address_fixup.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

namespace driftway::browser {
namespace {

TEST(AddressFixup, PathsBecomeFileUrisHostsGetHttpAndFileUrisRoundTrip)
{
    const std::map<std::string, PathKind> paths{{"/tmp/a b#1.html", PathKind::File},
                                                {"/tmp/pages", PathKind::Folder},
                                                {"/home/ann/notes.html", PathKind::File},
                                                {"/work/page.html", PathKind::File},
                                                {"/tmp/caf\xE9.html", PathKind::File}};
    LocalFiles files{[&](const std::string& path) {
                         const auto it = paths.find(path);
                         return it == paths.end() ? PathKind::Missing : it->second;
                     },
                     "/home/ann", "/work"};
    const std::vector<std::pair<std::string, std::string>> cases{
        {"/tmp/a b#1.html", "file:///tmp/a%20b%231.html"},
        {"  /tmp/pages \n", "file:///tmp/pages/"},
        {"~/notes.html", "file:///home/ann/notes.html"},
        {"~", "file:///home/ann"},
        {"page.html", "file:///work/page.html"},
        {"/tmp/caf\xE9.html", "file:///tmp/caf%E9.html"},
        // A missing absolute path is still a path: the engine reports it missing.
        {"/no/such file", "file:///no/such%20file"},
        {"example.org", "http://example.org"},
        {"www.example.org/path?q=1", "http://www.example.org/path?q=1"},
        {"localhost:8080/x", "http://localhost:8080/x"},
        {"LocalHost", "http://LocalHost"},
        {"127.0.0.1:3000", "http://127.0.0.1:3000"},
        {"[::1]:8080/", "http://[::1]:8080/"},
        {"   ", ""}};
    for (const auto& [typed, expected] : cases)
        EXPECT_EQ(fixup_address(typed, files), expected) << typed;
    // URIs are kept as typed; text that names no host is passed on for the
    // engine's error page.
    const std::string huge(100 * 1024, 'a'), control("a\x01b.org", 7);
    for (const std::string& same : {std::string("https://example.org/a?b=1"), std::string("about:blank"),
                                    std::string("data:text/html,<p>x</p>"), std::string("FILE:///tmp/x"),
                                    std::string("hello world"), std::string("foo"), std::string("1.2.3"),
                                    std::string("example.org extra words"), std::string(), huge, control})
        EXPECT_EQ(fixup_address(same, files), same) << same.substr(0, 40);

    // Schemes, and file URIs both ways (script addresses are the next test's).
    EXPECT_EQ(uri_scheme("HTTP://x"), "http");
    EXPECT_EQ(uri_scheme("view-source:http://x"), "view-source");
    for (const char* none : {"localhost:8080", "c:/windows", "no scheme", "1http://x"})
        EXPECT_EQ(uri_scheme(none), "") << none;

    const std::string odd = "/tmp/\xFF odd%name?#&.html";
    const std::string uri = file_uri_from_path(odd);
    EXPECT_EQ(uri, "file:///tmp/%FF%20odd%25name%3F%23%26.html");
    EXPECT_EQ(path_from_file_uri(uri), odd);
    EXPECT_EQ(path_from_file_uri("file://localhost/a%20b/?q#f"), "/a b/");
    EXPECT_EQ(path_from_file_uri("file:/etc/hosts"), "/etc/hosts");
    EXPECT_EQ(path_from_file_uri("file://server/share"), std::nullopt);
    EXPECT_EQ(path_from_file_uri("http://x/y"), std::nullopt);
    EXPECT_EQ(percent_decode("100%zz%4"), "100%zz%4"); // broken escapes are kept
}

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
