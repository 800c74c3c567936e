// Times one refresh of the favourites (scan, tree model and top-level menu)
// against a bare recursive listing of the same folder, and reports the memory
// the favourites take. Usage: favourites_refresh [items folders]...; 0 folders
// puts every item in the Favorites folder itself. Without arguments it
// measures 10,000 items in 1,000 folders, 100,000 items in 10,000 folders and
// 100,000 items in one folder.
#include "favourites/fav_menu.h"
#include "favourites/fav_window.h"
#include "favourites/mod_faves.h"
#include "favourites/tree_model.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace driftway;
using Clock = std::chrono::steady_clock;

class NoPrompts : public platform::Prompts {
public:
    platform::MsgAnswer message_box(const std::string&, const std::string&, platform::MsgButtons,
                                    platform::MsgIcon) override
    {
        return platform::MsgAnswer::Ok;
    }
    std::optional<std::string> open_file(const std::string&,
                                         const std::vector<platform::FileFilter>&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> save_file(const std::string&, const std::string&,
                                         const std::vector<platform::FileFilter>&) override
    {
        return std::nullopt;
    }
};

class NoShell : public platform::Shell {
public:
    void spawn(const std::vector<std::string>&, platform::WindowStyle) override {}
    void open_with_default(const std::string&) override {}
};

class NoDialogs : public favourites::FavDialogs {
public:
    std::optional<favourites::AddFavoriteChoice> AddFavorite(const std::string&, const std::string&,
                                                             const std::string&) override
    {
        return std::nullopt;
    }
    void OrganizeFavorites(const std::string&) override {}
    std::string BrowseForFolder(const std::string&) override { return {}; }
    void ShowProperties(const std::string&) override {}
};

// A window without a display: the tree model is real, and the menu's top
// level is described as a menu adapter would do on install.
class BenchWindow : public favourites::FavWindow {
public:
    favourites::TreeModel tree;
    std::size_t top_entries = 0;
    NoPrompts prompts_;
    NoShell shell_;
    NoDialogs dialogs_;
    std::shared_ptr<const favourites::FavMenu> menu;

    void NavNow(const std::string&) override {}
    std::string LocationURL() const override { return {}; }
    std::string LocationName() const override { return {}; }
    favourites::Tree& fav_tree() override { return tree; }
    void install_favorites_menu(std::shared_ptr<const favourites::FavMenu> m) override
    {
        // As the window does: the top level is made at once unless it is
        // very large, in which case it waits until the menu opens.
        menu = std::move(m);
        top_entries = menu->root_size();
        if (top_entries <= 2000)
            top_entries = menu->root().children.size();
    }
    void freeze_drawing() override {}
    void thaw_drawing() override {}
    void DoEvents() override {}
    favourites::FavDialogs& dialogs() override { return dialogs_; }
    platform::Prompts& prompts() override { return prompts_; }
    platform::Shell& shell() override { return shell_; }
    void open_folder_window(const std::string&) override {}
    void popup_context_menu() override {}
};

// A ten-way tree of folders, the items spread evenly over them.
void build(const fs::path& root, int items, int folders)
{
    std::vector<fs::path> paths;
    for (int i = 0; i < folders; ++i) {
        const fs::path parent = i < 10 ? root : paths[static_cast<std::size_t>(i / 10 - 1)];
        paths.push_back(parent / ("Folder " + std::to_string(i)));
        fs::create_directory(paths.back());
    }
    for (int k = 0; k < items; ++k) {
        std::ofstream out(paths[static_cast<std::size_t>(k % folders)] /
                              ("Favourite " + std::to_string(k) + ".url"),
                          std::ios::binary);
        out << "[InternetShortcut]\r\nURL=https://example.org/" << k << "\r\n";
    }
}

// Every item in the Favorites folder itself: the layout whose costs grow
// with the square of the size when a step walks a folder's list once per item.
void build_flat(const fs::path& root, int items)
{
    for (int k = 0; k < items; ++k) {
        std::ofstream out(root / ("Favourite " + std::to_string(k) + ".url"), std::ios::binary);
        out << "[InternetShortcut]\r\nURL=https://example.org/" << k << "\r\n";
    }
}

// What any program must do to see the same folder: read every directory once.
std::size_t bare_listing(const std::string& path)
{
    std::size_t entries = 0;
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return 0;
    std::vector<std::string> subfolders;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name == "." || name == "..")
            continue;
        ++entries;
        if (e->d_type == DT_DIR)
            subfolders.emplace_back(path + "/" + e->d_name);
    }
    ::closedir(dir);
    for (const auto& sub : subfolders)
        entries += bare_listing(sub);
    return entries;
}

double cpu_ms()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The best of several runs, by the wall clock and by the processor time the
// process used; the latter hardly moves when other programs load the machine.
struct Timing {
    double wall = 1e300;
    double cpu = 1e300;
};

template <class F> Timing best_of(int runs, F&& f)
{
    Timing best;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        const double cpu_start = cpu_ms();
        f();
        best.cpu = std::min(best.cpu, cpu_ms() - cpu_start);
        best.wall =
            std::min(best.wall, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return best;
}

double heap_mb()
{
    // Large blocks are mapped apart from the heap proper and count too.
    const auto info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

bool measure(int items, int folders)
{
    std::string pattern = (fs::temp_directory_path() / "driftway-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return false;
    const fs::path root = pattern;
    if (folders == 0)
        build_flat(root, items);
    else
        build(root, items, folders);
    ::setenv("DRIFTWAY_FAVORITES", root.c_str(), 1);

    const int runs = 7;
    std::size_t listed = 0;
    const Timing bare = best_of(runs, [&] { listed = bare_listing(root.string()); });

    const double heap_before = heap_mb();
    std::size_t scan_bytes = 0, tree_bytes = 0, nodes = 0, top = 0;
    Timing refresh;
    {
        favourites::ModFaves faves;
        BenchWindow window;
        faves.LoadFavorites(window);
        refresh = best_of(runs, [&] { faves.RefreshFavorites(window); });
        // The usual reason for a refresh: one favourite more in the largest folder.
        Timing changed;
        const fs::path biggest = folders == 0 ? root : root / "Folder 0";
        for (int i = 0; i < runs; ++i) {
            std::ofstream(biggest / ("Added " + std::to_string(i) + ".url"), std::ios::binary)
                << "[InternetShortcut]\r\nURL=https://example.org/added\r\n";
            const Timing one = best_of(1, [&] { faves.RefreshFavorites(window); });
            changed.wall = std::min(changed.wall, one.wall);
            changed.cpu = std::min(changed.cpu, one.cpu);
        }
        const double heap_after = heap_mb();
        scan_bytes = faves.scan_of(window)->memory_bytes();
        tree_bytes = window.tree.memory_bytes();
        nodes = static_cast<std::size_t>(window.tree.Count());
        top = window.top_entries;
        const std::string layout = folders == 0 ? "one folder" : std::to_string(folders) + " folders";
        std::printf("%d items in %s: %zu entries listed, %zu tree nodes, %zu top menu entries\n", items,
                    layout.c_str(), listed, nodes, top);
        std::printf("                          wall ms    cpu ms\n");
        std::printf("  bare recursive listing  %7.1f   %7.1f\n", bare.wall, bare.cpu);
        std::printf("  RefreshFavorites        %7.1f   %7.1f\n", refresh.wall, refresh.cpu);
        std::printf("  ratio                   %7.2f   %7.2f\n", refresh.wall / bare.wall,
                    refresh.cpu / bare.cpu);
        std::printf("  one favourite added     %7.1f   %7.1f\n", changed.wall, changed.cpu);
        std::printf("  ratio                   %7.2f   %7.2f\n", changed.wall / bare.wall,
                    changed.cpu / bare.cpu);
        std::printf("  memory: heap %.1f MB in use (estimates: scan %.1f MB, tree model %.1f MB)\n",
                    heap_after - heap_before, static_cast<double>(scan_bytes) / 1048576.0,
                    static_cast<double>(tree_bytes) / 1048576.0);
    }
    std::error_code ec;
    fs::remove_all(root, ec);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::pair<int, int>> sizes;
    for (int i = 1; i + 1 < argc; i += 2)
        sizes.emplace_back(std::atoi(argv[i]), std::atoi(argv[i + 1]));
    if (sizes.empty())
        sizes = {{10000, 1000}, {100000, 10000}, {100000, 0}};
    for (const auto& [items, folders] : sizes) {
        if (items < 0 || folders < 0 || !measure(items, folders)) {
            std::fprintf(stderr, "cannot measure %d items in %d folders\n", items, folders);
            return 1;
        }
    }
    return 0;
}
