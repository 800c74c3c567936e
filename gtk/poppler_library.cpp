#include "gtk/poppler_library.h"

#include <dlfcn.h>

#include <cstdio>
#include <optional>

namespace driftway::gtk {

namespace {

template <class Function> bool resolve(void* handle, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(::dlsym(handle, name));
    return function != nullptr;
}

std::optional<PopplerLibrary> load()
{
    // Kept loaded for good: Poppler registers its object types with GLib,
    // which cannot forget them.
    void* handle = ::dlopen(DRIFTWAY_POPPLER_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "Driftway: the print preview cannot load Poppler: %s\n", ::dlerror());
        return std::nullopt;
    }
    PopplerLibrary library;
    if (resolve(handle, "poppler_document_new_from_file", library.document_new_from_file) &&
        resolve(handle, "poppler_document_get_n_pages", library.document_get_n_pages) &&
        resolve(handle, "poppler_document_get_page", library.document_get_page) &&
        resolve(handle, "poppler_page_get_size", library.page_get_size) &&
        resolve(handle, "poppler_page_get_text", library.page_get_text) &&
        resolve(handle, "poppler_page_render_for_printing", library.page_render_for_printing))
        return library;
    std::fprintf(stderr, "Driftway: the print preview cannot use %s: a function is missing\n",
                 DRIFTWAY_POPPLER_SONAME);
    return std::nullopt;
}

} // namespace

const PopplerLibrary* poppler_library()
{
    static const std::optional<PopplerLibrary> library = load();
    return library ? &*library : nullptr;
}

} // namespace driftway::gtk
