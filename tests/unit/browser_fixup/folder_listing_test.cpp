// Folder listings: the page shown for a local folder, from plain entry lists
// (reading a real folder is the engine's folder test).
#include "browser/folder_listing.h"

#include <gtest/gtest.h>

namespace driftway::browser {
namespace {

TEST(FolderListing, PageLinksEscapedAndSorted)
{
    FolderContents contents;
    contents.entries = {
        {"zeta.txt", EntryKind::File, 2048, ""},
        {"<b>&bold\".html", EntryKind::File, 1, ""},
        {"Alpha", EntryKind::Folder, 0, ""},
        {"caf\xE9.txt", EntryKind::File, 5, ""},
        {"good.url", EntryKind::Shortcut, 0, "https://example.org/?a=1&b=\"2\""},
        {"evil.url", EntryKind::Shortcut, 0, "javascript:alert(1)"},
        {"data.url", EntryKind::Shortcut, 0, "data:text/html,<script>x</script>"},
    };
    const std::string html = folder_listing_html("/srv/my files", contents);
    for (const char* part :
         {"<title>Index of /srv/my files/</title>", "href=\"file:///srv/\">Parent folder",
          "href=\"file:///srv/my%20files/Alpha/\">Alpha/</a>",
          // Markup in a name is shown as text and its link is percent-encoded.
          "href=\"file:///srv/my%20files/%3Cb%3E%26bold%22.html\">&lt;b&gt;&amp;bold&quot;.html</a>",
          // Latin-1 names are shown readably; the link keeps the real bytes.
          "href=\"file:///srv/my%20files/caf%E9.txt\">caf\xC3\xA9.txt</a>", "2.0 KB",
          "href=\"https://example.org/?a=1&amp;b=&quot;2&quot;\">good.url</a>", "evil.url <span"})
        EXPECT_NE(html.find(part), std::string::npos) << part;
    // Script and data addresses are never offered as links.
    for (const char* part : {"href=\"javascript:", "href=\"data:", "<script>"})
        EXPECT_EQ(html.find(part), std::string::npos) << part;
    // Folders first, then names without regard to case.
    const auto alpha = html.find(">Alpha/<"), bold = html.find("&lt;b&gt;"), cafe = html.find(">caf");
    EXPECT_LT(alpha, bold);
    EXPECT_LT(bold, cafe);
    EXPECT_LT(cafe, html.find(">zeta.txt<"));

    // The root has no parent; a folder that cannot be read says why.
    FolderContents unreadable;
    unreadable.error = "Permission denied";
    const std::string root = folder_listing_html("/", unreadable);
    EXPECT_EQ(root.find("Parent folder"), std::string::npos);
    EXPECT_NE(root.find("Permission denied"), std::string::npos);

    // Names that are not UTF-8 are shown as Latin-1.
    EXPECT_EQ(readable_name("\xE2\x82\xAC ok"), "\xE2\x82\xAC ok");
    EXPECT_EQ(readable_name("caf\xE9"), "caf\xC3\xA9");
    // An overlong encoding and a lone surrogate are not valid UTF-8.
    EXPECT_EQ(readable_name("\xC0\xAF"), "\xC3\x80\xC2\xAF");
    EXPECT_EQ(readable_name("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");
    EXPECT_EQ(html_escape("a\nb"), "a b");
}

} // namespace
} // namespace driftway::browser
