#include "favourites/tree_model.h"

#include <algorithm>
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

int TreeModel::find(std::string_view key, std::size_t hash) const
{
    return static_cast<int>(m_slots.find(
        hash, [&](std::uint32_t index) { return m_nodes[static_cast<std::size_t>(index - 1)].key == key; }));
}

int TreeModel::Add(std::optional<std::string_view> relative, Relationship /*relationship*/,
                   std::string_view key, std::string_view text, int image, int selected_image)
{
    int parent = 0;
    if (relative) {
        // Scans add runs of siblings; remembering the last parent saves most lookups.
        if (m_last_parent != 0 && m_last_parent <= m_count && Key(m_last_parent) == *relative)
            parent = m_last_parent;
        else
            parent = find(*relative, std::hash<std::string_view>{}(*relative));
        if (parent == 0)
            return 0;
        m_last_parent = parent;
    }
    const std::size_t hash = std::hash<std::string_view>{}(key);
    if (find(key, hash) != 0)
        return 0;

    if (static_cast<std::size_t>(m_count) == m_nodes.size())
        m_nodes.emplace_back();
    Node& n = m_nodes[static_cast<std::size_t>(m_count)];
    n.key.assign(key);
    n.text.assign(text);
    n.parent = parent;
    n.image = image;
    n.selected_image = selected_image;
    n.expanded = false;
    n.hash = hash;
    n.first_child = n.last_child = n.next_sibling = 0;
    const int index = ++m_count;
    int& last = parent != 0 ? m_nodes[static_cast<std::size_t>(parent - 1)].last_child : m_last_top;
    if (last != 0)
        m_nodes[static_cast<std::size_t>(last - 1)].next_sibling = index;
    else if (parent != 0)
        m_nodes[static_cast<std::size_t>(parent - 1)].first_child = index;
    else
        m_first_top = index;
    last = index;

    // Keep the table at most half full.
    if (m_slots.too_small_for(static_cast<std::size_t>(m_count))) {
        m_slots.reset(static_cast<std::size_t>(m_count));
        for (int i = 1; i <= m_count; ++i)
            m_slots.insert(static_cast<std::uint32_t>(i), m_nodes[static_cast<std::size_t>(i - 1)].hash);
    } else {
        m_slots.insert(static_cast<std::uint32_t>(index), hash);
    }
    if (live())
        m_listener->on_added(index);
    return index;
}

void TreeModel::Clear()
{
    m_count = 0;
    m_first_top = m_last_top = 0;
    m_slots.clear();
    m_last_parent = 0;
    m_selected = 0;
    m_drop_highlight = 0;
    // Actions queued for nodes that no longer exist would hit the wrong ones.
    std::erase_if(m_pending, [](const auto& p) { return p.second != 0; });
    if (live())
        m_listener->on_cleared();
}

std::vector<int> TreeModel::children(int index) const
{
    std::vector<int> result;
    for (int child = first_child(index); child != 0; child = next_sibling(child))
        result.push_back(child);
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
    std::size_t bytes = m_nodes.capacity() * sizeof(Node) + m_slots.memory_bytes();
    for (const Node& n : m_nodes) {
        // Short strings live inside the node itself.
        if (n.key.capacity() > 15)
            bytes += n.key.capacity() + 1;
        if (n.text.capacity() > 15)
            bytes += n.text.capacity() + 1;
    }
    return bytes;
}

} // namespace driftway::favourites
