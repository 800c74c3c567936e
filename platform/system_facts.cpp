#include "platform/system_facts.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace driftway::platform {

std::vector<MachineValue> HostSystemFacts::machine_values() const
{
    const char* path = std::getenv("PATH");
    const auto program = find_system_information_program(path ? path : "/usr/local/bin:/usr/bin:/bin");
    if (!program)
        return {};
    return {{kMsinfoKey, {kMsinfoValue, static_cast<std::uint32_t>(RegType::REG_SZ), *program + '\0'}}};
}

std::optional<std::string> find_system_information_program(std::string_view path_list)
{
    for (const char* program : kSystemInformationPrograms) {
        std::string_view rest = path_list;
        while (true) {
            const auto colon = rest.find(':');
            const std::string_view folder = rest.substr(0, colon);
            // Only absolute folders count: an empty or relative entry would
            // make the answer depend on the current folder.
            if (!folder.empty() && folder.front() == '/') {
                std::string candidate(folder);
                if (candidate.back() != '/')
                    candidate += '/';
                candidate += program;
                struct stat st {};
                if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                    ::access(candidate.c_str(), X_OK) == 0)
                    return candidate;
            }
            if (colon == std::string_view::npos)
                break;
            rest.remove_prefix(colon + 1);
        }
    }
    return std::nullopt;
}

} // namespace driftway::platform
