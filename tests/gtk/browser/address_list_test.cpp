// The address box's drop-down list follows the history visit by visit (moved
// entries, the cap's dropped oldest) in a real main window; needs Xvfb.
#include "tests/gtk/browser/window_fixture.h"

using AddressListTest = driftway::testing::WindowTest;

namespace {

std::vector<std::string> rows(Gtk::ComboBoxText& box)
{
    std::vector<std::string> out;
    for (const auto& row : box.get_model()->children()) {
        Glib::ustring text;
        row.get_value(0, text);
        out.push_back(text);
    }
    return out;
}

} // namespace

TEST_F(AddressListTest, TheListFollowsEveryVisitUpToTheCap)
{
    const auto page = m_dir.write("page.html", "<title>List page</title>x");
    start("file://" + page.string());
    auto& w = window();
    ASSERT_TRUE(wait_title(w, "List page"));

    auto& frm = w.frm();
    for (int i = 0; i < 1003; ++i)
        frm.WebBrowser_BeforeNavigate2("http://site.example/" + std::to_string(i));
    for (const char* again : {"http://site.example/500", "http://site.example/1002", "http://site.example/3"})
        frm.WebBrowser_BeforeNavigate2(again);
    const auto& entries = frm.history().entries();
    EXPECT_EQ(entries.size(), 1000u);
    EXPECT_EQ(rows(w.address_box()), entries);
    EXPECT_EQ(w.address_box().get_active_row_number(), 0);
    EXPECT_EQ(w.address_box().get_entry_text(), "http://site.example/3");
}
