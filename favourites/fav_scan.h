#pragma once

#include "favourites/tree.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace driftway::favourites {

// One favourites folder as the scan met it. Folder 0 is the root.
struct FavFolder {
    std::string key;  // full path with a trailing "/"
    std::string text; // shown name ("Favorites" for the root)
    int parent = -1;  // folder number of the containing folder; -1 for the root
    int first_child = -1;
    int next_sibling = -1;
    int first_item = 0; // 0-based into FavScan::items(); the folder's items are contiguous
    int item_count = 0;
};

// One favourite file: entry k (1-based) of FavItems, menu id 1100 + k.
struct FavItem {
    std::string path; // the node key
    int folder = 0;
    // The node text and, shortened, the menu caption. Most names show as
    // they are, so the text is then a slice of the path and costs nothing.
    std::string_view text() const
    {
        return converted.empty() ? std::string_view(path).substr(text_pos, text_len)
                                 : std::string_view(converted);
    }

    std::uint32_t text_pos = 0;
    std::uint32_t text_len = 0;
    std::string converted; // the text when it is not a slice of the path
};

// The Favorites folder read from disk once. Windows fill their trees and
// menus from it, so one scan serves every open window.
class FavScan {
public:
    // An empty scan shows the root alone; `root_key` may be "" when the
    // Favorites folder cannot be had.
    explicit FavScan(std::string root_key);

    // Reads the folder below the root key. `yield` runs once after each folder
    // is read, so that the window can handle pending events (DoEvents). The
    // scan holds no directory open across a yield and never recurses, so deep
    // trees cannot exhaust the stack. `earlier`, an earlier scan of the same
    // folder, lets folders that hardly changed keep the order it found.
    static FavScan read(const std::string& root_key, const std::function<void()>& yield,
                        const FavScan* earlier = nullptr);

    const std::string& root_key() const { return m_folders.front().key; }
    const std::vector<FavFolder>& folders() const { return m_folders; }
    // FavItems in scan order: the subfolders' items before a folder's own, the
    // root's items last.
    const std::vector<FavItem>& items() const { return m_items; }
    // Entry k of FavItems (1-based), or nullptr past either end.
    const FavItem* item(int k) const;

    // Subfolders of a folder, in scan order.
    std::vector<int> subfolders(int folder) const;

    // The load's tree part: the root node "Favorites", then AddFolders and
    // AddFavoriteItems for the root. A node the tree refuses is skipped and
    // the rest go on.
    void fill_tree(Tree& tree) const;
    // Adds below `folder` each subfolder followed by its whole subtree (its
    // own subfolders, then its items), in scan order, without recursion.
    void AddFolders(Tree& tree, int folder) const;
    // Adds the items of one folder under its node.
    void AddFavoriteItems(Tree& tree, int folder) const;

    std::size_t memory_bytes() const;

private:
    std::vector<FavFolder> m_folders;
    std::vector<FavItem> m_items;
};

} // namespace driftway::favourites
