// The load's order: the empty page, then the command line's page, then the
// favourites, which a failing step does not hold back. Engine double only.
#include "tests/unit/browser/view_double.h"

#include <gtest/gtest.h>

namespace driftway::testing {
namespace {

struct LoadingWindow {
    ViewDouble view;
    EngineDouble* engine = nullptr;
    std::unique_ptr<browser::FrmBrowser> frm;
    // The engine calls made before the favourites were read, once per read.
    std::vector<std::vector<std::string>> calls_at_favourites;

    explicit LoadingWindow(browser::WindowFactory& factory)
    {
        auto owned = std::make_unique<EngineDouble>();
        engine = owned.get();
        frm = std::make_unique<browser::FrmBrowser>(std::move(owned), view, factory);
        frm->on_load_favorites = [this] { calls_at_favourites.push_back(engine->calls); };
    }
};

TEST(WindowLoad, ThePageIsAskedForBeforeTheFavouritesAreRead)
{
    FactoryDouble factory;
    LoadingWindow w(factory);
    w.frm->Form_Load("\"file:///tmp/x.html\"");
    ASSERT_EQ(w.calls_at_favourites.size(), 1u);
    const auto& before = w.calls_at_favourites[0];
    ASSERT_GE(before.size(), 2u);
    EXPECT_EQ(before[0], "Navigate2 about:blank 2");
    EXPECT_EQ(before[1], "Navigate2 file:///tmp/x.html 0");
    // Nothing the favourites might do comes between the page and its focus.
    EXPECT_EQ(w.engine->calls.size(), before.size());
    EXPECT_EQ(w.view.address, "file:///tmp/x.html");
    EXPECT_EQ(w.view.list, (std::vector<std::string>{"file:///tmp/x.html", "about:blank"}));
}

TEST(WindowLoad, FavouritesAreReadWithoutACommandLineAndAfterAFailedNavigation)
{
    FactoryDouble factory;
    LoadingWindow plain(factory);
    plain.frm->Form_Load("");
    ASSERT_EQ(plain.calls_at_favourites.size(), 1u);
    EXPECT_EQ(plain.calls_at_favourites[0], std::vector<std::string>{"Navigate2 about:blank 2"});

    LoadingWindow failing(factory);
    failing.engine->fail("Navigate2", 5, "Invalid procedure call or argument", 2);
    failing.frm->Form_Load("file:///tmp/x.html");
    EXPECT_EQ(failing.calls_at_favourites.size(), 1u);
}

} // namespace
} // namespace driftway::testing
