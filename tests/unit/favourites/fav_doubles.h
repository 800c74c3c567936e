#pragma once

#include "favourites/fav_menu.h"
#include "favourites/fav_window.h"
#include "favourites/internet_shortcut.h"
#include "favourites/mod_faves.h"
#include "favourites/tree_model.h"
#include "tests/support/doubles.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace driftway::testing {

class FavDialogsDouble : public favourites::FavDialogs {
public:
    std::vector<std::string> calls;
    std::optional<favourites::AddFavoriteChoice> add_answer;
    std::string browse_answer;

    std::optional<favourites::AddFavoriteChoice> AddFavorite(const std::string& address,
                                                             const std::string& suggested_name,
                                                             const std::string& folder) override
    {
        calls.push_back("AddFavorite " + address + " | " + suggested_name + " | " + folder);
        return add_answer;
    }
    void OrganizeFavorites(const std::string& folder) override
    {
        calls.push_back("OrganizeFavorites " + folder);
    }
    std::string BrowseForFolder(const std::string& folder) override
    {
        calls.push_back("BrowseForFolder " + folder);
        return browse_answer;
    }
    void ShowProperties(const std::string& path) override { calls.push_back("ShowProperties " + path); }
};

class FavWindowDouble : public favourites::FavWindow {
public:
    favourites::TreeModel tree;
    PromptsDouble prompts_double;
    ShellDouble shell_double;
    FavDialogsDouble dialogs_double;
    std::string location_url = "about:blank";
    std::string location_name;
    std::vector<std::string> navigations;
    std::vector<std::string> folder_windows;
    std::shared_ptr<const favourites::FavMenu> menu;
    int menus_installed = 0;
    int frozen = 0; // freezes not yet thawed
    std::function<void()> on_do_events;

    void NavNow(const std::string& address) override { navigations.push_back(address); }
    std::string LocationURL() const override { return location_url; }
    std::string LocationName() const override { return location_name; }
    favourites::Tree& fav_tree() override { return tree; }
    void install_favorites_menu(std::shared_ptr<const favourites::FavMenu> m) override
    {
        menu = std::move(m);
        ++menus_installed;
    }
    void freeze_drawing() override { ++frozen; }
    void thaw_drawing() override { --frozen; }
    void DoEvents() override
    {
        if (on_do_events)
            on_do_events();
    }
    favourites::FavDialogs& dialogs() override { return dialogs_double; }
    platform::Prompts& prompts() override { return prompts_double; }
    platform::Shell& shell() override { return shell_double; }
    void open_folder_window(const std::string& folder) override { folder_windows.push_back(folder); }
    void popup_context_menu() override {}

    // Node texts in tree order, folders marked with a trailing "/".
    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (int i = 1; i <= tree.Count(); ++i)
            out.push_back(tree.Text(i) + (tree.Key(i).ends_with("/") ? "/" : ""));
        return out;
    }
    int node(const std::string& key) const { return favourites::find_node_by_key(tree, key); }
    std::string selected_key() const
    {
        return tree.SelectedItem() ? tree.Key(tree.SelectedItem()) : std::string("(none)");
    }
};

// A Favorites folder of its own, the module and one window of type W on it;
// paths are relative to the folder, folders with a trailing "/".
template <typename W> struct FavFolder {
    TempDir dir;
    ScopedEnv env{"DRIFTWAY_FAVORITES", dir.str()};
    favourites::ModFaves faves;
    W window;
    std::string root() const { return dir.str() + "/"; }
    int node(const std::string& relative) const { return window.node(root() + relative); }
    std::string url_file(const std::string& relative, const std::string& url) const
    {
        return dir.write(relative, favourites::internet_shortcut_text(url)).string();
    }
    void load() { faves.LoadFavorites(window); }
    void select(const std::string& relative)
    {
        ASSERT_NE(node(relative), 0) << relative;
        window.tree.SetSelected(node(relative), true);
    }
};
class FavFolderTest : public ::testing::Test, public FavFolder<FavWindowDouble> {};

} // namespace driftway::testing
