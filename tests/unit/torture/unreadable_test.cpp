// Folders that cannot be read, searched or written: load, search, rename, move
// and delete either work or say why, and lose nothing behind the locked doors.
// Runs as the user "nobody" when the suite runs as root.
#include "torture_support.h"

#include <sys/stat.h>

namespace {

using namespace driftway::favourites;
using Strings = std::vector<std::string>;
using namespace driftway::testing;

TEST(Unreadable, LockedFoldersShowEmptyAndEveryOperationWorksOrSaysWhy)
{
    if (ran_unprivileged())
        return;
    FavRig rig;
    auto& window = rig.window;
    const auto lock = [&](const std::string& folder, mode_t mode) {
        ASSERT_EQ(::chmod((rig.root() + folder).c_str(), mode), 0) << folder;
    };
    for (const char* page :
         {"Locked/inner.url", "Locked/Sub/deeper.url", "NoSearch/listed.url", "NoSearch/Sub/hidden.url",
          "ReadOnly/keep.url", "Holder/Locked too/x.url", "Open/y.url"})
        rig.dir.write(page, page);
    const auto everything = snapshot(rig.dir.str());
    lock("Locked", 0);
    lock("NoSearch", 0444);
    lock("ReadOnly", 0555);
    lock("Holder/Locked too", 0);

    // What can be listed shows; what cannot shows as an empty folder.
    rig.load();
    EXPECT_EQ(window.texts(), (Strings{"Favorites/", "Holder/", "Locked too/", "Locked/", "NoSearch/", "Sub/",
                                       "listed", "Open/", "y", "ReadOnly/", "keep"}));
    rig.check("load");
    EXPECT_TRUE(window.prompts_double.messages.empty());
    EXPECT_EQ(rig.search.cmdSearch_Click("inner"), 0);
    window.prompts_double.messages.clear();

    // A locked folder is renamed as a whole: its parent is writable.
    rig.rename("Locked/", "Still locked", "Still locked");

    // What would change a folder that cannot be written is refused with a
    // message: a rename in it, a move into it, a move or delete of a folder
    // that cannot be emptied.
    const auto refused = [&](const std::string& what) {
        EXPECT_EQ(window.prompts_double.messages.size(), 1u) << what;
        window.prompts_double.messages.clear();
        rig.check(what);
        EXPECT_FALSE(window.tree.frozen()) << what;
    };
    rig.rename("ReadOnly/keep.url", "gone", "");
    refused("rename in a read-only folder");
    rig.move("Open/y.url", "ReadOnly", "");
    refused("move into a read-only folder");

    // File systems differ on whether a folder needs write access to change parents.
    rig.move("Still locked/", "Open", "");
    const bool locked_moved = window.prompts_double.messages.empty();
    const std::string locked = locked_moved ? "Open/Still locked" : "Still locked";
    if (locked_moved)
        rig.expected = moved(std::move(rig.expected), "Still locked", locked);
    else
        refused("move of a locked folder to another parent");

    for (const auto& folder : Strings{"Holder/", "NoSearch/", locked + "/"}) {
        ASSERT_NO_FATAL_FAILURE(rig.select(folder));
        mnuRFav_Click(rig.faves, window, kRFavDelete);
        refused("delete of " + folder);
    }

    // With the rights given back, every page is where it was put.
    for (const auto& folder : Strings{locked, "NoSearch", "ReadOnly", "Holder/Locked too"})
        lock(folder, 0755);
    EXPECT_EQ(differences(moved(everything, "Locked", locked), snapshot(rig.dir.str())), "");
}

} // namespace
