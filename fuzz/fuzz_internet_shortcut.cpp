// Internet shortcut files and the initialisation-format reader under them.
#include "favourites/internet_shortcut.h"
#include "favourites/paths.h"
#include "fuzz/scratch.h"
#include "platform/ini.h"

#include <cstddef>
#include <cstdint>

using driftway::fuzz::check;
using driftway::platform::IniDocument;

namespace {

// Writing a document and reading the text back must find every value again.
void check_round_trip(const IniDocument& doc, std::string_view eol)
{
    const IniDocument again = IniDocument::parse(doc.serialize(eol));
    for (const auto& section : doc.sections())
        for (const auto& entry : section.entries)
            check(again.get(section.name, entry.key) == doc.get(section.name, entry.key),
                  "a value changed when the document was written and read again");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const IniDocument doc = IniDocument::parse(text);
    for (const auto& section : doc.sections())
        for (const auto& entry : section.entries)
            check(doc.get(section.name, entry.key).has_value(), "a key that was read is not found");
    check_round_trip(doc, "\n");
    check_round_trip(doc, "\r\n");

    // The file readers must agree with the document, for a file they read.
    if (size > driftway::favourites::kMaxShortcutFileSize)
        return 0;
    static const std::string file = driftway::fuzz::scratch_folder() + "/shortcut.url";
    driftway::fuzz::write_file(file, text);
    const auto url = doc.get("InternetShortcut", "URL");
    const auto read = driftway::favourites::read_internet_shortcut(file);
    check(read == (url && !url->empty() ? url : std::nullopt), "read_internet_shortcut disagrees");
    check(driftway::favourites::ReadINI(file, "InternetShortcut", "URL") == url.value_or(""),
          "ReadINI disagrees");
    if (!doc.sections().empty() && !doc.sections().back().entries.empty()) {
        const auto& section = doc.sections().back();
        const auto& key = section.entries.back().key;
        check(driftway::favourites::ReadINI(file, section.name, key) == doc.get(section.name, key),
              "ReadINI disagrees on another key");
    }
    return 0;
}
