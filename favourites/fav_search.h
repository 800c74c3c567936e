#pragma once

#include <string>

namespace driftway::platform {
class Prompts;
}

namespace driftway::favourites {

class Tree;

inline constexpr const char* kSearchCaption = "&Search";
inline constexpr const char* kSearchNextCaption = "&Search Next...";
inline constexpr const char* kSearchButtonTooltip = "Search For Favorites";
inline constexpr const char* kSearchInitialText = "Favorites Search Term...";
inline constexpr const char* kSearchBoxTooltip = "Search For Reports. Enter Search Term...";
inline constexpr const char* kSearchNotFound = "Search term not found";
inline constexpr const char* kSearchNotFoundTitle = "Not Found";

// The search over the favourites tree's node texts, owned by the main window
// beside its tree. The window passes the search box's text on each press of
// cmdSearch and shows caption() on the button afterwards.
class FavSearch {
public:
    FavSearch(Tree& tree, platform::Prompts& prompts) : m_tree(tree), m_prompts(prompts) {}

    // One search step: selects and drop-highlights the next node after
    // SearchPos whose text contains `term` (ignoring case) and answers it; or
    // reports "Search term not found" and answers 0. Never wraps by itself.
    int cmdSearch_Click(const std::string& term);
    // The search box's text changed: the next search starts at the top.
    void txtSearch_Change() { m_search_pos = 0; }

    int SearchPos() const { return m_search_pos; }
    const std::string& caption() const { return m_caption; }

private:
    Tree& m_tree;
    platform::Prompts& m_prompts;
    int m_search_pos = 0;
    std::string m_caption = kSearchCaption;
};

// Lower case of UTF-8 text; stray bytes are read as display_name reads them.
std::string lower_text(const std::string& text);

} // namespace driftway::favourites
