#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace driftway::favourites {

// How a new node relates to its relative; the favourites only ever add children.
enum class Relationship { Child = 4 };

// Pictures of the tree's image list, 1-based as the node records carry them.
inline constexpr int kImageFolder = 1;
inline constexpr int kImageFolderSelected = 2;
inline constexpr int kImageItem = 3;

// The favourites tree control as the favourites code drives it. Nodes are
// addressed by a 1-based index that runs in the order of adding; 0 stands for
// "no node" wherever a node is answered. The favourites code keeps no copy of
// the tree: every handler reads the nodes back through this interface.
//
// Indexes passed in must lie between 1 and Count(); others throw
// std::out_of_range.
class Tree {
public:
    virtual ~Tree() = default;

    // Nodes.Add: adds a node as the last child of the node keyed `relative`
    // (no relative: a top-level node) and answers its index. Answers 0 and adds
    // nothing when the key is already in the tree or the relative is not.
    virtual int Add(std::optional<std::string_view> relative, Relationship relationship, std::string_view key,
                    std::string_view text, int image, int selected_image) = 0;
    virtual void Clear() = 0;
    virtual int Count() const = 0;

    virtual const std::string& Key(int index) const = 0;
    virtual const std::string& Text(int index) const = 0;
    virtual int Parent(int index) const = 0; // 0 for a top-level node

    virtual bool Expanded(int index) const = 0;
    virtual void SetExpanded(int index, bool expanded) = 0;
    // Selecting a node makes it the one selected node; deselecting the
    // selected node leaves none selected.
    virtual bool Selected(int index) const = 0;
    virtual void SetSelected(int index, bool selected) = 0;
    // Expands every ancestor and scrolls the node into view.
    virtual void EnsureVisible(int index) = 0;

    virtual int SelectedItem() const = 0;
    // The node at a point in the control's own coordinates, or 0.
    virtual int HitTest(double x, double y) const = 0;
    virtual int DropHighlight() const = 0;
    virtual void SetDropHighlight(int index) = 0; // 0 clears it

    // Opens the selected node's label for editing; the window's label-edit
    // handler (ModFaves::AfterLabelEdit) runs when the user ends the edit.
    virtual void StartLabelEdit() = 0;
    virtual void SetFocus() = 0;

    // LockWindowUpdate on the tree: drawing stops until the matching thaw.
    // Freezes nest; only the outermost thaw redraws.
    virtual void freeze() = 0;
    virtual void thaw() = 0;
};

// Looks at nodes 1 to the count read once beforehand and answers the first
// whose key equals `key` exactly, or 0.
int find_node_by_key(const Tree& tree, std::string_view key);

// Finds a node by key and, when there is one, expands it (if asked), selects
// it and scrolls it into view. Answers its index or 0.
enum class ExpandNode { No, Yes };
int reveal_node(Tree& tree, std::string_view key, ExpandNode expand);

// Keeps a tree frozen for the life of the object.
class FrozenTree {
public:
    explicit FrozenTree(Tree& tree) : m_tree(&tree) { tree.freeze(); }
    ~FrozenTree() { release(); }
    FrozenTree(const FrozenTree&) = delete;
    FrozenTree& operator=(const FrozenTree&) = delete;

    void release()
    {
        if (m_tree)
            m_tree->thaw();
        m_tree = nullptr;
    }
    // The tree went away with its window; there is nothing left to thaw.
    void abandon() { m_tree = nullptr; }

private:
    Tree* m_tree;
};

} // namespace driftway::favourites
