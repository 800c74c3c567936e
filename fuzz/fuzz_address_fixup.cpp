// The address fixup: whatever the text, it never hands the engine an address
// that the engine's URL parser reads as javascript:.
#include "browser/address_fixup.h"
#include "fuzz/scratch.h"

#include <cstddef>
#include <cstdint>

using driftway::fuzz::check;

namespace {

// The clean-up the engine's URL parser makes before it looks for a scheme,
// written out step by step: leading and trailing C0 controls and blanks go,
// then every tab and line break.
std::string as_the_engine_reads(std::string_view text)
{
    // The engine is given a C string.
    text = text.substr(0, text.find('\0'));
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20)
        --end;
    std::string out;
    for (const char c : text.substr(begin, end - begin))
        if (c != '\t' && c != '\n' && c != '\r')
            out += c;
    return out;
}

bool runs_script(std::string_view text)
{
    const std::string read = as_the_engine_reads(text);
    constexpr std::string_view kScheme = "javascript:";
    if (read.size() < kScheme.size())
        return false;
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        char c = read[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != kScheme[i])
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // A fixed file system: "/tmp" and "page.html" in the folder "/work".
    driftway::browser::LocalFiles files{[](const std::string& path) {
                                            if (path == "/tmp")
                                                return driftway::browser::PathKind::Folder;
                                            return path == "/work/page.html"
                                                       ? driftway::browser::PathKind::File
                                                       : driftway::browser::PathKind::Missing;
                                        },
                                        "/home/user", "/work"};
    const auto fixed = driftway::browser::fixup_address(text, files);
    if (runs_script(text))
        check(!fixed, "a script address was let through");
    if (fixed)
        check(!runs_script(*fixed), "the fixup made a script address");
    if (runs_script(text))
        check(driftway::browser::parsed_scheme(text) == "javascript",
              "parsed_scheme misses a script address");
    return 0;
}
