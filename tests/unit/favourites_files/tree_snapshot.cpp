#include "tree_snapshot.h"

#include "tests/support/temp_dir.h"

#include <unistd.h>

namespace driftway::testing {

namespace fs = std::filesystem;

std::map<std::string, std::string> snapshot(const fs::path& root)
{
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = it->path().lexically_relative(root).string();
        if (it->is_symlink())
            entries[relative] = "-> " + fs::read_symlink(it->path()).string();
        else if (it->is_directory())
            entries[relative] = "<folder>";
        else
            entries[relative] = read_file(it->path());
    }
    return entries;
}

std::vector<std::string> odd_names()
{
    return {"with  blanks .url",
            "say \"hi\" 'there'.url",
            "-rf --help.url",
            "two\nlines.url",
            "caf\xE9 \xFF\xFE.url",
            std::string(251, 'n') + ".url",
            "\xC3\xA9t\xC3\xA9 \xE2\x98\x83.url"};
}

bool is_root()
{
    return ::geteuid() == 0;
}

} // namespace driftway::testing
