#pragma once

#include "favourites/hash_slots.h"
#include "favourites/tree.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace driftway::favourites {

// What a view of a TreeModel hears. The GTK tree adapter implements it to
// mirror the model into a GtkTreeStore; tests use small recorders.
//
// Contract for the view:
// - While the model is frozen it hears nothing but on_freeze() and, at the
//   outermost thaw, on_thaw(); it then rebuilds itself from the model as a
//   whole (nodes 1..Count(), each node's Parent, Expanded, the selected and the
//   drop-highlighted node). This makes a refresh of many nodes one bulk pass.
// - While not frozen it hears each change as it happens. It only hears real
//   changes, so a view that reports the user's own selection or expansion to
//   the model (SetSelected, SetExpanded) gets that change echoed back once and
//   should treat it as already done.
// - on_ensure_visible, on_start_label_edit and on_focus are actions rather than
//   state; those asked for while frozen are played back after on_thaw().
// - hit_test answers the node under a point of the view (0 for none).
class TreeListener {
public:
    virtual ~TreeListener() = default;

    virtual void on_added(int /*index*/) {}
    virtual void on_cleared() {}
    virtual void on_expanded(int /*index*/, bool /*expanded*/) {}
    virtual void on_selected(int /*index*/) {} // 0: nothing selected
    virtual void on_drop_highlight(int /*index*/) {}
    virtual void on_ensure_visible(int /*index*/) {}
    virtual void on_start_label_edit(int /*index*/) {}
    virtual void on_focus() {}
    virtual void on_freeze() {}
    virtual void on_thaw() {}
    virtual int hit_test(double /*x*/, double /*y*/) { return 0; }
};

// The favourites tree held in memory. Each main window owns one and renders it
// through a TreeListener; the favourites code only ever talks to the model.
class TreeModel : public Tree {
public:
    TreeModel() = default;
    TreeModel(const TreeModel&) = delete;
    TreeModel& operator=(const TreeModel&) = delete;

    // One listener at a time; nullptr detaches. The listener must outlive the
    // model or be detached first.
    void set_listener(TreeListener* listener) { m_listener = listener; }

    int Add(std::optional<std::string_view> relative, Relationship relationship, std::string_view key,
            std::string_view text, int image, int selected_image) override;
    // Empties the tree. The nodes' storage is kept for the next fill, so a
    // refresh of a large tree allocates next to nothing.
    void Clear() override;
    int Count() const override { return m_count; }

    const std::string& Key(int index) const override { return node(index).key; }
    const std::string& Text(int index) const override { return node(index).text; }
    int Parent(int index) const override { return node(index).parent; }
    int image(int index) const { return node(index).image; }
    int selected_image(int index) const { return node(index).selected_image; }
    // Children in the order of adding (index 0: the top-level nodes), for
    // views that build rows lazily. first_child and next_sibling answer 0
    // when there is none.
    std::vector<int> children(int index) const;
    int first_child(int index) const { return index == 0 ? m_first_top : node(index).first_child; }
    int next_sibling(int index) const { return node(index).next_sibling; }

    bool Expanded(int index) const override { return node(index).expanded; }
    void SetExpanded(int index, bool expanded) override;
    bool Selected(int index) const override { return m_selected != 0 && m_selected == checked(index); }
    void SetSelected(int index, bool selected) override;
    void EnsureVisible(int index) override;

    int SelectedItem() const override { return m_selected; }
    int HitTest(double x, double y) const override;
    int DropHighlight() const override { return m_drop_highlight; }
    void SetDropHighlight(int index) override;

    void StartLabelEdit() override;
    void SetFocus() override;

    void freeze() override;
    void thaw() override;
    bool frozen() const { return m_freeze_depth > 0; }

    // Bytes held by the nodes and the key index, roughly.
    std::size_t memory_bytes() const;

private:
    struct Node {
        std::string key;
        std::string text;
        int parent = 0;
        int image = 0;
        int selected_image = 0;
        bool expanded = false;
        std::size_t hash = 0;
        int first_child = 0;
        int last_child = 0;
        int next_sibling = 0;
    };
    enum class Action { EnsureVisible, StartLabelEdit, Focus };

    int checked(int index) const;
    const Node& node(int index) const { return m_nodes[static_cast<std::size_t>(checked(index) - 1)]; }
    Node& node(int index) { return m_nodes[static_cast<std::size_t>(checked(index) - 1)]; }
    bool live() const { return m_listener && m_freeze_depth == 0; }
    void act(Action action, int index);
    int find(std::string_view key, std::size_t hash) const;

    // Nodes 1..m_count are the tree; the rest keep their storage for reuse.
    std::vector<Node> m_nodes;
    int m_count = 0;
    // Node indexes by the hash of their keys.
    HashSlots m_slots;
    int m_last_parent = 0;
    int m_first_top = 0;
    int m_last_top = 0;
    int m_selected = 0;
    int m_drop_highlight = 0;
    int m_freeze_depth = 0;
    std::vector<std::pair<Action, int>> m_pending;
    TreeListener* m_listener = nullptr;
};

} // namespace driftway::favourites
