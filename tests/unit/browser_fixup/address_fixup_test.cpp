// Address fixup: what users type becomes a loadable address. Pure, no display.
#include "browser/address_fixup.h"

#include <gtest/gtest.h>

#include <map>

namespace driftway::browser {
namespace {

LocalFiles scripted(std::map<std::string, PathKind> paths)
{
    LocalFiles files;
    files.kind = [paths = std::move(paths)](const std::string& path) {
        const auto it = paths.find(path);
        return it == paths.end() ? PathKind::Missing : it->second;
    };
    files.home = "/home/ann";
    files.cwd = "/work";
    return files;
}

std::string fix(std::string_view typed, const LocalFiles& files = scripted({}))
{
    const auto result = fixup_address(typed, files);
    return result ? *result : "<refused>";
}

TEST(AddressFixup, LocalPathsBecomeEncodedFileUris)
{
    const auto files = scripted({{"/tmp/a b#1.html", PathKind::File},
                                 {"/tmp/pages", PathKind::Folder},
                                 {"/home/ann/notes.html", PathKind::File},
                                 {"/work/page.html", PathKind::File},
                                 {"/tmp/caf\xE9.html", PathKind::File}});
    EXPECT_EQ(fix("/tmp/a b#1.html", files), "file:///tmp/a%20b%231.html");
    EXPECT_EQ(fix("  /tmp/pages \n", files), "file:///tmp/pages/");
    EXPECT_EQ(fix("~/notes.html", files), "file:///home/ann/notes.html");
    EXPECT_EQ(fix("~", files), "file:///home/ann");
    EXPECT_EQ(fix("page.html", files), "file:///work/page.html");
    EXPECT_EQ(fix("/tmp/caf\xE9.html", files), "file:///tmp/caf%E9.html");
    // A missing absolute path is still a path: the engine reports it missing.
    EXPECT_EQ(fix("/no/such file", files), "file:///no/such%20file");
}

TEST(AddressFixup, UrisKeptHostsGetHttpOthersPassThrough)
{
    EXPECT_EQ(fix("https://example.org/a?b=1"), "https://example.org/a?b=1");
    EXPECT_EQ(fix("about:blank"), "about:blank");
    EXPECT_EQ(fix("data:text/html,<p>x</p>"), "data:text/html,<p>x</p>");
    EXPECT_EQ(fix("FILE:///tmp/x"), "FILE:///tmp/x");
    EXPECT_EQ(fix("example.org"), "http://example.org");
    EXPECT_EQ(fix("www.example.org/path?q=1"), "http://www.example.org/path?q=1");
    EXPECT_EQ(fix("localhost:8080/x"), "http://localhost:8080/x");
    EXPECT_EQ(fix("LocalHost"), "http://LocalHost");
    EXPECT_EQ(fix("127.0.0.1:3000"), "http://127.0.0.1:3000");
    EXPECT_EQ(fix("[::1]:8080/"), "http://[::1]:8080/");
    // Not host names: shown by the engine as an error page.
    EXPECT_EQ(fix("hello world"), "hello world");
    EXPECT_EQ(fix("foo"), "foo");
    EXPECT_EQ(fix("1.2.3"), "1.2.3");
    EXPECT_EQ(fix("example.org extra words"), "example.org extra words");
    EXPECT_EQ(fix(""), "");
    EXPECT_EQ(fix("   "), "");
}

TEST(AddressFixup, ScriptAddressesAreRefused)
{
    EXPECT_EQ(fix("javascript:alert(document.cookie)"), "<refused>");
    EXPECT_EQ(fix("  JavaScript:void(0)"), "<refused>");
}

TEST(AddressFixup, SchemeDetection)
{
    EXPECT_EQ(uri_scheme("HTTP://x"), "http");
    EXPECT_EQ(uri_scheme("view-source:http://x"), "view-source");
    EXPECT_EQ(uri_scheme("localhost:8080"), "");
    EXPECT_EQ(uri_scheme("c:/windows"), "");
    EXPECT_EQ(uri_scheme("no scheme"), "");
    EXPECT_EQ(uri_scheme("1http://x"), "");
}

TEST(AddressFixup, FileUriRoundTrip)
{
    const std::string odd = "/tmp/\xFF odd%name?#&.html";
    const std::string uri = file_uri_from_path(odd);
    EXPECT_EQ(uri, "file:///tmp/%FF%20odd%25name%3F%23%26.html");
    EXPECT_EQ(path_from_file_uri(uri), odd);
    EXPECT_EQ(path_from_file_uri("file://localhost/a%20b/?q#f"), "/a b/");
    EXPECT_EQ(path_from_file_uri("file:/etc/hosts"), "/etc/hosts");
    EXPECT_EQ(path_from_file_uri("file://server/share"), std::nullopt);
    EXPECT_EQ(path_from_file_uri("http://x/y"), std::nullopt);
    // Broken escapes are kept as they are.
    EXPECT_EQ(percent_decode("100%zz%4"), "100%zz%4");
}

TEST(AddressFixup, HugeAndOddInputDoesNotBreak)
{
    const std::string huge(100 * 1024, 'a');
    EXPECT_EQ(fix(huge), huge);
    const std::string control("a\x01b.org", 7);
    EXPECT_EQ(fix(control), control);
}

} // namespace
} // namespace driftway::browser
