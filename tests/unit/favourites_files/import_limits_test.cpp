// The importer facing hostile files: tags with endless attributes, giant
// addresses and files that are no files; and the summary every import ends
// with. Paths too deep to name are the bookmarks test's.

#include "favourites/bookmarks_import.h"
#include "favourites/markup_filter.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace driftway::favourites {
namespace {

using namespace driftway::testing;

const std::string kHead = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";

std::string link(const std::string& url, const std::string& title, const std::string& attributes = "")
{
    return "<DT><A HREF=\"" + url + "\"" + attributes + ">" + title + "</A>\n";
}

TEST(ImportLimits, AttributesWithoutEndAreReadInOnePassAndTheLinkKept)
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

TEST(ImportLimits, LongAddressesAreSkippedAndEveryImportSaysWhatItDid)
{
    TempDir files, fav;
    const std::string path =
        files
            .write("b.html", kHead + link("https://ok.example/", "Ok") +
                                 link("https://long.example/" + std::string(70000, 'a'), "Long") +
                                 link("https://x.example/" + std::string(1 << 16, '&') + "amp;", "Entities") +
                                 link("place:sort=8", "Query") + "</DL>\n")
            .string();
    const auto result = import_bookmarks(path, fav.str());
    ASSERT_TRUE(result.ok()) << *result.error;
    EXPECT_EQ(snapshot(fav.path()).size(), 1u);
    EXPECT_EQ(import_summary(result), "1 favourite was added. 3 entries were skipped: 1 without a usable "
                                      "address; 2 with an address longer than 64 KiB.");
    EXPECT_EQ(import_summary(import_bookmarks(path, fav.str())),
              "0 favourites were added. 4 entries were skipped: 1 already in the favourites under the same "
              "name; 1 without a usable address; 2 with an address longer than 64 KiB.");
}

TEST(ImportLimits, OnlyRegularFilesOfSaneSizeAreReadAndReadingReportsFromTheFirstByte)
{
    // A pipe is the GTK import test's.
    TempDir files, fav;
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
    EXPECT_THROW(import_bookmarks(files.write("big.html", body).string(), fav.str(), {}, reading), Cancelled);
    EXPECT_EQ(seen.front(), 0u);
    EXPECT_TRUE(snapshot(fav.path()).empty());
}

} // namespace
} // namespace driftway::favourites
