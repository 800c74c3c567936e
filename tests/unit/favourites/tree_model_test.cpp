// The in-memory tree: adding by key, selection, and what a view hears while
// the model is frozen. Needs nothing else.
#include "favourites/tree_model.h"

#include <gtest/gtest.h>

namespace {

using namespace driftway::favourites;
using Strings = std::vector<std::string>;

class Recorder : public TreeListener {
public:
    Strings log;
    void on_added(int i) override { log.push_back("add " + std::to_string(i)); }
    void on_cleared() override { log.push_back("clear"); }
    void on_expanded(int i, bool e) override
    {
        log.push_back("expand " + std::to_string(i) + (e ? "+" : "-"));
    }
    void on_selected(int i) override { log.push_back("select " + std::to_string(i)); }
    void on_ensure_visible(int i) override { log.push_back("visible " + std::to_string(i)); }
    void on_start_label_edit(int i) override { log.push_back("edit " + std::to_string(i)); }
    void on_freeze() override { log.push_back("freeze"); }
    void on_thaw() override { log.push_back("thaw"); }
};

TEST(TreeModel, AddsChildrenByKeyAndRefusesDuplicatesAndUnknownParents)
{
    TreeModel tree;
    EXPECT_EQ(tree.Add(std::nullopt, Relationship::Child, "/f/", "Favorites", 1, 2), 1);
    EXPECT_EQ(tree.Add("/f/", Relationship::Child, "/f/a/", "a", 1, 2), 2);
    EXPECT_EQ(tree.Add("/f/", Relationship::Child, "/f/a/", "again", 1, 2), 0);
    EXPECT_EQ(tree.Add("/nowhere/", Relationship::Child, "/f/b", "b", 3, 3), 0);
    EXPECT_EQ(tree.Add("/f/a/", Relationship::Child, "/f/a/x.url", "x", 3, 3), 3);
    EXPECT_EQ(tree.Add("/f/", Relationship::Child, "/f/z", "z", 3, 3), 4);
    EXPECT_EQ(tree.children(1), (std::vector<int>{2, 4}));
    EXPECT_EQ(tree.next_sibling(2), 4);
    EXPECT_THROW(tree.Key(5), std::out_of_range);

    tree.SetSelected(2, true);
    tree.SetSelected(3, true);
    EXPECT_FALSE(tree.Selected(2));
    tree.EnsureVisible(3);
    EXPECT_TRUE(tree.Expanded(1) && tree.Expanded(2));
    tree.Clear();
    EXPECT_EQ(tree.SelectedItem(), 0);
    tree.Add(std::nullopt, Relationship::Child, "/f/", "Favorites", 1, 2);
    EXPECT_EQ(tree.Add("/f/", Relationship::Child, "/f/a/x.url", "x", 3, 3), 2); // old keys are gone
    EXPECT_EQ(tree.first_child(2), 0);
}

TEST(TreeModel, AFrozenViewHearsOneThawAndThenTheActionsAskedMeanwhile)
{
    TreeModel tree;
    Recorder view;
    tree.set_listener(&view);
    tree.Add(std::nullopt, Relationship::Child, "/r/", "r", 1, 2);
    tree.SetSelected(1, true);
    tree.SetSelected(1, true); // no change, nothing heard
    tree.freeze();
    tree.freeze();
    tree.Clear();
    tree.Add(std::nullopt, Relationship::Child, "/r/", "r", 1, 2);
    tree.Add("/r/", Relationship::Child, "/r/a", "a", 3, 3);
    tree.EnsureVisible(2);
    tree.SetSelected(2, true);
    tree.StartLabelEdit();
    tree.thaw();
    EXPECT_TRUE(tree.frozen());
    tree.thaw();
    EXPECT_EQ(view.log, (Strings{"add 1", "select 1", "freeze", "thaw", "visible 2", "edit 2"}));
}

} // namespace
