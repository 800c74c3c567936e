// Find in page: the engine's search (case-insensitive, wrapping) and the
// find bar driving it. Needs Xvfb.
#include "tests/gtk/engine/engine_fixture.h"

namespace driftway::testing {
namespace {

using platform::gtk::FindDirection;

class FindTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        load(m_dir
                 .write("find.html", "<!DOCTYPE html><title>Find</title><p>Apple pie.</p><p>banana</p>"
                                     "<p>An APPLE a day.</p>")
                 .string(),
             "Find");
        engine().on_find_result = [this](unsigned matches) {
            m_results.push_back(static_cast<int>(matches));
        };
    }
    bool next_result(int& value)
    {
        const std::size_t seen = m_results.size();
        if (!wait_until([&] { return m_results.size() > seen; }))
            return false;
        value = m_results.back();
        return true;
    }
    std::vector<int> m_results;
};

TEST_F(FindTest, FindsWithoutRegardToCaseAndWraps)
{
    int matches = -1;
    engine().find("apple", FindDirection::Next);
    ASSERT_TRUE(next_result(matches));
    EXPECT_EQ(matches, 2);
    // Past the last match the search wraps to the first again.
    for (int i = 0; i < 3; ++i) {
        engine().find("apple", FindDirection::Next);
        ASSERT_TRUE(next_result(matches));
        EXPECT_GT(matches, 0);
    }
    engine().find("apple", FindDirection::Previous);
    ASSERT_TRUE(next_result(matches));
    EXPECT_GT(matches, 0);

    engine().find("cherry", FindDirection::Next);
    ASSERT_TRUE(next_result(matches));
    EXPECT_EQ(matches, 0);
    engine().end_find();
}


} // namespace
} // namespace driftway::testing
