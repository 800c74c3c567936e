#pragma once

#include <poppler.h>

namespace driftway::gtk {

// The part of Poppler the print preview uses. Only the preview needs Poppler,
// so it is loaded when a preview is first made instead of with the program:
// linked in, its libraries cost every start about 10 ms and 3 MiB.
struct PopplerLibrary {
    decltype(&poppler_document_new_from_file) document_new_from_file = nullptr;
    decltype(&poppler_document_get_n_pages) document_get_n_pages = nullptr;
    decltype(&poppler_document_get_page) document_get_page = nullptr;
    decltype(&poppler_page_get_size) page_get_size = nullptr;
    decltype(&poppler_page_get_text) page_get_text = nullptr;
    decltype(&poppler_page_render_for_printing) page_render_for_printing = nullptr;
};

// Poppler, loaded on the first call; nullptr when it cannot be loaded or lacks
// a function, the reason then printed once on the error stream.
const PopplerLibrary* poppler_library();

} // namespace driftway::gtk
