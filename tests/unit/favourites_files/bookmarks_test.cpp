// Importing bookmark files in the styles of current browsers into a real
// temporary Favorites folder, and exporting that folder back; the importer
// facing hostile files (tags with endless attributes, giant addresses, files
// that are no files) and the summary every import ends with. Needs only /tmp.

#include "favourites/bookmarks_export.h"
#include "favourites/bookmarks_import.h"
#include "favourites/internet_shortcut.h"
#include "favourites/markup_filter.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <unistd.h>

namespace driftway::favourites {
namespace {

namespace fs = std::filesystem;
using namespace driftway::testing;
using Tree = testing::Snapshot;

const auto url_file = internet_shortcut_text;

// Firefox's export, with a folder that has no list and a link without a
// title as Opera and Vivaldi write them.
const char* const kFirefox = R"html(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<!-- This is an automatically generated file. DO NOT EDIT! -->
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks Menu</H1>
<DL><p>
    <DT><A HREF="https://www.mozilla.org/de/" ADD_DATE="1700000000" ICON="data:image/png;base64,iVBORw0KGgo=">Mozilla &amp; Co &#8212; Gr&uuml;&szlig;e</A>
    <DD>Our home page
    <HR>
    <DT><A HREF="place:parent=toolbar_____&sort=12&maxResults=10">Recently Bookmarked</A>
    <DT><H3 ADD_DATE="1700000000" LAST_MODIFIED="1700000002">Mozilla Firefox</H3>
    <DL><p>
        <DT><A HREF="https://support.mozilla.org/products/firefox" ADD_DATE="1700000000">Get Help</A>
        <DT><H3 ADD_DATE="1700000000">Empty</H3>
        <DL><p>
        </DL><p>
    </DL><p>
    <DT><A HREF="javascript:(function(){alert(&quot;a&lt;b&quot;);})()" ADD_DATE="1700000000">Bookmarklet</A>
    <DT><H3>Trash</H3>
    <DT><a href="https://help.vivaldi.com/" description="help">   </a>
</DL>
)html";

const char* const kChrome = R"html(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks</H1>
<DL><p>
    <DT><H3 ADD_DATE="1700000000" LAST_MODIFIED="1700000000" PERSONAL_TOOLBAR_FOLDER="true">Bookmarks bar</H3>
    <DL><p>
        <DT><A HREF="https://www.google.com/" ADD_DATE="1700000000">Google</A>
        <DT><A HREF="https://example.com/a" ADD_DATE="1700000000">Same name</A>
        <DT><A HREF="https://example.com/b" ADD_DATE="1700000000">Same name</A>
        <DT><A HREF="https://example.com/a" ADD_DATE="1700000000">Same name</A>
        <DT><H3>News / Daily</H3>
        <DL><p>
            <DT><A HREF="https://www.bbc.co.uk/news">BBC</A>
        </DL><p>
        <DT><H3>News / Daily</H3>
        <DL><p>
            <DT><A HREF="https://www.lemonde.fr/">Le Monde</A>
        </DL><p>
    </DL><p>
    <DT><H3>Other bookmarks</H3>
    <DL><p>
        <DT><A HREF="https://ja.wikipedia.org/">ウィキペディア</A>
    </DL><p>
</DL><p>
)html";

// A bookmark file to import and a Favorites folder to import into.
class ImportBookmarks : public ::testing::Test {
protected:
    ImportResult import(const std::string& html, const ImportProgress& progress = {},
                        const ReadProgress& reading = {})
    {
        return import_bookmarks(files.write("bookmarks.html", html).string(), fav.str(), progress, reading);
    }
    Tree tree() const { return snapshot(fav.path()); }
    TempDir files, fav;
};

TEST_F(ImportBookmarks, FirefoxsExport)
{
    const auto result = import(kFirefox);
    ASSERT_TRUE(result.ok()) << *result.error;
    EXPECT_EQ(tree(), (Tree{{"Mozilla & Co \xE2\x80\x94 Gr\xC3\xBC\xC3\x9F"
                             "e.url",
                             url_file("https://www.mozilla.org/de/")},
                            {"Mozilla Firefox", "<folder>"},
                            {"Mozilla Firefox/Get Help.url",
                             url_file("https://support.mozilla.org/products/firefox")},
                            {"Mozilla Firefox/Empty", "<folder>"},
                            {"Bookmarklet.url", url_file("javascript:(function(){alert(\"a<b\");})()")},
                            {"Trash", "<folder>"},
                            {"https:--help.vivaldi.com-.url", url_file("https://help.vivaldi.com/")}}));
    EXPECT_EQ((std::array{result.folders_created, result.links_written, result.links_unusable}),
              (std::array<std::size_t, 3>{3, 4, 1})); // the place: query is unusable
}

TEST_F(ImportBookmarks, CharactersSplitBetweenReadsStayWhole)
{
    // The file is read in pieces of 64 KiB; put a two-byte character on the
    // border between the first two. Without a declared character set the
    // file is read as UTF-8. As Safari writes it, the top level has no list
    // and a title may run over lines.
    const std::string head = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<!--";
    const std::string link_start =
        "-->\n<DT><H3 FOLDED>Reading\n  List</H3>\n<DL><p><DT><A HREF=\"http://a/\">Gr";
    const std::string padding(65535 - head.size() - link_start.size(), 'x');
    const auto result = import(head + padding + link_start + "\xC3\xBC\xC3\x9F" + "e</A></DL>");
    ASSERT_TRUE(result.ok()) << *result.error;
    EXPECT_EQ(tree(), (Tree{{"Reading List", "<folder>"},
                            {"Reading List/Gr\xC3\xBC\xC3\x9F"
                             "e.url",
                             url_file("http://a/")}}));
}

TEST_F(ImportBookmarks, MergesIntoWhatIsThereWithoutOverwriting)
{
    fav.write("Bookmarks bar/Google.url", url_file("https://www.google.com/"));  // same address: skipped
    fav.write("Bookmarks bar/Same name.url", url_file("https://mine.example/")); // other address: kept
    fav.write("Bookmarks bar/Mine.url", url_file("https://mine.example/2"));
    fav.write("Other bookmarks", "a file where a folder is wanted");

    const auto first = import(kChrome);
    ASSERT_TRUE(first.ok()) << *first.error;
    const Tree after_first = tree();
    EXPECT_EQ(after_first,
              (Tree{{"Bookmarks bar", "<folder>"},
                    {"Bookmarks bar/Google.url", url_file("https://www.google.com/")},
                    {"Bookmarks bar/Same name.url", url_file("https://mine.example/")},
                    {"Bookmarks bar/Same name (2).url", url_file("https://example.com/a")},
                    {"Bookmarks bar/Same name (3).url", url_file("https://example.com/b")},
                    {"Bookmarks bar/Mine.url", url_file("https://mine.example/2")},
                    {"Bookmarks bar/News - Daily", "<folder>"},
                    {"Bookmarks bar/News - Daily/BBC.url", url_file("https://www.bbc.co.uk/news")},
                    {"Bookmarks bar/News - Daily/Le Monde.url", url_file("https://www.lemonde.fr/")},
                    {"Other bookmarks", "a file where a folder is wanted"},
                    {"Other bookmarks (2)", "<folder>"},
                    {"Other bookmarks (2)/ウィキペディア.url", url_file("https://ja.wikipedia.org/")}}));
    EXPECT_EQ(first.folders_merged, 1u);
    EXPECT_EQ(first.links_skipped, 2u);

    // The same file again adds nothing.
    const auto second = import(kChrome);
    ASSERT_TRUE(second.ok()) << *second.error;
    EXPECT_EQ(second.links_written, 0u);
    EXPECT_EQ(second.folders_created, 0u);
    EXPECT_EQ(tree(), after_first);
}

TEST_F(ImportBookmarks, RefusesWhatIsNoBookmarkFileAndChangesNothing)
{
    fav.write("Keep.url", url_file("k"));
    const Tree before = tree();

    const std::string page =
        "<html><body><p><a href='http://a/'>a link</a></p><ul><li><a href='b'>b</a></ul>";
    const std::string elf("\x7F\x45LF\x02\x01\x01\0\0\0binary", 16);
    for (const std::string& text : {page, elf, std::string(), url_file("http://a/")}) {
        const auto result = import(text);
        ASSERT_FALSE(result.ok());
        EXPECT_NE(result.error->find("is not a bookmark file"), std::string::npos) << *result.error;
        EXPECT_NE(result.error->find("bookmarks.html"), std::string::npos) << *result.error;
    }
    EXPECT_FALSE(import_bookmarks(files.str(), fav.str()).ok()) << "a folder is no bookmark file";
    EXPECT_EQ(tree(), before);
}

TEST_F(ImportBookmarks, AFailureHalfWayUndoesEverything)
{
    // Folders nested so deep that their path outgrows what the system allows:
    // the import fails after it has written several folders and links, and
    // says so naming a shortened path.
    std::string html = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
    const std::string long_title(240, 'f');
    for (int depth = 0; depth < 30; ++depth)
        html += "<DT><A HREF=\"http://x/" + std::to_string(depth) + "\">link</A>\n<DT><H3>" + long_title +
                std::to_string(depth) + "</H3>\n<DL><p>\n";
    fav.write("Keep.url", url_file("k"));
    fav.write(long_title + "0/Mine.url", url_file("mine")); // merged into, then left as it was
    const Tree before = tree();

    const auto result = import(html);

    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error->find("File name too long"), std::string::npos) << *result.error;
    EXPECT_LT(result.error->size(), 400u) << "the path is shortened for the message";
    EXPECT_EQ(tree(), before);

    // A progress handler that cancels by throwing, even at the very end.
    struct Cancelled {};
    const auto cancel = [](std::size_t done, std::size_t total) {
        if (done == total)
            throw Cancelled{};
    };
    EXPECT_THROW(import(kChrome, cancel), Cancelled);
    EXPECT_EQ(tree(), before);
}

using ImportLimits = ImportBookmarks;

const std::string kHead = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";

std::string link(const std::string& url, const std::string& title, const std::string& attributes = "")
{
    return "<DT><A HREF=\"" + url + "\"" + attributes + ">" + title + "</A>\n";
}

TEST_F(ImportLimits, AttributesWithoutEndAreReadInOnePassAndTheLinkKept)
{
    // libxml2 alone compares each attribute of a tag with all before it: a
    // link with 200,000 of them took minutes before the filter.
    std::string many;
    for (int i = 0; i < 200000; ++i)
        many += " a" + std::to_string(i) + "='x>y'";
    const auto parsed = parse_bookmarks(kHead + link("https://many.example/", "Many", many) +
                                        link("https://next.example/", "Next") + "</DL>\n");
    const auto& tree = std::get<BookmarkTree>(parsed);
    ASSERT_EQ(tree.entries.size(), 2u);
    EXPECT_EQ(tree.entries[0].url, "https://many.example/");
    EXPECT_EQ(tree.entries[1].title, "Next");

    // Split anywhere, the filter gives what it gives in one piece; a comment
    // and a quoted ">" pass untouched, the 65th attribute on goes.
    const std::string comment = "<!-- <a " + many.substr(0, 900) + "> -->";
    const std::string text = comment + "<p title='a>b' " + many + ">x</p>";
    MarkupFilter whole, bytewise;
    std::string at_once, by_byte;
    whole.filter(text, at_once);
    for (const char c : text)
        bytewise.filter(std::string_view(&c, 1), by_byte);
    EXPECT_EQ(at_once, by_byte);
    EXPECT_EQ(at_once, comment + "<p title='a>b' " + many.substr(0, many.find(" a63=")) + ">x</p>");
}

TEST_F(ImportLimits, LongAddressesAreSkippedAndEveryImportSaysWhatItDid)
{
    const std::string html = kHead + link("https://ok.example/", "Ok") +
                             link("https://long.example/" + std::string(70000, 'a'), "Long") +
                             link("https://x.example/" + std::string(1 << 16, '&') + "amp;", "Entities") +
                             link("place:sort=8", "Query") + "</DL>\n";
    const auto result = import(html);
    ASSERT_TRUE(result.ok()) << *result.error;
    EXPECT_EQ(tree().size(), 1u);
    EXPECT_EQ(import_summary(result), "1 favourite was added. 3 entries were skipped: 1 without a usable "
                                      "address; 2 with an address longer than 64 KiB.");
    EXPECT_EQ(import_summary(import(html)),
              "0 favourites were added. 4 entries were skipped: 1 already in the favourites under the same "
              "name; 1 without a usable address; 2 with an address longer than 64 KiB.");
}

TEST_F(ImportLimits, OnlyRegularFilesOfSaneSizeAreReadAndReadingReportsFromTheFirstByte)
{
    // A pipe is the GTK import test's.
    const std::string huge = files.write("huge.html", kHead).string();
    ASSERT_EQ(::truncate(huge.c_str(), (std::int64_t{256} << 20) + 1), 0);
    for (const std::string& path : {std::string("/dev/zero"), huge}) {
        const auto result = import_bookmarks(path, fav.str());
        ASSERT_FALSE(result.ok()) << path;
        EXPECT_TRUE(result.error->find("not a regular file") != std::string::npos ||
                    result.error->find("larger than 256 MiB are not imported") != std::string::npos)
            << *result.error;
    }

    std::string body = kHead;
    while (body.size() < 300000)
        body += link("https://e.example/" + std::to_string(body.size()), "E");
    struct Cancelled {};
    std::vector<std::uint64_t> seen;
    const auto reading = [&](std::uint64_t done, std::uint64_t) {
        seen.push_back(done);
        if (done > 100000)
            throw Cancelled{};
    };
    EXPECT_THROW(import(body, {}, reading), Cancelled);
    EXPECT_EQ(seen.front(), 0u);
    EXPECT_TRUE(tree().empty());
}

TEST(ExportBookmarks, WritesTheCanonicalFormatAndImportingItGivesBackTheSameTree)
{
    TempDir fav, out, again;
    for (const std::string& name :
         {std::string("say \"hi\" 'there'"), std::string("-rf --help"), std::string("Tom & Jerry <b>"),
          std::string("with  two  blanks"), std::string("\xC3\xA9t\xC3\xA9 \xE2\x98\x83 \xF0\x9F\x8E\x89"),
          std::string(251, 'n'), std::string("a\\b;c#d=e[f]")}) {
        fav.write("Odd/" + name + ".url", url_file("https://example.com/" + name.substr(0, 3) + "?q=<&>\"'"));
        fav.mkdir("Odd/" + name);
    }
    fav.write("Top.url", url_file("javascript:alert('&amp;')"));
    fav.mkdir("Empty/Emptier");
    fav.write("Same/Same.url", url_file("http://same/"));
    const Tree exported = snapshot(fav.path());
    fav.write("Same/notes.txt", "not a favourite");
    fav.write("Same/empty.url", "[InternetShortcut]\r\n");
    fav.write(".hidden/secret.url", url_file("http://hidden/"));

    const std::string file = out.str() + "/export.html";
    const auto written = export_bookmarks(fav.str() + "/", file);
    ASSERT_TRUE(written.ok()) << *written.error;
    EXPECT_EQ((std::array{written.folders, written.links, written.skipped}),
              (std::array<std::size_t, 3>{11, 9, 2}));
    const std::string html = read_file(file);
    EXPECT_TRUE(html.starts_with("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n")) << html;
    std::size_t at = 0; // each part after the one before: folders come first
    for (const char* part :
         {"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">", ">Odd</H3>",
          ">Tom &amp; Jerry &lt;b&gt;</H3>", ">Tom &amp; Jerry &lt;b&gt;</A>", ">Top</A>"}) {
        at = html.find(part, at);
        ASSERT_NE(at, std::string::npos) << part << "\n" << html;
    }
    EXPECT_EQ(html.find("hidden"), std::string::npos);
    const auto result = import_bookmarks(file, again.str());
    ASSERT_TRUE(result.ok()) << *result.error;
    EXPECT_EQ(snapshot(again.path()), exported);

    EXPECT_FALSE(export_bookmarks(fav.str() + "/missing", out.str() + "/other.html").ok());
    EXPECT_FALSE(fs::exists(out.path() / "other.html"));
}

} // namespace
} // namespace driftway::favourites
