#include "favourites/tree_model.h"

#include <stdexcept>

namespace driftway::favourites {

int find_node_by_key(const Tree& tree, std::string_view key)
{
    const int count = tree.Count();
    for (int i = 1; i <= count; ++i) {
        if (tree.Key(i) == key)
            return i;
    }
    return 0;
}

int reveal_node(Tree& tree, std::string_view key, ExpandNode expand)
{
    const int index = find_node_by_key(tree, key);
    if (index == 0)
        return 0;
    if (expand == ExpandNode::Yes)
        tree.SetExpanded(index, true);
    tree.SetSelected(index, true);
    tree.EnsureVisible(index);
    return index;
}

int TreeModel::checked(int index) const
{
    if (index < 1 || index > Count())
        throw std::out_of_range("tree node index " + std::to_string(index) + " out of range");
    return index;
}

int TreeModel::Add(std::optional<std::string_view> relative, Relationship /*relationship*/, std::string key,
                   std::string text, int image, int selected_image)
{
    int parent = 0;
    if (relative) {
        const auto it = m_by_key.find(*relative);
        if (it == m_by_key.end())
            return 0;
        parent = it->second;
    }
    if (m_by_key.contains(key))
        return 0;
    m_nodes.push_back({std::move(key), std::move(text), parent, image, selected_image, false});
    const int index = Count();
    m_by_key.emplace(m_nodes.back().key, index);
    if (live())
        m_listener->on_added(index);
    return index;
}

void TreeModel::Clear()
{
    m_by_key.clear();
    m_nodes.clear();
    m_selected = 0;
    m_drop_highlight = 0;
    // Actions queued for nodes that no longer exist would hit the wrong ones.
    std::erase_if(m_pending, [](const auto& p) { return p.second != 0; });
    if (live())
        m_listener->on_cleared();
}

std::vector<int> TreeModel::children(int index) const
{
    // Children always come after their parent, so the scan can start there.
    std::vector<int> result;
    for (int i = index + 1; i <= Count(); ++i) {
        if (m_nodes[static_cast<std::size_t>(i - 1)].parent == index)
            result.push_back(i);
    }
    return result;
}

void TreeModel::SetExpanded(int index, bool expanded)
{
    Node& n = node(index);
    if (n.expanded == expanded)
        return;
    n.expanded = expanded;
    if (live())
        m_listener->on_expanded(index, expanded);
}

void TreeModel::SetSelected(int index, bool selected)
{
    checked(index);
    const int now = selected ? index : (m_selected == index ? 0 : m_selected);
    if (now == m_selected)
        return;
    m_selected = now;
    if (live())
        m_listener->on_selected(m_selected);
}

void TreeModel::EnsureVisible(int index)
{
    for (int p = Parent(index); p != 0; p = Parent(p))
        SetExpanded(p, true);
    act(Action::EnsureVisible, index);
}

int TreeModel::HitTest(double x, double y) const
{
    if (!m_listener)
        return 0;
    const int index = m_listener->hit_test(x, y);
    return index >= 1 && index <= Count() ? index : 0;
}

void TreeModel::SetDropHighlight(int index)
{
    if (index != 0)
        checked(index);
    if (index == m_drop_highlight)
        return;
    m_drop_highlight = index;
    if (live())
        m_listener->on_drop_highlight(index);
}

void TreeModel::StartLabelEdit()
{
    if (m_selected != 0)
        act(Action::StartLabelEdit, m_selected);
}

void TreeModel::SetFocus()
{
    act(Action::Focus, 0);
}

void TreeModel::act(Action action, int index)
{
    if (!m_listener)
        return;
    if (m_freeze_depth > 0) {
        m_pending.emplace_back(action, index);
        return;
    }
    switch (action) {
    case Action::EnsureVisible:
        m_listener->on_ensure_visible(index);
        break;
    case Action::StartLabelEdit:
        m_listener->on_start_label_edit(index);
        break;
    case Action::Focus:
        m_listener->on_focus();
        break;
    }
}

void TreeModel::freeze()
{
    if (m_freeze_depth++ == 0 && m_listener)
        m_listener->on_freeze();
}

void TreeModel::thaw()
{
    if (m_freeze_depth == 0 || --m_freeze_depth > 0)
        return;
    auto pending = std::move(m_pending);
    m_pending.clear();
    if (!m_listener)
        return;
    m_listener->on_thaw();
    for (const auto& [action, index] : pending)
        act(action, index);
}

std::size_t TreeModel::memory_bytes() const
{
    std::size_t bytes = m_nodes.size() * sizeof(Node);
    for (const Node& n : m_nodes) {
        // Short strings live inside the node itself.
        if (n.key.capacity() > 15)
            bytes += n.key.capacity() + 1;
        if (n.text.capacity() > 15)
            bytes += n.text.capacity() + 1;
    }
    // A hash node holds the view, the index and the next pointer.
    bytes += m_by_key.size() * (sizeof(std::string_view) + sizeof(int) + 2 * sizeof(void*));
    bytes += m_by_key.bucket_count() * sizeof(void*);
    return bytes;
}

} // namespace driftway::favourites
