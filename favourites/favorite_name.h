#pragma once

#include <string>
#include <string_view>

namespace driftway::favourites {

// `name` without a trailing file extension: the text from its last "." is
// dropped only when it is the extension of a kind of file that pages are
// made of or link to (".html", ".php", ".pdf", ...), so that "index.html"
// becomes "index" while "Release 2.0 notes" and "example.com" stay whole.
std::string drop_file_extension(std::string_view name);

// The name Add to Favorites suggests for a page: its title without a file
// extension; for a page without a title (the engine then gives its address),
// a readable name made from the address's host and path, as in
// "example.org - docs - guide" for "https://www.example.org/docs/guide.html?x".
std::string suggested_favorite_name(std::string_view title, std::string_view address);

} // namespace driftway::favourites
