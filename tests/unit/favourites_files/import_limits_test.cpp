// The importer facing hostile files: tags with endless attributes, giant
// addresses, files that are no files, and paths too deep to name; and the
// summary every import ends with.

#include "favourites/bookmarks_import.h"
#include "favourites/markup_filter.h"
#include "tests/support/temp_dir.h"
#include "tree_snapshot.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace driftway::favourites {
namespace {

using testing::snapshot;
using testing::TempDir;

const std::string kHead = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";

std::string link(const std::string& url, const std::string& attributes, const std::string& title)
{
    return "<DT><A HREF=\"" + url + "\"" + attributes + ">" + title + "</A>\n";
}

TEST(ImportLimits, AttributesWithoutEndAreReadAndTheLinkKept)
{
    // libxml2 alone compares each attribute of a tag with all before it: a
    // link with 200,000 of them took a minute before the filter.
    std::string many;
    for (int i = 0; i < 200000; ++i)
        many += " a" + std::to_string(i) + "='x>y'";
    const auto parsed = parse_bookmarks(kHead + link("https://many.example/", many, "Many") +
                                        link("https://next.example/", "", "Next") + "</DL>\n");
    const auto& tree = std::get<BookmarkTree>(parsed);
    ASSERT_EQ(tree.entries.size(), 2u);
    EXPECT_EQ(tree.entries[0].url, "https://many.example/");
    EXPECT_EQ(tree.entries[0].title, "Many");
    EXPECT_EQ(tree.entries[1].title, "Next");

    // Split anywhere, the filter gives what it gives in one piece; comments
    // and quoted ">" pass untouched, the 65th attribute on goes.
    const std::string text = "<!-- <a " + many.substr(0, 900) + "> --><p title='a>b' " + many + ">x</p>";
    MarkupFilter whole, bytewise;
    std::string at_once, by_byte;
    whole.filter(text, at_once);
    for (const char c : text)
        bytewise.filter(std::string_view(&c, 1), by_byte);
    EXPECT_EQ(at_once, by_byte);
    const std::string comment = "<!-- <a " + many.substr(0, 900) + "> -->";
    ASSERT_TRUE(at_once.starts_with(comment));
    const std::string tag = at_once.substr(comment.size());
    EXPECT_TRUE(tag.starts_with("<p title='a>b'  a0='x>y'")) << tag.substr(0, 40);
    EXPECT_NE(tag.find(" a62='x>y'"), std::string::npos);
    EXPECT_EQ(tag.find("a63="), std::string::npos);
    EXPECT_TRUE(tag.ends_with(">x</p>"));
}

TEST(ImportLimits, LongAddressesAreSkippedAndCountedAndEveryImportSaysWhatItDid)
{
    TempDir files, fav;
    const std::string path = files.write("b.html", kHead + link("https://ok.example/", "", "Ok") +
                                                       link("https://long.example/" + std::string(70000, 'a'),
                                                            "", "Long") +
                                                       link("https://x.example/" + std::string(1 << 16, '&') +
                                                                "amp;", "", "Entities") +
                                                       link("place:sort=8", "", "Query") + "</DL>\n")
                                 .string();
    const auto result = import_bookmarks(path, fav.str());
    ASSERT_TRUE(result.ok()) << *result.error;
    EXPECT_EQ(result.links_written, 1u);
    EXPECT_EQ(result.links_too_long, 2u);
    EXPECT_EQ(snapshot(fav.path()).size(), 1u);
    EXPECT_EQ(import_summary(result), "1 favourite was added. 3 entries were skipped: 1 without a usable "
                                      "address; 2 with an address longer than 64 KiB.");
    const auto again = import_bookmarks(path, fav.str());
    EXPECT_EQ(import_summary(again), "0 favourites were added. 4 entries were skipped: 1 already in the "
                                     "favourites under the same name; 1 without a usable address; 2 with "
                                     "an address longer than 64 KiB.");
}

TEST(ImportLimits, OnlyRegularFilesOfSaneSizeAreReadAndProgressStartsAtTheFirstByte)
{
    TempDir files, fav;
    const std::string fifo = files.str() + "/pipe.html";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero")}) {
        const auto result = import_bookmarks(path, fav.str());
        ASSERT_FALSE(result.ok()) << path;
        EXPECT_NE(result.error->find("not a regular file"), std::string::npos) << *result.error;
    }
    const std::string huge = files.str() + "/huge.html";
    ASSERT_EQ(::truncate(files.write("huge.html", kHead).c_str(), (std::int64_t{256} << 20) + 1), 0);
    const auto refused = import_bookmarks(huge, fav.str());
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error->find("larger than 256 MiB are not imported"), std::string::npos) << *refused.error;

    // Reading reports from the first byte and can be cancelled; nothing is left.
    std::string body = kHead;
    while (body.size() < 300000)
        body += link("https://e.example/" + std::to_string(body.size()), "", "E");
    struct Cancelled {};
    std::vector<std::uint64_t> seen;
    const auto reading = [&](std::uint64_t done, std::uint64_t total) {
        seen.push_back(done);
        EXPECT_EQ(total, body.size());
        if (done > 100000)
            throw Cancelled{};
    };
    EXPECT_THROW(import_bookmarks(files.write("big.html", body).string(), fav.str(), {}, reading), Cancelled);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen.front(), 0u);
    EXPECT_TRUE(snapshot(fav.path()).empty());
}

TEST(ImportLimits, AFailureDeepDownNamesAShortenedPath)
{
    TempDir files, fav;
    std::string html = kHead;
    for (int i = 0; i < 2000; ++i)
        html += "<DT><H3>Folder number " + std::to_string(i) + "</H3>\n<DL><p>\n";
    html += link("https://deep.example/", "", "Deep");
    const auto result = import_bookmarks(files.write("deep.html", html).string(), fav.str());
    ASSERT_FALSE(result.ok());
    EXPECT_LT(result.error->size(), 400u) << *result.error;
    EXPECT_NE(result.error->find("\u2026"), std::string::npos);
    EXPECT_TRUE(snapshot(fav.path()).empty());
}

} // namespace
} // namespace driftway::favourites
