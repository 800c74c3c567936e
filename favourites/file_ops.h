#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace driftway::favourites {

// The shell's file-operation record. One instance, `FileOp`, is filled by
// MoveFile, DeleteFile and RenameFile the way the shell expects it; the work
// itself is done with POSIX calls, and nothing reads the record back.
inline constexpr unsigned FO_MOVE = 1;
inline constexpr unsigned FO_DELETE = 3;
inline constexpr unsigned FO_RENAME = 4;
inline constexpr unsigned FOF_SILENT = 0x4;
inline constexpr unsigned FOF_RENAMEONCOLLISION = 0x8;
inline constexpr unsigned FOF_NOCONFIRMATION = 0x10;

struct ShFileOpStruct {
    std::uintptr_t hwnd = 0;
    unsigned wFunc = 0;
    std::string pFrom; // one path followed by two NUL characters
    std::string pTo;
    unsigned fFlags = 0;
    bool fAnyOperationsAborted = false;
    std::string lpszProgressTitle;
};

extern ShFileOpStruct FileOp;

// The outcome of a file operation. `code` is 0 on success, else an errno
// value; `message` is then a sentence naming the path and the reason.
// `final_path` is where the entry ended up (a move or rename may pick a free
// name when the wanted one is taken).
struct FileOpResult {
    int code = 0;
    std::string message;
    std::string final_path;
    bool ok() const { return code == 0; }
};

// Moves a file or a whole folder to `destination`, the full new path. Never
// overwrites: when the destination is taken, the entry gets the first free
// name of the form "Name (2).url", "Name (3).url", ... beside it. A folder is
// never moved into itself or one of its own subfolders. Across file systems
// the entry is copied completely before the source is removed.
FileOpResult MoveFile(const std::string& source, const std::string& destination);

// Deletes a file, or a folder with everything in it, for good. Symbolic links
// are removed themselves; what they point to is never touched.
FileOpResult DeleteFile(const std::string& path);

// Renames (or moves) an entry; a taken name is replaced by a free one as in
// MoveFile, and a change of letter case alone is a valid rename.
FileOpResult RenameFile(const std::string& old_path, const std::string& new_path);

enum class EntryKind { File, Folder };

// The n-th candidate for a name that is taken (n >= 2): "Name (n).ext" for a
// file, "Name (n)" for a folder, shortened so that it fits in 255 bytes
// without cutting a UTF-8 sequence.
std::string numbered_name(std::string_view name, unsigned n, EntryKind kind);

// The first path beside `path` that does not exist: `path` itself, or the
// numbered names after it.
std::string free_path(const std::string& path, EntryKind kind);

// Makes a page or bookmark title into a file name that is safe here and on
// other systems: no "/", NUL, control or reserved characters, no leading or
// trailing blanks or dots, at most `max_bytes` bytes (never cutting a UTF-8
// sequence), never "." or "..", and "Untitled" when nothing is left.
std::string safe_file_name(std::string_view title);
std::string safe_file_name(std::string_view title, std::size_t max_bytes);

// Length of the valid UTF-8 sequence starting at text[i], or 0 when none
// starts there (overlong forms and surrogates are not valid).
std::size_t utf8_sequence_length(std::string_view text, std::size_t i);

// The longest prefix of `text` of at most `max_bytes` bytes that does not end
// inside a UTF-8 sequence.
std::string_view utf8_prefix(std::string_view text, std::size_t max_bytes);

// Renames without ever replacing an entry; 0 or an errno value (EEXIST when
// `to` is taken).
int rename_no_replace(const std::string& from, const std::string& to);

// Why `name` cannot be the new name of a favourite (kind File) or a folder,
// in words for the user; nullopt when it can. Refused: nothing but blanks,
// "/" or NUL inside, "." and "..", and for a folder a leading ".", since such
// folders are not shown and the folder with all it holds would vanish.
std::optional<std::string> rename_refusal(std::string_view name, EntryKind kind);

// A path made fit for a message: bytes that are not UTF-8 and control
// characters are shown as escapes, so that the text can be displayed.
std::string display_path(std::string_view path);
// display_path, with the middle of a very long path (a folder nested
// thousands deep) left out so that the message stays readable: its start and
// its end remain.
std::string display_path_short(std::string_view path);

} // namespace driftway::favourites
