#include "favourites/context_menu.h"

#include "favourites/display_text.h"
#include "favourites/file_ops.h"
#include "favourites/mod_faves.h"
#include "favourites/paths.h"
#include "favourites/tree.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace driftway::favourites {

namespace {

struct ItemRow {
    const char* caption;
    bool visible;
};

constexpr ItemRow kRows[kRFavCount] = {
    {"Add To Favorites...", false},
    {"-", false},
    {"Move To...", true},
    {"Rename", true},
    {"Delete", true},
    {"Properties", true},
    {"-", true},
    {"Open Folder", true},
    {"New Folder", true},
    {"-", true},
    {"Import Bookmarks", false},
    {"Export Favorites", false},
    {"-", false},
    {"Refresh", true},
};

// The node a command is about: the selected one, or the root when the tree
// has lost its selection.
int subject(Tree& tree)
{
    const int selected = tree.SelectedItem();
    return selected != 0 ? selected : (tree.Count() > 0 ? 1 : 0);
}

// The folder a node stands in: itself for a folder or the root, else the
// folder of its parent.
std::string folder_key(Tree& tree, int node)
{
    const std::string& key = tree.Key(node);
    if (node == 1 || is_folder_key(key))
        return key;
    return tree.Key(tree.Parent(node));
}

// Rebuilds every window and then shows the node keyed `wanted` in this one,
// with drawing frozen throughout. Answers the node's index, or 0.
int rebuild_and_reveal(ModFaves& faves, FavWindow& window, const std::string& wanted)
{
    Tree& tree = window.fav_tree();
    FrozenTree frozen(tree);
    faves.RefreshFavorites(window);
    if (!faves.is_open(window)) {
        frozen.abandon();
        return 0;
    }
    return wanted.empty() ? 0 : reveal_node(tree, wanted, ExpandNode::Yes);
}

void report_failure(ModFaves& faves, FavWindow& window, const FileOpResult& result)
{
    if (!result.ok() && faves.is_open(window))
        faves.report(window, result.message);
}

// Moves a node's file or folder into `target` (a folder path, with or
// without its trailing "/"): never into itself, never over another entry.
void move_into(ModFaves& faves, FavWindow& window, int node, const std::string& target)
{
    Tree& tree = window.fav_tree();
    const std::string key = tree.Key(node);
    const bool folder = is_folder_key(key);
    const std::string source = strip_slash(key);
    if (!faves.ensure_exists(window, source))
        return;

    const std::string target_folder = strip_slash(target);
    if (folder && (target_folder == source || target_folder.starts_with(source + "/"))) {
        faves.report(window, "The folder \"" + display_path(source) +
                                 "\" cannot be moved into itself or into one of its own subfolders. "
                                 "Nothing was moved.");
        return;
    }
    const std::string destination =
        (target_folder == "/" ? std::string() : target_folder) + "/" + std::string(base_name(source));
    if (destination == source) {
        // Already there: nothing to move, and no numbered copy of its name.
        reveal_node(tree, key, ExpandNode::Yes);
        return;
    }
    const FileOpResult result = MoveFile(source, destination);
    const std::string landed = result.final_path.empty() ? destination : result.final_path;
    rebuild_and_reveal(faves, window, folder ? landed + "/" : landed);
    report_failure(faves, window, result);
}

void move_to(ModFaves& faves, FavWindow& window, int node)
{
    const std::string target = window.dialogs().BrowseForFolder(strip_slash(faves.FavPath()));
    if (target.empty() || !faves.is_open(window))
        return;
    move_into(faves, window, node, target);
}

void delete_entry(ModFaves& faves, FavWindow& window, int node)
{
    Tree& tree = window.fav_tree();
    const std::string path = strip_slash(tree.Key(node));
    const std::string parent_key = tree.Key(tree.Parent(node));
    if (!faves.ensure_exists(window, path))
        return;
    const FileOpResult result = DeleteFile(path);
    rebuild_and_reveal(faves, window, parent_key);
    report_failure(faves, window, result);
}

void properties(ModFaves& faves, FavWindow& window, int node)
{
    const std::string path = strip_slash(window.fav_tree().Key(node));
    if (faves.ensure_exists(window, path))
        window.dialogs().ShowProperties(path);
}

void open_folder(ModFaves& faves, FavWindow& window, int node)
{
    const std::string folder = folder_key(window.fav_tree(), node);
    if (faves.ensure_exists(window, strip_slash(folder)))
        window.open_folder_window(folder);
}

void new_folder(ModFaves& faves, FavWindow& window, int node)
{
    Tree& tree = window.fav_tree();
    const std::string parent_key = folder_key(tree, node);
    if (!faves.ensure_exists(window, strip_slash(parent_key)))
        return;

    FrozenTree frozen(tree);
    const std::string path = faves.UniqueFileName(parent_key + "New folder");
    if (::mkdir(path.c_str(), 0777) != 0) {
        const int error = errno;
        frozen.release();
        faves.report(window, "The folder \"" + display_path(path) +
                                 "\" could not be created: " + std::strerror(error) + ".");
        return;
    }
    faves.RefreshFavorites(window);
    if (!faves.is_open(window)) {
        frozen.abandon();
        return;
    }
    if (reveal_node(tree, parent_key + faves.LastUniqueName() + "/", ExpandNode::Yes) == 0)
        return;
    tree.SetFocus();
    tree.StartLabelEdit();
}

void refresh(ModFaves& faves, FavWindow& window)
{
    rebuild_and_reveal(faves, window, {});
}

} // namespace

platform::MenuEntry FavPopupMenu()
{
    platform::MenuEntry menu;
    menu.kind = platform::MenuEntryKind::Submenu;
    menu.caption = kPopUpCaption;
    menu.visible = false;
    for (int i = 0; i < kRFavCount; ++i) {
        platform::MenuEntry item;
        item.caption = kRows[i].caption;
        item.kind =
            item.caption == "-" ? platform::MenuEntryKind::Separator : platform::MenuEntryKind::Command;
        item.set = kPopUpSet;
        item.index = i;
        item.visible = kRows[i].visible;
        menu.children.push_back(std::move(item));
    }
    return menu;
}

platform::MenuEntry mnuPopUp_Click(ModFaves& /*faves*/, FavWindow& window)
{
    Tree& tree = window.fav_tree();
    if (tree.SelectedItem() == 0 && tree.Count() > 0)
        tree.SetSelected(1, true);
    const bool root = tree.SelectedItem() == 1;
    platform::MenuEntry menu = FavPopupMenu();
    for (const int i : {kRFavMoveTo, kRFavRename, kRFavDelete})
        menu.children[static_cast<std::size_t>(i)].enabled = !root;
    return menu;
}

void mnuRFav_Click(ModFaves& faves, FavWindow& window, int index)
{
    if (!faves.is_open(window))
        return;
    Tree& tree = window.fav_tree();
    const int node = subject(tree);
    if (node == 0)
        return;
    // The root is the only node when the Favorites folder is missing; nothing
    // on disk can be acted on then, but Refresh may find it again.
    if (faves.FavPath().empty() && index != kRFavRefresh) {
        if (index == kRFavMoveTo || index == kRFavDelete || index == kRFavProperties ||
            index == kRFavOpenFolder || index == kRFavNewFolder)
            faves.report(window, kFolderUnavailable);
        return;
    }
    // Move To, Rename and Delete are disabled for the root; a stray click on
    // one of them must not act on the Favorites folder itself.
    const bool root = node == 1;
    switch (index) {
    case kRFavMoveTo:
        if (!root)
            move_to(faves, window, node);
        break;
    case kRFavRename:
        if (!root)
            tree.StartLabelEdit();
        break;
    case kRFavDelete:
        if (!root)
            delete_entry(faves, window, node);
        break;
    case kRFavProperties:
        properties(faves, window, node);
        break;
    case kRFavOpenFolder:
        open_folder(faves, window, node);
        break;
    case kRFavNewFolder:
        new_folder(faves, window, node);
        break;
    case kRFavRefresh:
        refresh(faves, window);
        break;
    default:
        break;
    }
}

bool can_drop_into(const Tree& tree, int node, int target)
{
    if (node <= 1 || target < 1 || node > tree.Count() || target > tree.Count())
        return false;
    if (!is_folder_key(tree.Key(target)) || tree.Parent(node) == target)
        return false;
    for (int p = target; p != 0; p = tree.Parent(p)) {
        if (p == node)
            return false;
    }
    return true;
}

void DropOnFolder(ModFaves& faves, FavWindow& window, int node, int target)
{
    if (!faves.is_open(window) || faves.FavPath().empty())
        return;
    Tree& tree = window.fav_tree();
    if (!can_drop_into(tree, node, target))
        return;
    // The move acts on the dropped node as Move To acts on the selected one.
    tree.SetSelected(node, true);
    move_into(faves, window, node, tree.Key(target));
}

} // namespace driftway::favourites
