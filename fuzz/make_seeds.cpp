// Writes the starting corpora and the dictionaries of the fuzz targets:
// make_seeds FOLDER makes FOLDER/<target>/ with a few small inputs each, and
// FOLDER/<target>.dict with the words of the target's format.
#include "favourites/internet_shortcut.h"
#include "platform/registry_store.h"
#include "platform/settings_store.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace driftway::platform;

namespace {

void write(const fs::path& path, std::string_view data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

void write_corpus(const fs::path& folder, const std::string& target, const std::vector<std::string>& seeds)
{
    fs::create_directories(folder / target);
    for (std::size_t i = 0; i < seeds.size(); ++i)
        write(folder / target / ("seed-" + std::to_string(i + 1)), seeds[i]);
}

// libFuzzer's dictionary format: one quoted word per line, with \xHH escapes.
void write_dictionary(const fs::path& file, const std::vector<std::string_view>& words)
{
    std::string text;
    for (const auto word : words) {
        text += '"';
        for (const char c : word) {
            const auto b = static_cast<unsigned char>(c);
            if (b < 0x20 || b >= 0x7f || c == '"' || c == '\\') {
                char escaped[5];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
                text += escaped;
            } else {
                text += c;
            }
        }
        text += "\"\n";
    }
    write(file, text);
}

std::vector<std::string> shortcut_seeds()
{
    using driftway::favourites::internet_shortcut_text;
    return {
        internet_shortcut_text("https://example.org/"),
        internet_shortcut_text("file:///home/user/page.html#part"),
        "\xEF\xBB\xBF[DEFAULT]\r\nBASEURL=http://example.com/\r\n[InternetShortcut]\r\nURL=http://"
        "example.com/"
        "\r\nIconIndex=0\r\nIconFile=C:\\icon.ico\r\n",
        "; comment\n# another\n[internetshortcut]\n  url  =  https://a.example/?q=1=2  \nURL=second\n",
        "orphan=1\n[InternetShortcut\nURL=broken header\n[ InternetShortcut ]\nURL=\n[x]\nURL=y\n",
        // Once lost its first key when written back.
        "\xEF\xBB\xBF\xEF\xBB\xBF[x=1\n[InternetShortcut]\nURL=http://a/\n",
    };
}

std::vector<std::string> bookmark_seeds()
{
    const std::string head = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
                             "<!-- This is an automatically generated file. -->\n"
                             "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                             "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n";
    return {
        head + "<DL><p>\n"
               "    <DT><H3 ADD_DATE=\"1\" LAST_MODIFIED=\"2\">Toolbar</H3>\n"
               "    <DL><p>\n"
               "        <DT><A HREF=\"https://example.org/\" ADD_DATE=\"3\">Example &amp; more</A>\n"
               "        <DT><H3>Inner</H3>\n"
               "        <DL><p>\n"
               "            <DT><A HREF=\"place:sort=8&maxResults=10\">Recent</A>\n"
               "            <DT><A HREF=\"  http://x.example/a\tb \">  </A>\n"
               "        </DL><p>\n"
               "    </DL><p>\n"
               "    <DT><A HREF=\"https://example.org/\">Example &amp; more</A>\n"
               "    <DD>A description with <A HREF=\"http://not.a.bookmark/\">a link</A>\n"
               "    <DT><A>No address</A>\n"
               "</DL><p>\n",
        "<DL><DT><H3>Folder without doctype</H3><DL><DT><A HREF=\"http://a/\">a</A></DL></DL>",
        head + "<DL><DT><A HREF=\"http://caf\xE9.example/\">Caf\xE9 latin-1</A>"
               "<DT><H3>..</H3><DL><DT><A HREF=\"http://b/\">con/nul:*?</A></DL></DL>",
        "<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><DT><H3>A</H3><DT><H3>A</H3><DL><DT><A "
        "HREF=\"http://1/\">t</A>"
        "<DT><A HREF=\"http://2/\">t</A><DT><A HREF=\"http://1/\">t</A></DL></DL>",
    };
}

std::vector<std::string> registry_seeds()
{
    RegistryKey classes_root;
    RegistryKey current_user;
    auto& command = *(classes_root.subkeys["driftwayhtm"] = std::make_unique<RegistryKey>());
    command.name = "DriftwayHTM";
    command.values[""] = RegValue{"", 1, std::string("Driftway Document\0", 18)};
    auto& software = *(current_user.subkeys["software"] = std::make_unique<RegistryKey>());
    software.name = "Software";
    software.values["count"] = RegValue{"Count", 4, std::string("\x2a\0\0\0", 4)};
    software.values["bytes"] = RegValue{"Bytes", 3, std::string("\0\xff\"\\\n", 5)};
    software.values["odd type"] = RegValue{"Odd type", 4294967295u, ""};
    return {
        registry_text(classes_root, current_user),
        "Driftway registry 1\r\n# comment\r\nkey \"HKEY_CURRENT_USER\"\r\nvalue \"\" 1 \"root\\x00\"\r\n"
        "key \"hkey_current_user\\A\\b\\C\\\"",
        "Driftway registry 1\nkey \"HKEY_CLASSES_ROOT\\.htm\"\nvalue \"\" 1 \"DriftwayHTM\\x00\"\n"
        "key \"HKEY_CLASSES_ROOT\\.HTM\"\nvalue \"Content Type\" 1 \"text/html\\x00\"\n",
        "Driftway registry 1\nvalue \"x\" 1 \"y\"\n",
        "",
    };
}

std::vector<std::string> settings_seeds()
{
    return {
        "[Favorites]\nLast Folder=/home/user/Favorites\nShow=1\n\n[Window]\nLeft=10\nTop=20\n",
        "\xEF\xBB\xBF; comment\r\n# another\r\n[ Start Page ]\r\n  Address = " +
            encode_setting_value("  http://x/\n\"quoted\"\t\x01\xff") + "\r\n",
        "[a]\nk=\"\\x41\\n\\\\\"\n[A]\nK=second\n[b]\nk=\"unterminated\nk2=\"a\"b\"\n",
        "[a]\nbad line\n",
        "[]\nk=v\n",
        // Once written back in a form the store then set aside as damaged.
        "[a]\nk=1\n[ ]\nhidden=2\n",
        "",
    };
}

// Spellings of a script address that the engine's URL parser accepts, and
// near misses it does not.
std::vector<std::string> address_seeds()
{
    return {
        "javascript:alert(document.cookie)",
        "java\tscript:alert(1)",
        "\x01javascript:alert(1)",
        std::string("\0\x1F JaVaScRiPt\n:void(0)", 22),
        "j\ra\nv\ta\tscript:x",
        "\x7Fjavascript:x",
        "java\x01script:x",
        "\xC2\xA0javascript:x",
        "javascript%3Ax",
        "https://example.org/?javascript:x",
        "/tmp/javascript:x",
        "localhost:8080/x",
        "page.html",
    };
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    const fs::path folder = argv[1];
    try {
        write_corpus(folder, "fuzz_internet_shortcut", shortcut_seeds());
        write_dictionary(folder / "fuzz_internet_shortcut.dict",
                         {"[InternetShortcut]", "URL=", "\r\n", "\xEF\xBB\xBF", "[", "]", "=", ";", "#"});

        write_corpus(folder, "fuzz_bookmarks_parse", bookmark_seeds());
        write_corpus(folder, "fuzz_bookmarks_import", bookmark_seeds());
        const std::vector<std::string_view> html = {"<!DOCTYPE NETSCAPE-Bookmark-file-1>",
                                                    "<DL>",
                                                    "</DL>",
                                                    "<DT>",
                                                    "<DD>",
                                                    "<H3>",
                                                    "</H3>",
                                                    "<A HREF=\"",
                                                    "</A>",
                                                    "place:",
                                                    "charset=",
                                                    "&amp;",
                                                    "<p>",
                                                    "\">"};
        write_dictionary(folder / "fuzz_bookmarks_parse.dict", html);
        write_dictionary(folder / "fuzz_bookmarks_import.dict", html);

        write_corpus(folder, "fuzz_registry_text", registry_seeds());
        write_dictionary(folder / "fuzz_registry_text.dict",
                         {"Driftway registry 1\n", "key \"", "value \"", "HKEY_CLASSES_ROOT",
                          "HKEY_CURRENT_USER", "\\\\", "\\x00", "\\\"", "\" 1 \"", "\" 4 \""});

        write_corpus(folder, "fuzz_settings_store", settings_seeds());
        write_dictionary(folder / "fuzz_settings_store.dict",
                         {"[", "]", "=", "\"", "\\x", "\\n", "\\\\", "\\\"", "\r\n", "\xEF\xBB\xBF"});

        write_corpus(folder, "fuzz_address_fixup", address_seeds());
        write_dictionary(folder / "fuzz_address_fixup.dict",
                         {"javascript:", "JavaScript", "\t", "\n", "\r", "\x01", " ", ":", "//", "file://",
                          "http://", "~/", "/"});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
