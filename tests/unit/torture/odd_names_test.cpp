// Names with newlines, leading dashes, bytes that are not UTF-8 and 255 bytes,
// as folders and favourites: they show readably, are found, renamed, moved
// (onto taken names too) and deleted by their exact bytes.
#include "torture_support.h"

namespace {

using namespace driftway::favourites;
using driftway::testing::shown;

// Printable and valid UTF-8: what a tree row or a menu caption can show.
bool showable(std::string_view text)
{
    for (std::size_t i = 0, len = 0; i < text.size(); i += len) {
        len = utf8_sequence_length(text, i);
        if (len == 0 || (len == 1 && (static_cast<unsigned char>(text[i]) < 0x20 || text[i] == 0x7F)))
            return false;
    }
    return true;
}

void expect_showable(const driftway::platform::MenuEntry& menu)
{
    for (const auto& entry : menu.children) {
        EXPECT_TRUE(showable(entry.caption)) << shown(entry.caption);
        expect_showable(entry);
    }
}

TEST(OddNames, ShowFindRenameMoveAndDeleteByTheirExactBytes)
{
    const std::string dash = "-Folder --help", newline = "new\nline folder", bad = "bad \xC0\xFF bytes";
    const std::string long_folder(255, 'f'), long_name = std::string(251, 'x') + ".url";
    // 125 two-byte characters and "x.url": 255 bytes that a numbered name must
    // not cut in the middle of a character.
    std::string wide;
    for (int i = 0; i < 125; ++i)
        wide += "\xC3\xA9";
    wide += "x.url";

    driftway::testing::FavRig rig;
    for (const auto& folder : {dash, newline, bad, long_folder})
        rig.dir.mkdir(folder);
    for (const std::string name :
         {"-rf.url", "--.url", "two\nlines.url", "\n.url", "caf\xE9.url", "\xFF\xFE\xFD.url",
          "   spaced   .url", "back\\slash*?<>|.url", "to rename.url"})
        rig.dir.write(name, "content of " + name);
    for (const auto& name : {long_name, long_folder + "/" + long_name, wide, dash + "/" + wide})
        rig.dir.write(name, "at " + name);
    auto& window = rig.window;
    rig.load();
    rig.check("load");
    for (int i = 1; i <= window.tree.Count(); ++i)
        EXPECT_TRUE(showable(window.tree.Text(i))) << shown(window.tree.Text(i));
    expect_showable(window.menu->full());

    EXPECT_EQ(rig.search.cmdSearch_Click("LINES"), rig.node("two\nlines.url"));
    rig.search.txtSearch_Change();
    EXPECT_EQ(rig.search.cmdSearch_Click("caf\xC3\xA9"), rig.node("caf\xE9.url"));

    rig.rename("-rf.url", "--version", "--version.url");
    rig.rename("two\nlines.url", "three\nlines\n", "three\nlines\n.url");
    rig.rename("\xFF\xFE\xFD.url", "still \xFE bad", "still \xFE bad.url");
    rig.rename("to rename.url", std::string(251, 'v'), std::string(251, 'v') + ".url");
    rig.rename(newline + "/", "-n", "-n");
    // One byte too long: refused with a readable message.
    rig.rename(std::string(251, 'v') + ".url", std::string(252, 'z'), "");
    ASSERT_EQ(window.prompts_double.messages.size(), 1u);
    EXPECT_TRUE(showable(window.prompts_double.messages[0].text));
    rig.check("renames");

    // Moves onto taken 255-byte names land under a numbered name that fits
    // and keeps characters whole; the name that was there stays.
    for (const auto& [name, folder] : {std::pair{long_name, long_folder}, std::pair{wide, dash}}) {
        rig.move(name, folder, "");
        const std::string landed(base_name(window.selected_key()));
        EXPECT_LE(landed.size(), 255u);
        EXPECT_TRUE(showable(landed)) << shown(landed);
        EXPECT_TRUE(landed.ends_with(" (2).url")) << shown(landed);
        rig.expected = driftway::testing::moved(std::move(rig.expected), name, folder + "/" + landed);
    }
    rig.move("-n/", dash, dash + "/-n");
    rig.move(bad + "/", long_folder, long_folder + "/" + bad);
    rig.move("three\nlines\n.url", long_folder + "/" + bad, long_folder + "/" + bad + "/three\nlines\n.url");
    rig.check("moves");

    for (const std::string& entry :
         std::vector<std::string>{"--.url", "\n.url", "back\\slash*?<>|.url", dash + "/"})
        rig.remove(entry);
    rig.check("deletes");
    EXPECT_EQ(window.prompts_double.messages.size(), 1u);
}

} // namespace
