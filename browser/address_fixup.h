#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace driftway::browser {

enum class PathKind { Missing, File, Folder };

// What the fixup needs to know about the local file system. Tests give a
// scripted one; real_local_files() asks the disk.
struct LocalFiles {
    std::function<PathKind(const std::string& path)> kind;
    std::string home; // for "~/..."; empty when unknown
    std::string cwd;  // for relative paths; empty when unknown
};

LocalFiles real_local_files();

// Turns what a user typed (or a favourite or the command line holds) into an
// address the engine can load:
// - surrounding blanks are trimmed; an empty text stays empty;
// - an absolute path or ~/path becomes a file:// URI, existing or not, so a
//   missing file shows the engine's "not found" page rather than a search;
// - a relative path that exists becomes the file:// URI of its absolute path;
// - a URI with a scheme is kept as typed, except javascript: (see below);
// - a bare host name ("example.org", "localhost:8080/x", "10.0.0.1") gets
//   "http://";
// - anything else (words with blanks, a single unknown word) is passed on
//   unchanged, so the engine shows its error page for it.
// A javascript: address is refused (nullopt): run from the address box, a
// favourite or the command line it would execute inside whatever page is
// showing, with that page's rights. It is recognised the way the engine's
// URL parser will read the text (see parsed_scheme), so no spelling with tabs,
// line breaks or control characters slips past.
std::optional<std::string> fixup_address(std::string_view typed, const LocalFiles& files);

// file:// URI of an absolute path: every byte outside the unreserved set and
// "/" is percent-encoded, so odd and non-UTF-8 names survive. A folder's URI
// ends in "/".
std::string file_uri_from_path(std::string_view absolute_path, PathKind kind = PathKind::File);

// The local path of a file:// URI (percent-decoded, query and fragment
// dropped); nullopt for any other URI or a remote host.
std::optional<std::string> path_from_file_uri(std::string_view uri);

std::string percent_encode(std::string_view bytes, std::string_view keep = "/");
std::string percent_decode(std::string_view text);

// The scheme of a URI ("http" for "HTTP://x"), lower-cased; empty when the
// text has none. "localhost:8080" has none: a port is not a scheme.
std::string uri_scheme(std::string_view text);

// The scheme the engine's URL parser finds in text, lower-cased; empty when
// it finds none. That parser first drops leading and trailing C0 controls and
// blanks and removes every tab and line break; a scheme is then an ASCII
// letter followed by letters, digits, "+", "-" or ".", up to a ":". Unlike
// uri_scheme this knows no port or drive letter: it answers what the engine
// would run, not what the user meant.
std::string parsed_scheme(std::string_view text);

} // namespace driftway::browser
