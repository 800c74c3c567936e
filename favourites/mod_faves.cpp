#include "favourites/mod_faves.h"

#include "favourites/display_text.h"
#include "favourites/fav_menu.h"
#include "favourites/favorite_name.h"
#include "favourites/file_ops.h"
#include "favourites/internet_shortcut.h"
#include "favourites/paths.h"
#include "favourites/tree.h"
#include "platform/ini.h"
#include "platform/runtime_error.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace driftway::favourites {

namespace fs = std::filesystem;

namespace {

struct Located {
    std::string folder;  // without trailing "/"
    std::string problem; // why there is none
};

std::string home_folder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return {};
}

Located locate_favorites()
{
    std::string folder;
    if (const char* env = std::getenv("DRIFTWAY_FAVORITES"); env && *env) {
        folder = env;
    } else {
        std::string data;
        // The XDG rules say a relative XDG_DATA_HOME is to be ignored.
        if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
            data = xdg;
        } else {
            const std::string home = home_folder();
            if (home.empty())
                return {{}, "no home folder is known"};
            data = home + "/.local/share";
        }
        folder = data + "/Driftway/Favorites";
    }
    std::error_code ec;
    fs::path path(folder);
    if (path.is_relative())
        path = fs::current_path(ec) / path;
    std::string normal = path.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    if (normal.empty() || normal == "/")
        return {{}, "it would be the root of the file system"};

    fs::create_directories(normal, ec);
    struct stat st {};
    if (::stat(normal.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {{}, ec ? ec.message() : "it is not a folder"};
    const fs::path real = fs::canonical(normal, ec);
    if (!ec && real == "/")
        return {{}, "it would be the root of the file system"};
    return {normal, {}};
}

bool ends_with_url(std::string_view name)
{
    return name.size() >= 4 && platform::iequals(name.substr(name.size() - 4), ".url");
}

} // namespace

std::string ModFaves::GetSpecialFolder(int csidl)
{
    if (csidl != CSIDL_FAVORITES)
        return {};
    return locate_favorites().folder;
}

ModFaves::Entry* ModFaves::entry_of(const FavWindow& window)
{
    const auto it =
        std::find_if(m_windows.begin(), m_windows.end(), [&](const Entry& e) { return e.window == &window; });
    return it == m_windows.end() ? nullptr : &*it;
}

const ModFaves::Entry* ModFaves::entry_of(const FavWindow& window) const
{
    return const_cast<ModFaves*>(this)->entry_of(window);
}

FavWindow* ModFaves::FormFromHwnd(const FavWindow* window) const
{
    const Entry* entry = window ? entry_of(*window) : nullptr;
    return entry ? entry->window : nullptr;
}

std::shared_ptr<const FavScan> ModFaves::scan_of(const FavWindow& window) const
{
    const Entry* entry = entry_of(window);
    return entry ? entry->scan : nullptr;
}

std::vector<std::string> ModFaves::FavItems(const FavWindow& window) const
{
    std::vector<std::string> paths;
    if (const auto scan = scan_of(window)) {
        paths.reserve(scan->items().size());
        for (const FavItem& item : scan->items())
            paths.push_back(item.path);
    }
    return paths;
}

RefreshOutcome ModFaves::LoadFavorites(FavWindow& window)
{
    Entry* entry = entry_of(window);
    if (!entry) {
        m_windows.push_back({&window, nullptr, false});
        entry = &m_windows.back();
    }
    entry->pending = true;
    if (m_busy)
        return RefreshOutcome::Deferred;
    run_scans(window, ViewState::Reset);
    return RefreshOutcome::Done;
}

RefreshOutcome ModFaves::RefreshFavorites(FavWindow& window)
{
    if (m_busy) {
        m_refresh_all = true;
        return RefreshOutcome::Deferred;
    }
    for (Entry& e : m_windows)
        e.pending = true;
    run_scans(window, ViewState::Reset);
    return RefreshOutcome::Done;
}

RefreshOutcome ModFaves::RefreshKeepingView()
{
    if (m_busy) {
        m_refresh_keeping = true;
        return RefreshOutcome::Deferred;
    }
    if (m_windows.empty())
        return RefreshOutcome::Done;
    for (Entry& e : m_windows)
        e.pending = true;
    run_scans(*m_windows.front().window, ViewState::Keep);
    return RefreshOutcome::Done;
}

std::vector<std::shared_ptr<const FavScan>> ModFaves::shown_scans() const
{
    std::vector<std::shared_ptr<const FavScan>> scans;
    for (const Entry& e : m_windows) {
        if (e.scan && std::find(scans.begin(), scans.end(), e.scan) == scans.end())
            scans.push_back(e.scan);
    }
    return scans;
}

void ModFaves::WindowClosed(FavWindow& window)
{
    std::erase_if(m_windows, [&](const Entry& e) { return e.window == &window; });
}

void ModFaves::locate_folder(FavWindow& asking)
{
    const Located located = locate_favorites();
    m_fav_path = located.folder.empty() ? std::string() : located.folder + "/";
    if (located.folder.empty() && !m_told_unavailable && is_open(asking)) {
        m_told_unavailable = true;
        report(asking, std::string(kFolderUnavailable) + " It cannot be found or made (" + located.problem +
                           "), so the favourites show only the empty root.");
    }
}

void ModFaves::yield_once()
{
    // Any open window will do: DoEvents runs the events of every window.
    if (!m_windows.empty())
        m_windows.front().window->DoEvents();
}

void ModFaves::run_scans(FavWindow& asking, ViewState view)
{
    struct Busy {
        bool& flag;
        explicit Busy(bool& f) : flag(f) { flag = true; }
        ~Busy() { flag = false; }
    } busy(m_busy);

    FavWindow* teller = &asking;
    for (;;) {
        m_refresh_all = false;
        m_refresh_keeping = false;
        locate_folder(*teller);
        // The scan on show settles the order of what has not changed.
        const std::shared_ptr<const FavScan> earlier = m_latest;
        auto scan = std::make_shared<const FavScan>(FavScan::read(
            m_fav_path, [this] { yield_once(); }, earlier.get()));
        auto menu = std::make_shared<const FavMenu>(scan);
        m_latest = scan;
        // Windows may have come or gone while the scan yielded; index by
        // position because applying never changes the registry.
        for (std::size_t i = 0; i < m_windows.size(); ++i) {
            if (m_windows[i].pending)
                apply(m_windows[i], scan, menu, view);
        }
        if (!m_refresh_all && !m_refresh_keeping)
            break;
        // A refresh asked for plainly resets the views even when a kept one
        // was asked for too: its caller expects the tree it knows.
        view = m_refresh_all ? ViewState::Reset : ViewState::Keep;
        for (Entry& e : m_windows)
            e.pending = true;
        if (m_windows.empty())
            break;
        teller = m_windows.front().window;
    }
}

namespace {

// What a window's tree showed before a rebuild that keeps it.
struct KeptView {
    bool root_expanded = true;
    std::unordered_set<std::string> expanded;
    // The selected node's key followed by its ancestors' keys, nearest first;
    // empty when nothing was selected.
    std::vector<std::string> selected_line;
};

std::optional<KeptView> remember_view(const Tree& tree, const std::string& root_key)
{
    if (tree.Count() < 1 || tree.Key(1) != root_key)
        return std::nullopt;
    KeptView kept;
    kept.root_expanded = tree.Expanded(1);
    for (int i = 2; i <= tree.Count(); ++i) {
        if (tree.Expanded(i))
            kept.expanded.insert(tree.Key(i));
    }
    for (int node = tree.SelectedItem(); node != 0; node = tree.Parent(node))
        kept.selected_line.push_back(tree.Key(node));
    return kept;
}

void restore_view(Tree& tree, const KeptView& kept)
{
    tree.SetExpanded(1, kept.root_expanded);
    const bool root_selected = kept.selected_line.size() == 1;
    if (kept.expanded.empty() && root_selected) {
        tree.SetSelected(1, true);
        return;
    }
    // One pass over the nodes: expand the remembered folders and find the
    // nearest surviving node of the selection's line.
    std::size_t best = kept.selected_line.size();
    int best_node = 0;
    for (int i = 2; i <= tree.Count(); ++i) {
        const std::string& key = tree.Key(i);
        if (kept.expanded.contains(key))
            tree.SetExpanded(i, true);
        for (std::size_t rank = 0; rank < best; ++rank) {
            if (kept.selected_line[rank] == key) {
                best = rank;
                best_node = i;
                break;
            }
        }
    }
    if (best_node != 0)
        tree.SetSelected(best_node, true);
    else if (!kept.selected_line.empty())
        tree.SetSelected(1, true);
}

} // namespace

void ModFaves::apply(Entry& entry, const std::shared_ptr<const FavScan>& scan,
                     const std::shared_ptr<const FavMenu>& menu, ViewState view)
{
    entry.pending = false;
    entry.scan = scan;
    FavWindow& window = *entry.window;
    Tree& tree = window.fav_tree();
    {
        FrozenTree frozen(tree);
        std::optional<KeptView> kept;
        if (view == ViewState::Keep)
            kept = remember_view(tree, scan->root_key());
        tree.Clear();
        scan->fill_tree(tree);
        if (tree.Count() >= 1) {
            if (kept) {
                restore_view(tree, *kept);
            } else {
                tree.SetExpanded(1, true);
                tree.SetSelected(1, true);
            }
        }
    }
    window.install_favorites_menu(menu);
}

bool ModFaves::FavWndProc(FavWindow& window, int id, const FavScan* drawn_from)
{
    if (!is_open(window))
        return false;
    if (id > kIdFirstItem) {
        // The scan is held while the path is read: opening may rescan.
        const auto current = scan_of(window);
        const FavScan* scan = drawn_from ? drawn_from : current.get();
        if (const FavItem* item = scan ? scan->item(id - kIdFirstItem) : nullptr) {
            const std::string path = item->path;
            open_picked(window, path);
        }
        return true;
    }
    if (id == kIdAddToFavorites) {
        AddToFavorites(window);
        return true;
    }
    if (id == kIdOrganizeFavorites) {
        OrganizeFavorites(window);
        return true;
    }
    return id == kIdSeparator;
}

void ModFaves::open_picked(FavWindow& window, const std::string& path)
{
    if (ensure_exists(window, path))
        OpenFavorite(path, window);
}

void ModFaves::OpenFavorite(const std::string& path, FavWindow& window)
{
    FavWindow* form = FormFromHwnd(&window);
    if (!form || !FileExists(path))
        return;
    std::string ext = GetExtension(std::string(base_name(path)), WithDot::No);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    try {
        if (ext == "url") {
            const std::string address = ReadINI(path, "InternetShortcut", "URL");
            if (!address.empty() && address != form->LocationURL())
                form->NavNow(address);
        } else if (ext == "lnk") {
            form->shell().open_with_default(path);
        }
    } catch (const platform::RuntimeError&) {
        // Opening a favourite ends silently at its first error.
    }
}

void ModFaves::AddToFavorites(FavWindow& window)
{
    if (!is_open(window))
        return;
    window.freeze_drawing();
    const auto thaw = [&] {
        if (is_open(window))
            window.thaw_drawing();
    };
    if (m_fav_path.empty()) {
        thaw();
        report(window, kFolderUnavailable);
        return;
    }
    const std::string address = window.LocationURL();
    const std::string suggested = safe_file_name(suggested_favorite_name(window.LocationName(), address));
    const auto choice = window.dialogs().AddFavorite(address, suggested, strip_slash(m_fav_path));
    if (!is_open(window))
        return;

    std::string problem;
    if (choice) {
        const std::string name = safe_file_name(choice->name);
        std::string folder = choice->folder.empty() ? strip_slash(m_fav_path) : strip_slash(choice->folder);
        const std::string path = folder + "/" + name + (ends_with_url(name) ? "" : ".url");
        bool write = true;
        if (FileExists(path)) {
            write =
                window.prompts().message_box("A favourite named \"" + display_name(name) +
                                                 "\" is already in this folder. Do you want to replace it?",
                                             "Add Favorite", platform::MsgButtons::YesNo,
                                             platform::MsgIcon::Question) == platform::MsgAnswer::Yes;
        }
        if (write && is_open(window)) {
            if (const auto error = write_internet_shortcut(path, address))
                problem = *error;
        }
    }
    // The dialog may have made folders even when it was cancelled.
    if (is_open(window))
        RefreshFavorites(window);
    thaw();
    if (!problem.empty() && is_open(window))
        report(window, problem);
}

void ModFaves::OrganizeFavorites(FavWindow& window)
{
    if (!is_open(window))
        return;
    window.freeze_drawing();
    if (m_fav_path.empty()) {
        window.thaw_drawing();
        report(window, kFolderUnavailable);
        return;
    }
    try {
        window.dialogs().OrganizeFavorites(strip_slash(m_fav_path));
        if (is_open(window))
            RefreshFavorites(window);
    } catch (const platform::RuntimeError&) {
        // Without the dialog there is nothing to refresh; drawing still resumes.
    }
    if (is_open(window))
        window.thaw_drawing();
}

PicFavAction ModFaves::PicFav_Click(FavWindow& window, int index)
{
    switch (index) {
    case 0:
        AddToFavorites(window);
        break;
    case 1:
        OrganizeFavorites(window);
        break;
    case 2:
        return PicFavAction::ToggleFavoritesPane;
    default:
        break;
    }
    return PicFavAction::Done;
}

std::string ModFaves::UniqueFileName(const std::string& path)
{
    UniqueName unique = unique_file_name(path);
    m_last_unique_name = std::move(unique.name);
    return unique.path;
}

void ModFaves::TreeMouseUp(FavWindow& window, MouseButton button, double x, double y)
{
    Tree& tree = window.fav_tree();
    const int index = tree.HitTest(x, y);
    if (index <= 1)
        return;
    if (button == MouseButton::Left) {
        const std::string key = tree.Key(index);
        if (!is_folder_key(key))
            open_picked(window, key);
    } else if (button == MouseButton::Right) {
        window.popup_context_menu();
    }
}

void ModFaves::TreeOpenSelected(FavWindow& window)
{
    Tree& tree = window.fav_tree();
    const int index = tree.SelectedItem();
    if (index <= 1)
        return;
    const std::string key = tree.Key(index);
    if (!is_folder_key(key))
        open_picked(window, key);
}

LabelEdit ModFaves::AfterLabelEdit(FavWindow& window, const std::string& new_string)
{
    Tree& tree = window.fav_tree();
    const int selected = tree.SelectedItem();
    // The root is the Favorites folder itself; it is not renamed from here.
    if (selected <= 1)
        return LabelEdit::Cancel;
    const std::string key = tree.Key(selected);
    const bool folder = is_folder_key(key);
    const bool was_expanded = folder && tree.Expanded(selected);
    if (tree.Text(selected) == new_string)
        return LabelEdit::Cancel;

    if (const auto refusal = rename_refusal(new_string, folder ? EntryKind::Folder : EntryKind::File)) {
        report(window, *refusal);
        return LabelEdit::Cancel;
    }

    const std::string old_path = strip_slash(key);
    if (!ensure_exists(window, old_path))
        return LabelEdit::Cancel;

    // An item keeps the tail its text hides, so that a shell link stays one;
    // an Internet shortcut gets ".url".
    std::string tail;
    if (!folder) {
        const std::string_view name = base_name(old_path);
        tail = ends_with_url(name) ? ".url" : std::string(name.substr(item_name(name).hidden_at));
    }
    const std::string new_path = GetParentFolder(old_path) + "/" + new_string + tail;

    FrozenTree frozen(tree);
    const FileOpResult result = RenameFile(old_path, new_path);
    RefreshFavorites(window);
    if (!is_open(window)) {
        frozen.abandon();
        return LabelEdit::Cancel;
    }
    const std::string landed = result.final_path.empty() ? new_path : result.final_path;
    if (const int index = find_node_by_key(tree, folder ? landed + "/" : landed)) {
        if (was_expanded)
            tree.SetExpanded(index, true);
        tree.SetSelected(index, true);
        tree.EnsureVisible(index);
    }
    frozen.release();
    if (!result.ok()) {
        report(window, result.message);
        return LabelEdit::Cancel;
    }
    return LabelEdit::Accept;
}

void ModFaves::report(FavWindow& window, const std::string& text) const
{
    window.prompts().message_box(text, platform::kAppTitle, platform::MsgButtons::Ok,
                                 platform::MsgIcon::Exclamation);
}

bool ModFaves::ensure_exists(FavWindow& window, const std::string& path)
{
    if (FileExists(path))
        return true;
    RefreshFavorites(window);
    if (is_open(window))
        report(window, "\"" + display_path(path) +
                           "\" is no longer there. The favourites now show the folder as it is.");
    return false;
}

} // namespace driftway::favourites
