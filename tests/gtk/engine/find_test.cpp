// Find in page: the engine's search is case-insensitive and wraps.
#include "tests/gtk/engine/engine_fixture.h"

namespace driftway::testing {
namespace {

using platform::gtk::FindDirection;

TEST_F(EngineTest, FindsWithoutRegardToCaseAndWraps)
{
    load(m_dir.write("find.html", page("Find", "<p>Apple pie.</p><p>banana</p><p>An APPLE a day.</p>"))
             .string(),
         "Find");
    std::vector<int> results;
    engine().on_find_result = [&](unsigned matches) { results.push_back(static_cast<int>(matches)); };
    const auto find = [&](const std::string& text, FindDirection direction) {
        const std::size_t seen = results.size();
        engine().find(text, direction);
        return wait_until([&] { return results.size() > seen; }) ? results.back() : -1;
    };
    EXPECT_EQ(find("apple", FindDirection::Next), 2);
    // Past the last match the search wraps to the first again.
    for (int i = 0; i < 3; ++i)
        EXPECT_GT(find("apple", FindDirection::Next), 0);
    EXPECT_GT(find("apple", FindDirection::Previous), 0);
    EXPECT_EQ(find("cherry", FindDirection::Next), 0);
    engine().end_find();
}

} // namespace
} // namespace driftway::testing
