#include "about/desktop_association.h"

#include "platform/atomic_file.h"
#include "platform/ini.h"

#include <glib.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace driftway::about {

namespace {

constexpr std::string_view kDefaultGroup = "[Default Applications]";
constexpr std::string_view kAddedGroup = "[Added Associations]";
constexpr std::size_t kMaxMimeappsSize = 4 * 1024 * 1024;

std::string_view trim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool valid_utf8(std::string_view s)
{
    return g_utf8_validate_len(s.data(), s.size(), nullptr);
}

// The text of a REG_SZ value, without its terminating NUL.
std::optional<std::string> string_value(platform::RegistryStore& registry, const std::string& key)
{
    const auto value = registry.read_value(platform::Hkey::HKEY_CLASSES_ROOT, key, "");
    if (!value || value->type != static_cast<std::uint32_t>(platform::RegType::REG_SZ))
        return std::nullopt;
    return value->data.substr(0, value->data.find('\0'));
}

// Escapes a value for a key file: backslash, line breaks, tabs and a leading
// blank have escapes of their own.
std::string key_file_escape(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case ' ':
            out += i == 0 ? "\\s" : " ";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// One argument of an Exec value, quoted when it holds a character the
// Desktop Entry rules reserve.
std::string exec_argument(std::string_view argument)
{
    const bool quote = exec_needs_quoting(argument);
    std::string out = quote ? "\"" : "";
    for (const char c : argument) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            out += '\\';
        out += c;
        if (c == '%')
            out += '%';
    }
    if (quote)
        out += '"';
    return out;
}

std::vector<std::string> split_lines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto eol = text.find('\n');
        lines.emplace_back(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
    }
    return lines;
}

std::string join_lines(const std::vector<std::string>& lines)
{
    std::string out;
    for (const auto& line : lines) {
        out += line;
        out += '\n';
    }
    return out;
}

bool is_group_header(std::string_view line)
{
    line = trim(line);
    return !line.empty() && line.front() == '[';
}

// The desktop ids of a "type=a.desktop;b.desktop;" line, when its key is
// mime_type.
std::optional<std::vector<std::string>> ids_for(std::string_view line, std::string_view mime_type)
{
    const auto eq = line.find('=');
    if (eq == std::string_view::npos || trim(line.substr(0, eq)) != mime_type)
        return std::nullopt;
    std::vector<std::string> ids;
    std::string_view rest = line.substr(eq + 1);
    while (!rest.empty()) {
        const auto semi = rest.find(';');
        const auto id = trim(rest.substr(0, semi));
        if (!id.empty())
            ids.emplace_back(id);
        rest = semi == std::string_view::npos ? std::string_view{} : rest.substr(semi + 1);
    }
    return ids;
}

std::string ids_line(std::string_view mime_type, const std::vector<std::string>& ids)
{
    std::string line(mime_type);
    line += '=';
    for (const auto& id : ids) {
        line += id;
        line += ';';
    }
    return line;
}

std::optional<std::string> find_in_path(std::string_view program)
{
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "/usr/bin:/bin";
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        if (!folder.empty() && folder.front() == '/') {
            const std::string candidate = std::string(folder) + "/" + std::string(program);
            if (::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        rest = colon == std::string_view::npos ? std::string_view{} : rest.substr(colon + 1);
    }
    return std::nullopt;
}

// Writes through a symbolic link (a managed dot-file) rather than replacing it.
std::string real_target(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// Points link at target, replacing an older link in one step.
std::optional<std::string> make_link(const std::string& link, const std::string& target)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(link).parent_path(), ec);
    const std::string temporary = link + ".tmp-" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0 || ::rename(temporary.c_str(), link.c_str()) != 0) {
        const std::string error = "Cannot create the link \"" + link + "\": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return error;
    }
    return std::nullopt;
}

void remove_link(const std::string& link)
{
    struct stat st {};
    if (!link.empty() && ::lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        ::unlink(link.c_str());
}

// The places a launcher link may go, best first.
std::vector<std::string> link_places(const std::string& data_home, const std::string& config_home)
{
    return {data_home + "/Driftway/bin/" + kExeName, config_home + "/Driftway/bin/" + kExeName};
}

std::optional<std::string> real_path(const std::string& path)
{
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved))
        return std::nullopt;
    return std::string(resolved);
}

// Whether the desktop entry in `file` opens text/html by starting the
// program whose real path is `program`.
bool entry_runs(const std::string& file, const std::string& program)
{
    const platform::StoredFile stored = platform::read_stored_file(file, 256 * 1024);
    if (stored.status != platform::StoredFile::Status::Read)
        return false;
    const platform::IniDocument entry = platform::IniDocument::parse(stored.content);
    constexpr std::string_view kGroup = "Desktop Entry";
    if (entry.get(kGroup, "Hidden").value_or("") == "true")
        return false;
    const std::string types = ";" + entry.get(kGroup, "MimeType").value_or("") + ";";
    if (types.find(std::string(";") + kHtmlMimeType + ";") == std::string::npos)
        return false;
    const auto args = split_command_line(entry.get(kGroup, "Exec").value_or(""));
    if (args.empty())
        return false;
    const auto found =
        args[0].find('/') == std::string::npos ? find_in_path(args[0]) : std::optional<std::string>(args[0]);
    const auto target = found ? real_path(*found) : std::nullopt;
    return target && *target == program;
}

} // namespace

bool plain_exec_program(std::string_view path)
{
    return !exec_needs_quoting(path) && path.find('%') == std::string_view::npos;
}

bool exec_needs_quoting(std::string_view argument)
{
    static constexpr std::string_view kReserved = " \t\n\r\"'\\><~|&;$*?#()`";
    return argument.empty() || argument.find_first_of(kReserved) != std::string_view::npos;
}

std::vector<std::string> split_command_line(std::string_view command)
{
    std::vector<std::string> args;
    std::size_t i = 0;
    while (true) {
        while (i < command.size() && (command[i] == ' ' || command[i] == '\t'))
            ++i;
        if (i >= command.size())
            return args;
        std::string arg;
        bool quoted = false;
        for (; i < command.size(); ++i) {
            const char c = command[i];
            if (!quoted && (c == ' ' || c == '\t'))
                break;
            if (c == '\\') {
                std::size_t count = 0;
                while (i < command.size() && command[i] == '\\') {
                    ++count;
                    ++i;
                }
                if (i < command.size() && command[i] == '"') {
                    arg.append(count / 2, '\\');
                    if (count % 2 == 1)
                        arg += '"';
                    else
                        quoted = !quoted;
                } else {
                    arg.append(count, '\\');
                    --i;
                }
                continue;
            }
            if (c == '"')
                quoted = !quoted;
            else
                arg += c;
        }
        args.push_back(std::move(arg));
    }
}

std::optional<std::string> desktop_exec(std::string_view command, std::string_view program)
{
    auto args = split_command_line(command);
    if (args.empty())
        return std::nullopt;
    if (!program.empty())
        args[0] = std::string(program);
    std::string exec;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!valid_utf8(arg))
            return std::nullopt;
        std::string word;
        if (arg == "%1" || arg == "%L" || arg == "%l") {
            word = "%f";
        } else if (arg.find("%1") != std::string::npos) {
            return std::nullopt; // a field code cannot stand inside quotes
        } else {
            word = exec_argument(arg);
        }
        if (!exec.empty())
            exec += ' ';
        exec += word;
    }
    return exec;
}

std::string desktop_entry_text(std::string_view exec, std::string_view icon)
{
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Version=1.0\n"
                       "Name=Driftway\n"
                       "GenericName=Web Browser\n"
                       "Comment=Open HTML files with Driftway\n";
    text += "Exec=" + key_file_escape(exec) + "\n";
    if (!icon.empty())
        text += "Icon=" + key_file_escape(icon) + "\n";
    text += "Terminal=false\n"
            "NoDisplay=true\n"
            "MimeType=text/html;\n"
            "Categories=Network;WebBrowser;\n";
    return text;
}

std::string mimeapps_with_default(std::string_view text, std::string_view mime_type,
                                  std::string_view desktop_id)
{
    auto lines = split_lines(text);
    std::size_t group = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (trim(lines[i]) == kDefaultGroup) {
            group = i;
            break;
        }
    }
    const std::string ours(desktop_id);
    if (group == lines.size()) {
        if (!lines.empty() && !trim(lines.back()).empty())
            lines.emplace_back();
        lines.emplace_back(kDefaultGroup);
        lines.push_back(ids_line(mime_type, {ours}));
        return join_lines(lines);
    }

    bool found = false;
    std::size_t last_entry = group;
    std::size_t i = group + 1;
    for (; i < lines.size() && !is_group_header(lines[i]); ++i) {
        if (!trim(lines[i]).empty())
            last_entry = i;
        auto ids = ids_for(lines[i], mime_type);
        if (!ids)
            continue;
        std::erase(*ids, ours);
        ids->insert(ids->begin(), ours);
        lines[i] = ids_line(mime_type, *ids);
        found = true;
    }
    if (!found)
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last_entry + 1),
                     ids_line(mime_type, {ours}));
    return join_lines(lines);
}

std::string mimeapps_without(std::string_view text, std::string_view mime_type, std::string_view desktop_id)
{
    const auto lines = split_lines(text);
    std::vector<std::string> kept;
    bool in_group = false;
    bool changed = false;
    for (const auto& line : lines) {
        if (is_group_header(line))
            in_group = trim(line) == kDefaultGroup || trim(line) == kAddedGroup;
        auto ids = in_group ? ids_for(line, mime_type) : std::nullopt;
        if (!ids || std::erase(*ids, std::string(desktop_id)) == 0) {
            kept.push_back(line);
            continue;
        }
        changed = true;
        if (!ids->empty())
            kept.push_back(ids_line(mime_type, *ids));
    }
    return changed ? join_lines(kept) : std::string(text);
}

DesktopAssociation::DesktopAssociation(platform::RegistryStore& registry, std::string data_home,
                                       std::string config_home, platform::Shell* shell,
                                       std::vector<std::string> data_dirs)
    : m_registry(registry), m_data_home(std::move(data_home)), m_config_home(std::move(config_home)),
      m_shell(shell), m_data_dirs(std::move(data_dirs))
{
}

std::string DesktopAssociation::desktop_file() const
{
    return m_data_home + "/applications/" + kDesktopEntryId;
}

std::string DesktopAssociation::mimeapps_file() const
{
    return m_config_home + "/mimeapps.list";
}

std::string DesktopAssociation::launcher_link() const
{
    for (const auto& place : link_places(m_data_home, m_config_home))
        if (plain_exec_program(place))
            return place;
    return {};
}

void DesktopAssociation::SHChangeNotify(std::int32_t event_id, std::uint32_t)
{
    if (event_id == SHCNE_ASSOCCHANGED)
        m_last_error = publish();
}

std::optional<std::string> DesktopAssociation::publish()
{
    // What the registry says: the first of our types whose extension still
    // names its ProgID and whose ProgID has a command the desktop can run.
    std::optional<std::string> exec;
    std::string icon;
    std::optional<std::string> program;
    std::optional<std::string> link_error;
    for (const HtmlFileType& type : {kHtmlType, kHtmType}) {
        const auto prog_id = string_value(m_registry, type.Extension);
        if (!prog_id ||
            !(platform::iequals(*prog_id, kHtmType.ProgID) || platform::iequals(*prog_id, kHtmlType.ProgID)))
            continue;
        const auto command = string_value(m_registry, *prog_id + "\\shell\\open\\command");
        if (!command)
            continue;
        const auto args = split_command_line(*command);
        std::string stand_in;
        if (!args.empty() && !plain_exec_program(args[0])) {
            const std::string link = launcher_link();
            if (link.empty()) {
                link_error = "Driftway's path \"" + args[0] +
                             "\" holds a blank, quote or \"%\" that desktop launchers cannot take, and no "
                             "folder without one was found for a link to it.";
                continue;
            }
            if (auto error = make_link(link, args[0])) {
                link_error = error;
                continue;
            }
            stand_in = link;
        }
        exec = desktop_exec(*command, stand_in);
        if (!exec)
            continue;
        if (!args.empty())
            program = real_path(args[0]);
        for (const auto& place : link_places(m_data_home, m_config_home))
            if (place != stand_in)
                remove_link(place);
        icon = string_value(m_registry, *prog_id + "\\DefaultIcon").value_or("");
        if (!valid_utf8(icon))
            icon.clear();
        break;
    }
    if (!exec && link_error)
        return link_error;

    // An installed entry for this same program: the first driftway.desktop
    // the desktop finds (the data home's shadows the system's).
    bool use_installed = false;
    if (exec && program) {
        std::vector<std::string> folders{m_data_home};
        folders.insert(folders.end(), m_data_dirs.begin(), m_data_dirs.end());
        for (const auto& folder : folders) {
            const std::string file = folder + "/applications/" + kInstalledEntryId;
            if (::access(file.c_str(), F_OK) == 0) {
                use_installed = entry_runs(file, *program);
                break;
            }
        }
    }

    const std::string mimeapps = real_target(mimeapps_file());
    const platform::StoredFile current = platform::read_stored_file(mimeapps, kMaxMimeappsSize);
    if (current.status == platform::StoredFile::Status::Unreadable ||
        current.status == platform::StoredFile::Status::TooLarge)
        return "\"" + mimeapps + "\" cannot be read (" + current.reason +
               "); the desktop's defaults were not changed.";

    std::optional<std::string> error;
    const auto remove_ours = [&] {
        if (::unlink(desktop_file().c_str()) != 0 && errno != ENOENT)
            error = "Cannot remove \"" + desktop_file() + "\": " + std::strerror(errno);
    };
    std::string updated;
    if (exec && use_installed) {
        remove_ours();
        for (const auto& place : link_places(m_data_home, m_config_home))
            remove_link(place);
        updated = mimeapps_with_default(mimeapps_without(current.content, kHtmlMimeType, kDesktopEntryId),
                                        kHtmlMimeType, kInstalledEntryId);
    } else if (exec) {
        error = platform::write_file_atomic(desktop_file(), desktop_entry_text(*exec, icon), 0644);
        if (error)
            return error;
        updated = mimeapps_with_default(current.content, kHtmlMimeType, kDesktopEntryId);
    } else {
        remove_ours();
        for (const auto& place : link_places(m_data_home, m_config_home))
            remove_link(place);
        updated = mimeapps_without(mimeapps_without(current.content, kHtmlMimeType, kDesktopEntryId),
                                   kHtmlMimeType, kInstalledEntryId);
    }
    if (updated != current.content) {
        if (auto written = platform::write_file_atomic(mimeapps, updated, 0644))
            error = "\"" + mimeapps + "\" could not be written (" + *written + ").";
    }

    // The desktop's cache of which entries open which types; not every
    // system has the tool, and the defaults above work without it.
    if (m_shell) {
        if (const auto tool = find_in_path("update-desktop-database")) {
            try {
                m_shell->spawn({*tool, m_data_home + "/applications"}, platform::WindowStyle::Hidden);
            } catch (const std::exception&) {
            }
        }
    }
    return error;
}

} // namespace driftway::about
