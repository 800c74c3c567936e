#include "favourites/bookmarks_import.h"

#include "favourites/file_ops.h"
#include "favourites/internet_shortcut.h"
#include "favourites/markup_filter.h"
#include "platform/atomic_file.h"

#include <libxml/HTMLparser.h>
#include <libxml/xmlerror.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace driftway::favourites {

namespace {

// Titles longer than this are cut long before they become file names; the
// limit keeps a hostile file from growing one title without end.
constexpr std::size_t kTitleLimit = 1 << 16;
constexpr std::size_t kChunk = 1 << 16;

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lower(text[i]) != lower(prefix[i]))
            return false;
    }
    return true;
}

bool contains_ignoring_case(std::string_view text, std::string_view word)
{
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
        if (starts_with_ignoring_case(text.substr(i), word))
            return true;
    }
    return false;
}

// Exported bookmark files declare their character set; one that does not is
// read as UTF-8 (the parser falls back to Latin-1 on bytes that are not).
xmlCharEncoding encoding_for(std::string_view head)
{
    if (head.starts_with("\xEF\xBB\xBF") || head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF"))
        return XML_CHAR_ENCODING_NONE;
    if (contains_ignoring_case(head, "charset"))
        return XML_CHAR_ENCODING_NONE;
    return XML_CHAR_ENCODING_UTF8;
}

std::string trimmed_title(const std::string& text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; };
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// Keeps libxml2 from printing its complaints about broken input on the
// terminal while a file is read; the settings are the thread's own.
class QuietXmlErrors {
public:
    QuietXmlErrors()
    {
        xmlInitParser();
        m_generic = xmlGenericError;
        m_generic_context = xmlGenericErrorContext;
        m_structured = xmlStructuredError;
        m_structured_context = xmlStructuredErrorContext;
        xmlSetGenericErrorFunc(nullptr, &QuietXmlErrors::ignore);
        xmlSetStructuredErrorFunc(nullptr, nullptr);
    }
    ~QuietXmlErrors()
    {
        xmlSetGenericErrorFunc(m_generic_context, m_generic);
        xmlSetStructuredErrorFunc(m_structured_context, m_structured);
    }
    QuietXmlErrors(const QuietXmlErrors&) = delete;
    QuietXmlErrors& operator=(const QuietXmlErrors&) = delete;

private:
    static void ignore(void*, const char*, ...) {}

    xmlGenericErrorFunc m_generic = nullptr;
    void* m_generic_context = nullptr;
    xmlStructuredErrorFunc m_structured = nullptr;
    void* m_structured_context = nullptr;
};

// Turns the parser's stream of elements into folders and links. Browsers
// write a folder as <DT><H3>title</H3> followed by a <DL> with its contents;
// the parser nests these elements in varying ways when it closes them, so
// only their order is relied on: a <DL> opens the folder named by the <H3>
// just before it, or continues the current folder when there is none.
class BookmarkParser {
public:
    explicit BookmarkParser(std::string_view head)
    {
        htmlSAXHandler sax;
        std::memset(&sax, 0, sizeof sax);
        sax.startElement = &BookmarkParser::on_start;
        sax.endElement = &BookmarkParser::on_end;
        sax.characters = &BookmarkParser::on_characters;
        sax.internalSubset = &BookmarkParser::on_doctype;
        const auto first = head.substr(0, std::min<std::size_t>(head.size(), 4));
        m_context.reset(htmlCreatePushParserCtxt(&sax, this, first.data(), static_cast<int>(first.size()),
                                                 nullptr, encoding_for(head)));
        if (m_context)
            htmlCtxtUseOptions(m_context.get(), HTML_PARSE_RECOVER | HTML_PARSE_NOERROR |
                                                    HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
        m_skip = first.size();
    }

    // The parser calls back into this object, which therefore stays put.
    BookmarkParser(const BookmarkParser&) = delete;
    BookmarkParser& operator=(const BookmarkParser&) = delete;

    void feed(std::string_view input)
    {
        // The first bytes, given to the parser when it was made, come out of
        // the filter unchanged.
        m_filtered.clear();
        m_filter.filter(input, m_filtered);
        std::string_view data = m_filtered;
        data.remove_prefix(std::min(m_skip, data.size()));
        m_skip = 0;
        while (m_context && !data.empty()) {
            const std::size_t n = std::min(data.size(), kChunk);
            htmlParseChunk(m_context.get(), data.data(), static_cast<int>(n), 0);
            data.remove_prefix(n);
        }
    }

    std::variant<BookmarkTree, std::string> finish()
    {
        if (!m_context)
            return std::string("the bookmark reader could not start");
        htmlParseChunk(m_context.get(), nullptr, 0, 1);
        if (!m_netscape_doctype && m_structured == 0)
            return std::string("it is not a bookmark file");
        return std::move(m_tree);
    }

private:
    struct ContextFree {
        void operator()(htmlParserCtxt* context) const { htmlFreeParserCtxt(context); }
    };
    enum class Capture { None, FolderTitle, LinkTitle };

    static BookmarkParser& self(void* data) { return *static_cast<BookmarkParser*>(data); }
    static std::string_view name_of(const xmlChar* name) { return reinterpret_cast<const char*>(name); }

    static void on_doctype(void* data, const xmlChar* name, const xmlChar*, const xmlChar*)
    {
        if (name && starts_with_ignoring_case(name_of(name), "netscape-bookmark-file"))
            self(data).m_netscape_doctype = true;
    }

    static void on_start(void* data, const xmlChar* name, const xmlChar** attributes)
    {
        auto& p = self(data);
        const std::string_view element = name_of(name);
        if (element == "dt") {
            ++p.m_dt_depth;
        } else if (element == "dl") {
            p.m_open.push_back(p.m_pending_folder.value_or(p.current()));
            p.m_pending_folder.reset();
        } else if (element == "h3" && p.m_capture == Capture::None) {
            p.m_pending_folder.reset();
            p.begin_capture(Capture::FolderTitle);
        } else if (element == "a" && p.m_capture == Capture::None) {
            p.m_pending_folder.reset();
            p.m_href.clear();
            for (std::size_t i = 0; attributes && attributes[i]; i += 2) {
                if (name_of(attributes[i]) == "href" && attributes[i + 1])
                    p.m_href = name_of(attributes[i + 1]);
            }
            p.begin_capture(Capture::LinkTitle);
        }
    }

    static void on_end(void* data, const xmlChar* name)
    {
        auto& p = self(data);
        const std::string_view element = name_of(name);
        if (element == "dt") {
            if (p.m_dt_depth > 0)
                --p.m_dt_depth;
        } else if (element == "dl") {
            p.m_pending_folder.reset();
            if (!p.m_open.empty())
                p.m_open.pop_back();
        } else if (element == "h3" && p.m_capture == Capture::FolderTitle) {
            p.end_folder_title();
        } else if (element == "a" && p.m_capture == Capture::LinkTitle) {
            p.end_link();
        }
    }

    static void on_characters(void* data, const xmlChar* text, int length)
    {
        auto& p = self(data);
        if (p.m_capture == Capture::None || length <= 0 || p.m_text.size() >= kTitleLimit)
            return;
        const std::size_t n = std::min(static_cast<std::size_t>(length), kTitleLimit - p.m_text.size());
        p.m_text.append(reinterpret_cast<const char*>(text), n);
    }

    std::size_t current() const { return m_open.empty() ? BookmarkEntry::kTopLevel : m_open.back(); }

    void begin_capture(Capture capture)
    {
        m_capture = capture;
        m_text.clear();
    }

    void end_folder_title()
    {
        m_capture = Capture::None;
        if (m_dt_depth == 0)
            return; // a heading outside the list, such as a stray <H3>
        ++m_structured;
        BookmarkEntry folder;
        folder.kind = BookmarkEntry::Kind::Folder;
        folder.title = trimmed_title(m_text);
        folder.parent = current();
        m_tree.entries.push_back(std::move(folder));
        m_pending_folder = m_tree.entries.size() - 1;
    }

    void end_link()
    {
        m_capture = Capture::None;
        if (m_dt_depth == 0)
            return; // links in headings or descriptions are not bookmarks
        ++m_structured;
        if (m_href.find(MarkupFilter::kCutMark) != std::string::npos) {
            ++m_tree.long_links;
            return;
        }
        std::string url = clean_address(m_href);
        if (url.size() > kMaxImportedAddress) {
            ++m_tree.long_links;
            return;
        }
        // Firefox's "place:" entries are queries into its own history and
        // lead nowhere in another browser.
        if (url.empty() || starts_with_ignoring_case(url, "place:")) {
            ++m_tree.unusable_links;
            return;
        }
        BookmarkEntry link;
        link.kind = BookmarkEntry::Kind::Link;
        link.title = trimmed_title(m_text);
        if (link.title.empty())
            link.title = url;
        link.url = std::move(url);
        link.parent = current();
        m_tree.entries.push_back(std::move(link));
    }

    QuietXmlErrors m_quiet;
    MarkupFilter m_filter;
    std::string m_filtered;
    std::unique_ptr<htmlParserCtxt, ContextFree> m_context;
    std::size_t m_skip = 0;
    BookmarkTree m_tree;
    std::vector<std::size_t> m_open; // the folder of each <DL> that is open
    std::optional<std::size_t> m_pending_folder;
    Capture m_capture = Capture::None;
    std::string m_text;
    std::string m_href;
    int m_dt_depth = 0;
    std::size_t m_structured = 0;
    bool m_netscape_doctype = false;
};

std::string join(const std::string& folder, const std::string& name)
{
    return folder == "/" ? folder + name : folder + "/" + name;
}

// Writes `text` to a new file at `path`, flushed to disk; fails with EEXIST
// rather than replace anything.
int write_new_file(const std::string& path, std::string_view text, bool flush)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    int err = 0;
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            err = errno;
            break;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    if (err == 0 && flush && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err != 0)
        ::unlink(path.c_str());
    return err;
}

// Writes the parsed tree into the Favorites folder. Folders are created as
// they come. Shortcut files are first written into one hidden staging
// folder, flushed to disk together, and only then moved to their names, so
// that each appears whole or not at all without a flush per file. What was
// created is recorded, so that a failure can be undone.
class ImportWriter {
public:
    ImportWriter(std::string root, ImportResult& result) : m_root(std::move(root)), m_result(result) {}

    ~ImportWriter()
    {
        if (m_root_fd >= 0)
            ::close(m_root_fd);
    }
    ImportWriter(const ImportWriter&) = delete;
    ImportWriter& operator=(const ImportWriter&) = delete;

    std::optional<std::string> run(const BookmarkTree& tree, const ImportProgress& progress)
    {
        m_root_fd = ::open(m_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (m_root_fd < 0)
            return "Cannot import into \"" + display_path_short(m_root) + "\": " + std::strerror(errno);

        const std::size_t total = tree.entries.size();
        std::vector<std::string> folder_paths(total);
        if (progress)
            progress(0, total);
        for (std::size_t i = 0; i < total; ++i) {
            const BookmarkEntry& entry = tree.entries[i];
            const std::string& parent =
                entry.parent == BookmarkEntry::kTopLevel ? m_root : folder_paths[entry.parent];
            std::optional<std::string> error;
            if (entry.kind == BookmarkEntry::Kind::Folder)
                error = add_folder(entry.title, parent, folder_paths[i]);
            else
                error = add_link(entry, parent);
            if (error)
                return error;
            // The last step is reported once the files are in place.
            if (progress && (i + 1) % 128 == 0 && i + 1 < total)
                progress(i + 1, total);
        }
        if (auto error = commit())
            return error;
        if (progress && total > 0)
            progress(total, total);
        return std::nullopt;
    }

    void roll_back()
    {
        for (auto it = m_created_files.rbegin(); it != m_created_files.rend(); ++it)
            ::unlink(it->c_str());
        for (const auto& staged : m_staged)
            ::unlink(staged.path.c_str());
        if (!m_staging.empty())
            ::rmdir(m_staging.c_str());
        for (auto it = m_created_folders.rbegin(); it != m_created_folders.rend(); ++it)
            ::rmdir(it->c_str());
    }

private:
    struct NameSeries {
        unsigned next = 1;
        // Addresses held by the names of the series so far; they point into the
        // parsed tree or into m_read_urls, both of which outlive the writer's use.
        std::unordered_set<std::string_view> urls;
    };
    struct FolderState {
        std::unordered_set<std::string> names;
        std::unordered_map<std::string, std::string_view> written; // name -> address, this import
        std::unordered_map<std::string, NameSeries> series;
    };
    struct Staged {
        std::string path;
        std::string folder;
        std::string name;
    };

    FolderState* state_of(const std::string& folder, std::string& error)
    {
        auto found = m_folders.find(folder);
        if (found != m_folders.end())
            return &found->second;
        FolderState state;
        std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
        if (!dir) {
            error = "Cannot read \"" + display_path_short(folder) + "\": " + std::strerror(errno);
            return nullptr;
        }
        while (const dirent* entry = ::readdir(dir.get()))
            state.names.insert(entry->d_name);
        return &m_folders.emplace(folder, std::move(state)).first->second;
    }

    std::optional<std::string> add_folder(const std::string& title, const std::string& parent,
                                          std::string& path)
    {
        std::string error;
        FolderState* state = state_of(parent, error);
        if (!state)
            return error;
        const std::string name = safe_file_name(title);
        for (unsigned n = 1;; ++n) {
            const std::string candidate = n == 1 ? name : numbered_name(name, n, EntryKind::Folder);
            path = join(parent, candidate);
            if (state->names.contains(candidate)) {
                struct stat st;
                if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                    if (m_merged.insert(path).second)
                        ++m_result.folders_merged;
                    return std::nullopt;
                }
                continue;
            }
            if (::mkdir(path.c_str(), 0755) == 0) {
                state->names.insert(candidate);
                m_created_folders.push_back(path);
                m_folders.emplace(path, FolderState{});
                m_merged.insert(path);
                ++m_result.folders_created;
                return std::nullopt;
            }
            if (errno != EEXIST)
                return "Cannot create the folder \"" + display_path_short(path) +
                       "\": " + std::strerror(errno);
            state->names.insert(candidate);
            --n; // look at the entry that appeared meanwhile
        }
    }

    std::optional<std::string> add_link(const BookmarkEntry& link, const std::string& parent)
    {
        std::string error;
        FolderState* state = state_of(parent, error);
        if (!state)
            return error;
        const std::string base = safe_file_name(link.title, 255 - 4) + ".url";
        NameSeries& series = state->series[base];
        std::string candidate;
        for (;; ++series.next) {
            candidate = series.next == 1 ? base : numbered_name(base, series.next, EntryKind::File);
            if (!state->names.contains(candidate))
                break;
            if (auto written = state->written.find(candidate); written != state->written.end()) {
                series.urls.insert(written->second);
            } else if (auto url = read_internet_shortcut(join(parent, candidate))) {
                series.urls.insert(m_read_urls.emplace_back(clean_address(*url)));
            }
        }
        if (series.urls.contains(link.url)) {
            ++m_result.links_skipped;
            return std::nullopt;
        }

        if (m_staging.empty()) {
            std::string staging = join(m_root, ".driftway-import-XXXXXX");
            if (!::mkdtemp(staging.data()))
                return "Cannot write in \"" + display_path_short(m_root) + "\": " + std::strerror(errno);
            m_staging = std::move(staging);
        }
        const std::string staged = m_staging + "/" + std::to_string(m_staged.size());
        if (const int err = write_new_file(staged, internet_shortcut_text(link.url), false))
            return "Cannot write \"" + display_path_short(join(parent, candidate)) +
                   "\": " + std::strerror(err);
        m_staged.push_back({staged, parent, candidate});

        state->names.insert(candidate);
        state->written.emplace(candidate, link.url);
        series.urls.insert(link.url);
        ++series.next;
        ++m_result.links_written;
        return std::nullopt;
    }

    // Gives every staged file its name, after one flush of them all.
    std::optional<std::string> commit()
    {
        if (m_staged.empty())
            return std::nullopt;
        ::syncfs(m_root_fd);
        while (!m_staged.empty()) {
            const Staged& staged = m_staged.back();
            std::string target = join(staged.folder, staged.name);
            int err = 0;
            for (int attempt = 0; attempt < 100; ++attempt) {
                err = rename_no_replace(staged.path, target);
                if (err == EXDEV) {
                    // A folder on another file system: write the file there.
                    const auto text = platform::read_whole_file(staged.path);
                    err = text ? write_new_file(target, *text, true) : EIO;
                    if (err == 0)
                        ::unlink(staged.path.c_str());
                }
                if (err != EEXIST)
                    break;
                // Another program took the name after it was chosen.
                target = free_path(target, EntryKind::File);
            }
            if (err != 0)
                return "Cannot write \"" + display_path_short(target) + "\": " + std::strerror(err);
            m_created_files.push_back(std::move(target));
            m_staged.pop_back();
        }
        ::rmdir(m_staging.c_str());
        m_staging.clear();
        ::syncfs(m_root_fd);
        return std::nullopt;
    }

    std::string m_root;
    ImportResult& m_result;
    int m_root_fd = -1;
    std::unordered_map<std::string, FolderState> m_folders;
    std::unordered_set<std::string> m_merged;
    std::vector<std::string> m_created_folders;
    std::vector<std::string> m_created_files;
    std::string m_staging;
    std::vector<Staged> m_staged;
    std::deque<std::string> m_read_urls;
};

std::string strip_trailing_slashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::variant<BookmarkTree, std::string> parse_bookmarks(std::string_view html)
{
    BookmarkParser parser(html.substr(0, std::min<std::size_t>(html.size(), kChunk)));
    parser.feed(html);
    return parser.finish();
}

std::variant<BookmarkTree, std::string> parse_bookmark_file(const std::string& path,
                                                            const ReadProgress& reading)
{
    const std::string what = "Cannot read \"" + display_path_short(path) + "\": ";
    // Opened without waiting, so that a named pipe cannot hold the window;
    // only a regular file is read at all.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return what + std::strerror(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return what + std::strerror(errno);
    if (S_ISDIR(st.st_mode))
        return what + std::strerror(EISDIR);
    if (!S_ISREG(st.st_mode))
        return what + "it is not a regular file (a device, a pipe or a socket), so it is not read.";
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > kMaxBookmarkFile)
        return what + "the file holds " + std::to_string(size >> 20) +
               " MiB; bookmark files larger than 256 MiB are not imported.";
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    // The file is read in chunks; only the first is looked at as a whole,
    // for the character set. A file that grows while it is read is read up
    // to the limit only.
    std::string chunk(kChunk, '\0');
    std::optional<BookmarkParser> parser;
    std::uint64_t done = 0;
    if (reading)
        reading(0, size);
    for (;;) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return what + std::strerror(errno);
        done += static_cast<std::uint64_t>(n);
        if (done > kMaxBookmarkFile)
            return what + "the file grew past 256 MiB while it was read; it is not imported.";
        const std::string_view data(chunk.data(), static_cast<std::size_t>(n));
        if (!parser)
            parser.emplace(data);
        if (n == 0)
            break;
        parser->feed(data);
        if (reading)
            reading(std::min(done, size), size);
    }
    return parser->finish();
}

ImportResult import_bookmarks(const std::string& bookmark_file, const std::string& favorites_root,
                              const ImportProgress& progress, const ReadProgress& reading)
{
    ImportResult result;
    auto parsed = parse_bookmark_file(bookmark_file, reading);
    if (auto* error = std::get_if<std::string>(&parsed)) {
        if (error->starts_with("Cannot "))
            result.error = std::move(*error);
        else
            result.error = "Cannot import \"" + display_path_short(bookmark_file) + "\": " + *error;
        return result;
    }
    const BookmarkTree& tree = std::get<BookmarkTree>(parsed);
    result.links_unusable = tree.unusable_links;
    result.links_too_long = tree.long_links;

    ImportWriter writer(strip_trailing_slashes(favorites_root), result);
    std::optional<std::string> error;
    try {
        error = writer.run(tree, progress);
    } catch (...) {
        // A progress handler that throws (to cancel, say) leaves nothing behind.
        writer.roll_back();
        throw;
    }
    if (error) {
        writer.roll_back();
        ImportResult failed;
        failed.error = std::move(error);
        return failed;
    }
    return result;
}

std::string import_summary(const ImportResult& result)
{
    const auto count = [](std::size_t n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    std::string text = count(result.links_written, "favourite was", "favourites were") + " added";
    if (result.folders_created > 0)
        text += ", in " + count(result.folders_created, "new folder", "new folders");
    text += ".";
    const std::size_t skipped = result.links_skipped + result.links_unusable + result.links_too_long;
    if (skipped == 0)
        return text + " Nothing was skipped.";
    text += " " + count(skipped, "entry was", "entries were") + " skipped:";
    std::string reasons;
    const auto reason = [&](std::size_t n, const std::string& why) {
        if (n > 0)
            reasons += (reasons.empty() ? " " : "; ") + std::to_string(n) + " " + why;
    };
    reason(result.links_skipped, "already in the favourites under the same name");
    reason(result.links_unusable, "without a usable address");
    reason(result.links_too_long,
           "with an address longer than " + std::to_string(kMaxImportedAddress / 1024) + " KiB");
    return text + reasons + ".";
}

} // namespace driftway::favourites
