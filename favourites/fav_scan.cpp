#include "favourites/fav_scan.h"

#include "favourites/display_text.h"
#include "favourites/name_order.h"
#include "platform/atomic_file.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace driftway::favourites {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Which folder on disk a listed name stood for. The folder read later under
// that name must still be the same one: a folder replaced meanwhile (by a link
// to an ancestor, say) would show what lies elsewhere under its name.
struct FolderId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FolderId&) const = default;
};

// One folder as listed. The names share one buffer: a folder of a hundred
// thousand favourites is then a few allocations rather than a hundred
// thousand. A vector keeps its buffer where it is when moved, so the views
// stay good.
struct Listing {
    std::vector<char> text;
    std::vector<std::string_view> folders; // sorted
    // Beside folders; none when the folder could not be looked at (its
    // parent can be listed but not searched), so that it is not read either.
    std::vector<std::optional<FolderId>> folder_ids;
    std::vector<std::string_view> files; // sorted
};

enum class ListedAs { Folder, File, LeftOut };

ListedAs classify(int dir_fd, const dirent& entry)
{
    const char* name = entry.d_name;
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {
        struct stat st {};
        if (::fstatat(dir_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return ListedAs::LeftOut;
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    }
    if (type == DT_DIR)
        return name[0] == '.' ? ListedAs::LeftOut : ListedAs::Folder;
    if (type == DT_LNK) {
        // A link to a folder is a directory that is not a plain one: left out
        // of both passes. A link to a file, or a broken one, is a file.
        struct stat st {};
        if (::fstatat(dir_fd, name, &st, 0) == 0 && S_ISDIR(st.st_mode))
            return ListedAs::LeftOut;
    }
    // What an atomic write that was cut off left behind is no favourite.
    if (platform::is_atomic_temp_name(name))
        return ListedAs::LeftOut;
    return ListedAs::File;
}

// What an earlier scan saw in the same folder, in its order.
struct Earlier {
    std::vector<std::string_view> folders;
    std::vector<std::string_view> files;
};

template <class T> void permute(std::vector<T>& values, const std::vector<std::uint32_t>& order)
{
    std::vector<T> out;
    out.reserve(values.size());
    for (const std::uint32_t i : order)
        out.push_back(std::move(values[i]));
    values = std::move(out);
}

// One read of one folder; a folder that cannot be read, or that is no longer
// the one its parent listed, gives nothing.
Listing list_folder(const std::string& path, const FolderId* expected, const Earlier& earlier)
{
    Listing listing;
    // The root may well be a link; every other folder is checked by identity.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return listing;
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return listing;
    }
    if (expected) {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || FolderId{st.st_dev, st.st_ino} != *expected)
            return listing;
    }
    // Spans of the text, made views once it has stopped growing.
    struct Span {
        std::size_t offset;
        std::size_t length;
    };
    std::vector<Span> folders, files;
    files.reserve(earlier.files.size() + earlier.files.size() / 8 + 8);
    listing.text.reserve(files.capacity() * 24);
    const auto keep = [&](std::string_view name) {
        const Span span{listing.text.size(), name.size()};
        listing.text.insert(listing.text.end(), name.begin(), name.end());
        return span;
    };
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        switch (classify(fd, *entry)) {
        case ListedAs::Folder: {
            struct stat st {};
            const bool known = ::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0;
            if (known && !S_ISDIR(st.st_mode))
                break;
            folders.push_back(keep(name));
            listing.folder_ids.push_back(known ? std::optional<FolderId>(FolderId{st.st_dev, st.st_ino})
                                               : std::nullopt);
            break;
        }
        case ListedAs::File:
            files.push_back(keep(name));
            break;
        case ListedAs::LeftOut:
            break;
        }
    }
    const auto views = [&](const std::vector<Span>& spans) {
        std::vector<std::string_view> result;
        result.reserve(spans.size());
        for (const Span& span : spans)
            result.emplace_back(listing.text.data() + span.offset, span.length);
        return result;
    };
    listing.folders = views(folders);
    listing.files = views(files);
    const std::vector<std::uint32_t> folder_order = name_order(listing.folders, earlier.folders);
    permute(listing.folders, folder_order);
    permute(listing.folder_ids, folder_order);
    permute(listing.files, name_order(listing.files, earlier.files));
    return listing;
}

// The earlier scan's folders by key, to find what it saw in each.
class EarlierScan {
public:
    explicit EarlierScan(const FavScan* scan) : m_scan(scan)
    {
        if (!scan)
            return;
        m_by_key.reserve(scan->folders().size());
        for (std::size_t f = 0; f < scan->folders().size(); ++f)
            m_by_key.emplace(scan->folders()[f].key, static_cast<int>(f));
    }

    Earlier of(const std::string& key) const
    {
        Earlier earlier;
        const auto found = m_by_key.find(key);
        if (found == m_by_key.end())
            return earlier;
        const FavFolder& folder = m_scan->folders()[static_cast<std::size_t>(found->second)];
        for (int c = folder.first_child; c >= 0;
             c = m_scan->folders()[static_cast<std::size_t>(c)].next_sibling) {
            const std::string_view child = m_scan->folders()[static_cast<std::size_t>(c)].key;
            earlier.folders.push_back(child.substr(key.size(), child.size() - key.size() - 1));
        }
        earlier.files.reserve(static_cast<std::size_t>(folder.item_count));
        for (int i = folder.first_item; i < folder.first_item + folder.item_count; ++i)
            earlier.files.push_back(
                std::string_view(m_scan->items()[static_cast<std::size_t>(i)].path).substr(key.size()));
        return earlier;
    }

private:
    const FavScan* m_scan;
    std::unordered_map<std::string_view, int> m_by_key;
};

} // namespace

FavScan::FavScan(std::string root_key)
{
    FavFolder root;
    root.key = std::move(root_key);
    root.text = "Favorites";
    m_folders.push_back(std::move(root));
}

FavScan FavScan::read(const std::string& root_key, const std::function<void()>& yield, const FavScan* earlier)
{
    FavScan scan(root_key);
    if (root_key.empty())
        return scan;
    const EarlierScan before(earlier);

    // First every folder is read, each once, depth first; then the items are
    // numbered in the order the tree shows them.
    std::vector<Listing> listed(1);
    std::vector<std::optional<FolderId>> ids_of(1);
    std::vector<int> to_read{0};
    while (!to_read.empty()) {
        const int f = to_read.back();
        to_read.pop_back();
        const auto& id = ids_of[static_cast<std::size_t>(f)];
        Listing listing;
        if (f == 0 || id) {
            // Not kept past the call: adding folders below moves the keys.
            const std::string& key = scan.m_folders[static_cast<std::size_t>(f)].key;
            listing = list_folder(key, f == 0 ? nullptr : &*id, before.of(key));
        }
        int previous = -1;
        const std::size_t first_new = scan.m_folders.size();
        ids_of.insert(ids_of.end(), listing.folder_ids.begin(), listing.folder_ids.end());
        for (const std::string_view name : listing.folders) {
            FavFolder folder;
            folder.key.append(scan.m_folders[static_cast<std::size_t>(f)].key).append(name).append("/");
            folder.text = display_name(name);
            folder.parent = f;
            const int index = static_cast<int>(scan.m_folders.size());
            scan.m_folders.push_back(std::move(folder));
            if (previous < 0)
                scan.m_folders[static_cast<std::size_t>(f)].first_child = index;
            else
                scan.m_folders[static_cast<std::size_t>(previous)].next_sibling = index;
            previous = index;
        }
        listed.resize(scan.m_folders.size());
        listed[static_cast<std::size_t>(f)] = std::move(listing);
        for (std::size_t i = scan.m_folders.size(); i > first_new; --i)
            to_read.push_back(static_cast<int>(i - 1));
        if (yield)
            yield();
    }

    std::size_t total = 0;
    for (const Listing& listing : listed)
        total += listing.files.size();
    scan.m_items.reserve(total);

    struct Frame {
        int folder;
        int next_child;
    };
    std::vector<Frame> stack{{0, scan.m_folders[0].first_child}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next_child >= 0) {
            const int child = top.next_child;
            top.next_child = scan.m_folders[static_cast<std::size_t>(child)].next_sibling;
            stack.push_back({child, scan.m_folders[static_cast<std::size_t>(child)].first_child});
            continue;
        }
        const int f = top.folder;
        stack.pop_back();
        FavFolder& folder = scan.m_folders[static_cast<std::size_t>(f)];
        folder.first_item = static_cast<int>(scan.m_items.size());
        const std::vector<std::string_view>& files = listed[static_cast<std::size_t>(f)].files;
        folder.item_count = static_cast<int>(files.size());
        for (const std::string_view file : files) {
            FavItem item;
            item.path.reserve(folder.key.size() + file.size());
            item.path.append(folder.key).append(file);
            item.folder = f;
            if (shows_as_is(file)) {
                item.text_pos = static_cast<std::uint32_t>(folder.key.size());
                item.text_len = static_cast<std::uint32_t>(file.size() > 4 ? file.size() - 4 : file.size());
            } else {
                item.converted = item_name(file).text;
            }
            scan.m_items.push_back(std::move(item));
        }
    }
    return scan;
}

const FavItem* FavScan::item(int k) const
{
    if (k < 1 || static_cast<std::size_t>(k) > m_items.size())
        return nullptr;
    return &m_items[static_cast<std::size_t>(k - 1)];
}

std::vector<int> FavScan::subfolders(int folder) const
{
    std::vector<int> result;
    for (int c = m_folders.at(static_cast<std::size_t>(folder)).first_child; c >= 0;
         c = m_folders[static_cast<std::size_t>(c)].next_sibling)
        result.push_back(c);
    return result;
}

void FavScan::fill_tree(Tree& tree) const
{
    const FavFolder& root = m_folders.front();
    tree.Add(std::nullopt, Relationship::Child, root.key, root.text, kImageFolder, kImageFolderSelected);
    AddFolders(tree, 0);
    AddFavoriteItems(tree, 0);
}

void FavScan::AddFolders(Tree& tree, int folder) const
{
    // The explicit stack stands in for the recursion: a folder's node, then
    // its subtree, then its items, exactly as a recursive pass would add them.
    struct Frame {
        int folder;
        int next_child;
    };
    std::vector<Frame> stack{{folder, m_folders.at(static_cast<std::size_t>(folder)).first_child}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next_child < 0) {
            const int done = top.folder;
            stack.pop_back();
            if (!stack.empty())
                AddFavoriteItems(tree, done);
            continue;
        }
        const FavFolder& child = m_folders[static_cast<std::size_t>(top.next_child)];
        const int child_index = top.next_child;
        top.next_child = child.next_sibling;
        tree.Add(m_folders[static_cast<std::size_t>(child.parent)].key, Relationship::Child, child.key,
                 child.text, kImageFolder, kImageFolderSelected);
        stack.push_back({child_index, child.first_child});
    }
}

void FavScan::AddFavoriteItems(Tree& tree, int folder) const
{
    const FavFolder& f = m_folders.at(static_cast<std::size_t>(folder));
    for (int i = f.first_item; i < f.first_item + f.item_count; ++i) {
        const FavItem& item = m_items[static_cast<std::size_t>(i)];
        tree.Add(f.key, Relationship::Child, item.path, item.text(), kImageItem, kImageItem);
    }
}

std::size_t FavScan::memory_bytes() const
{
    const auto heap = [](const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; };
    std::size_t bytes = m_folders.capacity() * sizeof(FavFolder) + m_items.capacity() * sizeof(FavItem);
    for (const FavFolder& f : m_folders)
        bytes += heap(f.key) + heap(f.text);
    for (const FavItem& i : m_items)
        bytes += heap(i.path) + heap(i.converted);
    return bytes;
}

} // namespace driftway::favourites
