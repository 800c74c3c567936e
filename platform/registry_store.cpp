#include "platform/registry_store.h"

#include "platform/atomic_file.h"

#include <charconv>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace driftway::platform {

namespace {

constexpr std::string_view kHeader = "Driftway registry 1";
constexpr std::string_view kClassesRootName = "HKEY_CLASSES_ROOT";
constexpr std::string_view kCurrentUserName = "HKEY_CURRENT_USER";
constexpr std::string_view kLocalMachineName = "HKEY_LOCAL_MACHINE";

std::string fold(std::string_view name)
{
    std::string out(name);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool is_root(Hkey key)
{
    return key == Hkey::HKEY_CLASSES_ROOT || key == Hkey::HKEY_CURRENT_USER ||
           key == Hkey::HKEY_LOCAL_MACHINE;
}

std::unique_ptr<RegistryKey> new_root(std::string_view name)
{
    auto key = std::make_unique<RegistryKey>();
    key->name = std::string(name);
    return key;
}

// Splits a "\"-separated key path. A single trailing separator is allowed; a
// leading one, an empty name, a name longer than the limit or a path deeper
// than the limit is not.
std::optional<std::vector<std::string>> split_key_path(std::string_view path,
                                                       std::size_t max_names = RegistryStore::kMaxDepth)
{
    std::vector<std::string> names;
    if (path.empty())
        return names;
    if (path.back() == '\\')
        path.remove_suffix(1);
    if (path.empty())
        return std::nullopt;
    for (;;) {
        const auto sep = path.find('\\');
        const std::string_view name = path.substr(0, sep);
        if (name.empty() || name.size() > RegistryStore::kMaxNameLength || names.size() >= max_names)
            return std::nullopt;
        names.emplace_back(name);
        if (sep == std::string_view::npos)
            return names;
        path.remove_prefix(sep + 1);
    }
}

RegistryKey& child(RegistryKey& parent, const std::string& name, bool& created)
{
    auto& slot = parent.subkeys[fold(name)];
    if (!slot) {
        slot = std::make_unique<RegistryKey>();
        slot->name = name;
        created = true;
    }
    return *slot;
}

void set_value(RegistryKey& key, RegValue value)
{
    key.values[fold(value.name)] = std::move(value);
}

// The text file: a header line, then one "key" line per key (parents before
// children) followed by its "value" lines. Names and data are in double
// quotes; printable ASCII stands for itself except \ and ", which are
// escaped, and every other byte is written as \xHH, so any bytes round-trip.
void append_quoted(std::string& out, std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (b >= 0x20 && b < 0x7f) {
            out += c;
        } else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xf];
        }
    }
    out += '"';
}

void append_key(std::string& out, const RegistryKey& key, const std::string& path, bool is_root_key)
{
    if (!is_root_key || !key.values.empty()) {
        out += "key ";
        append_quoted(out, path);
        out += '\n';
        for (const auto& [folded, value] : key.values) {
            out += "value ";
            append_quoted(out, value.name);
            out += ' ';
            out += std::to_string(value.type);
            out += ' ';
            append_quoted(out, value.data);
            out += '\n';
        }
    }
    for (const auto& [folded, sub] : key.subkeys)
        append_key(out, *sub, path + "\\" + sub->name, false);
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a quoted string at the start of text and removes it from text.
std::optional<std::string> take_quoted(std::string_view& text)
{
    if (text.empty() || text.front() != '"')
        return std::nullopt;
    std::string out;
    std::size_t i = 1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        const auto b = static_cast<unsigned char>(c);
        if (c == '"')
            break;
        if (b < 0x20 || b == 0x7f)
            return std::nullopt;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= text.size())
            return std::nullopt;
        if (text[i] == '\\' || text[i] == '"') {
            out += text[i];
        } else if (text[i] == 'x' && i + 2 < text.size() && hex_digit(text[i + 1]) >= 0 &&
                   hex_digit(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_digit(text[i + 1]) * 16 + hex_digit(text[i + 2]));
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    if (i >= text.size())
        return std::nullopt;
    text.remove_prefix(i + 1);
    return out;
}

bool take_word(std::string_view& text, std::string_view word)
{
    if (text.substr(0, word.size()) != word)
        return false;
    text.remove_prefix(word.size());
    return true;
}

std::optional<std::string> identity_of(const std::string& file)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return std::nullopt;
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" + std::to_string(st.st_size) +
           ":" + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

} // namespace

std::string registry_text(const RegistryKey& classes_root, const RegistryKey& current_user)
{
    std::string out(kHeader);
    out += '\n';
    append_key(out, classes_root, std::string(kClassesRootName), true);
    append_key(out, current_user, std::string(kCurrentUserName), true);
    return out;
}

std::optional<RegistryTrees> parse_registry_text(std::string_view text, std::string& reason)
{
    RegistryTrees trees{new_root(kClassesRootName), new_root(kCurrentUserName)};
    if (text.empty())
        return trees; // an empty file is an empty registry

    RegistryKey* current = nullptr;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const auto eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const auto bad = [&](const std::string& why) {
            reason = "line " + std::to_string(number) + ": " + why;
            return std::nullopt;
        };

        if (number == 1) {
            if (line != kHeader)
                return bad("it does not start with \"" + std::string(kHeader) + "\"");
            continue;
        }
        if (line.empty() || line.front() == '#')
            continue;

        if (take_word(line, "key ")) {
            const auto path = take_quoted(line);
            if (!path || !line.empty())
                return bad("a key line is not understood");
            // The path starts with the root's name.
            const auto names = split_key_path(*path, RegistryStore::kMaxDepth + 1);
            if (!names || names->empty())
                return bad("a key path is not valid");
            const std::string root = fold((*names)[0]);
            if (root == fold(kClassesRootName))
                current = trees.classes_root.get();
            else if (root == fold(kCurrentUserName))
                current = trees.current_user.get();
            else
                return bad("\"" + (*names)[0] + "\" is not a stored root");
            bool created = false;
            for (std::size_t i = 1; i < names->size(); ++i)
                current = &child(*current, (*names)[i], created);
            continue;
        }
        if (take_word(line, "value ")) {
            if (!current)
                return bad("a value comes before any key");
            auto name = take_quoted(line);
            if (!name || name->size() > RegistryStore::kMaxValueNameLength || !take_word(line, " "))
                return bad("a value name is not understood");
            const auto space = line.find(' ');
            std::uint32_t type = 0;
            const std::string_view digits = line.substr(0, space);
            const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), type);
            if (digits.empty() || ec != std::errc{} || end != digits.data() + digits.size() ||
                space == std::string_view::npos)
                return bad("a value type is not understood");
            line.remove_prefix(space + 1);
            auto data = take_quoted(line);
            if (!data || !line.empty() || data->size() > RegistryStore::kMaxValueSize)
                return bad("a value's data is not understood");
            set_value(*current, RegValue{std::move(*name), type, std::move(*data)});
            continue;
        }
        return bad("the line is not understood");
    }
    return trees;
}

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

RegistryStore::RegistryStore(std::string file, std::shared_ptr<const SystemFacts> facts)
    : m_file(std::move(file)), m_facts(std::move(facts)), m_classes_root(new_root(kClassesRootName)),
      m_current_user(new_root(kCurrentUserName)), m_local_machine(new_root(kLocalMachineName))
{
    m_file_identity = std::string("(not read yet)");
    refresh();
}

RegistryStore::~RegistryStore() = default;

std::string RegistryStore::default_file()
{
    return config_home() + "/Driftway/registry";
}

void RegistryStore::refresh()
{
    auto identity = identity_of(m_file);
    if (identity == m_file_identity)
        return;

    const StoredFile stored = read_stored_file(m_file, kMaxFileSize);
    std::string reason = stored.reason;
    if (stored.status == StoredFile::Status::Missing) {
        m_classes_root = new_root(kClassesRootName);
        m_current_user = new_root(kCurrentUserName);
        m_saved_text.clear();
        m_file_identity = std::nullopt;
        m_read_only = false;
        return;
    }
    if (stored.status == StoredFile::Status::Read) {
        if (auto trees = parse_registry_text(stored.content, reason)) {
            m_classes_root = std::move(trees->classes_root);
            m_current_user = std::move(trees->current_user);
            m_saved_text = stored.content;
            m_file_identity = std::move(identity);
            m_read_only = false;
            return;
        }
    }

    m_classes_root = new_root(kClassesRootName);
    m_current_user = new_root(kCurrentUserName);
    m_saved_text.clear();
    const KeptAside kept = keep_aside(m_file);
    if (kept.new_path) {
        m_warnings.push_back("The registry file \"" + m_file + "\" could not be used (" + reason +
                             "). It was kept as \"" + *kept.new_path + "\" and an empty registry is used.");
        m_file_identity = std::nullopt;
        m_read_only = false;
    } else {
        m_warnings.push_back(
            "The registry file \"" + m_file + "\" could not be used (" + reason +
            ") and could not be set aside (" + kept.error +
            "). It was left as it is, and no registry change can be saved until it is moved away.");
        m_file_identity = std::move(identity);
        m_read_only = true;
    }
}

RegStatus RegistryStore::commit()
{
    std::string text = registry_text(*m_classes_root, *m_current_user);
    if (text == m_saved_text)
        return RegStatus::ERROR_SUCCESS;
    std::optional<std::string> error;
    if (text.size() > kMaxFileSize)
        error = "the registry would grow beyond " + std::to_string(kMaxFileSize) + " bytes";
    else
        error = write_file_atomic(m_file, text, 0600);
    if (error) {
        // Undo the change in memory, so that the store keeps showing what the
        // file holds.
        std::string ignored;
        auto trees = parse_registry_text(m_saved_text, ignored);
        m_classes_root = std::move(trees->classes_root);
        m_current_user = std::move(trees->current_user);
        return RegStatus::ERROR_CANTWRITE;
    }
    m_saved_text = std::move(text);
    m_file_identity = identity_of(m_file);
    return RegStatus::ERROR_SUCCESS;
}

void RegistryStore::rebuild_machine()
{
    m_local_machine = new_root(kLocalMachineName);
    if (!m_facts)
        return;
    for (const MachineValue& fact : m_facts->machine_values()) {
        const auto names = split_key_path(fact.key);
        if (!names)
            continue;
        RegistryKey* key = m_local_machine.get();
        bool created = false;
        for (const auto& name : *names)
            key = &child(*key, name, created);
        set_value(*key, fact.value);
    }
}

RegistryKey& RegistryStore::tree_of(Hkey root)
{
    switch (root) {
    case Hkey::HKEY_CURRENT_USER:
        return *m_current_user;
    case Hkey::HKEY_LOCAL_MACHINE:
        return *m_local_machine;
    default:
        return *m_classes_root;
    }
}

RegistryKey* RegistryStore::find(Hkey root, const std::vector<std::string>& path)
{
    RegistryKey* key = &tree_of(root);
    for (const auto& name : path) {
        const auto it = key->subkeys.find(fold(name));
        if (it == key->subkeys.end())
            return nullptr;
        key = it->second.get();
    }
    return key;
}

std::optional<RegistryStore::Target> RegistryStore::resolve(Hkey key, std::string_view sub_key,
                                                            RegStatus& status)
{
    refresh();
    Target target;
    if (is_root(key)) {
        target.base.root = key;
        if (key == Hkey::HKEY_LOCAL_MACHINE)
            rebuild_machine();
    } else {
        const auto it = m_handles.find(static_cast<std::uint32_t>(key));
        if (it == m_handles.end()) {
            status = RegStatus::ERROR_INVALID_HANDLE;
            return std::nullopt;
        }
        target.base = it->second;
    }
    if (!find(target.base.root, target.base.path)) {
        status = RegStatus::ERROR_KEY_DELETED;
        return std::nullopt;
    }
    auto names = split_key_path(sub_key);
    if (!names || target.base.path.size() + names->size() > kMaxDepth) {
        status = RegStatus::ERROR_INVALID_PARAMETER;
        return std::nullopt;
    }
    target.names = std::move(*names);
    status = RegStatus::ERROR_SUCCESS;
    return target;
}

Hkey RegistryStore::new_handle(Handle where)
{
    while (m_next_handle == 0 || m_next_handle >= 0x80000000u || m_handles.count(m_next_handle))
        m_next_handle = m_next_handle >= 0x80000000u ? 1 : m_next_handle + 1;
    const std::uint32_t id = m_next_handle++;
    m_handles.emplace(id, std::move(where));
    return static_cast<Hkey>(id);
}

RegStatus RegistryStore::RegCreateKeyA(Hkey key, std::string_view sub_key, Hkey& result)
{
    result = Hkey::Null;
    RegStatus status;
    auto target = resolve(key, sub_key, status);
    if (!target)
        return status;
    Handle where = target->base;
    for (const auto& name : target->names)
        where.path.push_back(fold(name));

    if (!find(where.root, where.path)) {
        if (where.root == Hkey::HKEY_LOCAL_MACHINE || m_read_only)
            return RegStatus::ERROR_ACCESS_DENIED;
        RegistryKey* at = find(target->base.root, target->base.path);
        bool created = false;
        for (const auto& name : target->names)
            at = &child(*at, name, created);
        if (const auto saved = commit(); saved != RegStatus::ERROR_SUCCESS)
            return saved;
    }
    result = new_handle(std::move(where));
    return RegStatus::ERROR_SUCCESS;
}

RegStatus RegistryStore::RegOpenKeyExA(Hkey key, std::string_view sub_key, std::uint32_t, std::uint32_t,
                                       Hkey& result)
{
    result = Hkey::Null;
    RegStatus status;
    auto target = resolve(key, sub_key, status);
    if (!target)
        return status;
    Handle where = target->base;
    for (const auto& name : target->names)
        where.path.push_back(fold(name));
    if (!find(where.root, where.path))
        return RegStatus::ERROR_FILE_NOT_FOUND;
    result = new_handle(std::move(where));
    return RegStatus::ERROR_SUCCESS;
}

RegStatus RegistryStore::RegCloseKey(Hkey key)
{
    if (is_root(key))
        return RegStatus::ERROR_SUCCESS;
    return m_handles.erase(static_cast<std::uint32_t>(key)) ? RegStatus::ERROR_SUCCESS
                                                            : RegStatus::ERROR_INVALID_HANDLE;
}

RegStatus RegistryStore::RegSetValueA(Hkey key, std::string_view sub_key, RegType type, std::string_view text)
{
    if (type != RegType::REG_SZ)
        return RegStatus::ERROR_INVALID_PARAMETER;
    RegStatus status;
    auto target = resolve(key, sub_key, status);
    if (!target)
        return status;
    if (target->base.root == Hkey::HKEY_LOCAL_MACHINE || m_read_only)
        return RegStatus::ERROR_ACCESS_DENIED;
    if (const auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    RegistryKey* at = find(target->base.root, target->base.path);
    bool created = false;
    for (const auto& name : target->names)
        at = &child(*at, name, created);
    set_value(*at, RegValue{"", static_cast<std::uint32_t>(RegType::REG_SZ), std::string(text) + '\0'});
    return commit();
}

RegStatus RegistryStore::RegSetValueExA(Hkey key, std::string_view value_name, std::uint32_t type,
                                        std::string_view data)
{
    RegStatus status;
    auto target = resolve(key, "", status);
    if (!target)
        return status;
    if (value_name.size() > kMaxValueNameLength || data.size() > kMaxValueSize)
        return RegStatus::ERROR_INVALID_PARAMETER;
    if (target->base.root == Hkey::HKEY_LOCAL_MACHINE || m_read_only)
        return RegStatus::ERROR_ACCESS_DENIED;
    set_value(*find(target->base.root, target->base.path),
              RegValue{std::string(value_name), type, std::string(data)});
    return commit();
}

RegStatus RegistryStore::RegQueryValueExA(Hkey key, std::string_view value_name, std::uint32_t* type,
                                          char* data, std::uint32_t* size)
{
    if (data && !size)
        return RegStatus::ERROR_INVALID_PARAMETER;
    RegStatus status;
    auto target = resolve(key, "", status);
    if (!target)
        return status;
    const RegistryKey* at = find(target->base.root, target->base.path);
    const auto it = at->values.find(fold(value_name));
    if (it == at->values.end())
        return RegStatus::ERROR_FILE_NOT_FOUND;
    const RegValue& value = it->second;
    if (type)
        *type = value.type;
    const auto needed = static_cast<std::uint32_t>(value.data.size());
    if (data && *size < needed) {
        *size = needed;
        return RegStatus::ERROR_MORE_DATA;
    }
    if (data)
        value.data.copy(data, needed);
    if (size)
        *size = needed;
    return RegStatus::ERROR_SUCCESS;
}

RegStatus RegistryStore::RegDeleteKeyA(Hkey key, std::string_view sub_key)
{
    RegStatus status;
    auto target = resolve(key, sub_key, status);
    if (!target)
        return status;
    if (target->base.root == Hkey::HKEY_LOCAL_MACHINE || m_read_only)
        return RegStatus::ERROR_ACCESS_DENIED;
    std::vector<std::string> path = target->base.path;
    for (const auto& name : target->names)
        path.push_back(fold(name));
    if (path.empty())
        return RegStatus::ERROR_ACCESS_DENIED; // a root cannot be deleted
    const RegistryKey* doomed = find(target->base.root, path);
    if (!doomed)
        return RegStatus::ERROR_FILE_NOT_FOUND;
    if (!doomed->subkeys.empty())
        return RegStatus::ERROR_ACCESS_DENIED;
    const std::string last = path.back();
    path.pop_back();
    find(target->base.root, path)->subkeys.erase(last);
    return commit();
}

RegStatus RegistryStore::RegDeleteValueA(Hkey key, std::string_view value_name)
{
    RegStatus status;
    auto target = resolve(key, "", status);
    if (!target)
        return status;
    if (target->base.root == Hkey::HKEY_LOCAL_MACHINE || m_read_only)
        return RegStatus::ERROR_ACCESS_DENIED;
    if (!find(target->base.root, target->base.path)->values.erase(fold(value_name)))
        return RegStatus::ERROR_FILE_NOT_FOUND;
    return commit();
}

std::optional<RegValue> RegistryStore::read_value(Hkey root, std::string_view path,
                                                  std::string_view value_name)
{
    if (!is_root(root))
        return std::nullopt;
    RegStatus status;
    auto target = resolve(root, path, status);
    if (!target)
        return std::nullopt;
    const RegistryKey* at = find(root, target->names);
    if (!at)
        return std::nullopt;
    const auto it = at->values.find(fold(value_name));
    if (it == at->values.end())
        return std::nullopt;
    return it->second;
}

std::vector<std::string> RegistryStore::key_paths(Hkey root)
{
    std::vector<std::string> out;
    if (!is_root(root))
        return out;
    RegStatus status;
    resolve(root, "", status);
    const auto walk = [&](auto&& self, const RegistryKey& key, const std::string& path) -> void {
        for (const auto& [folded, sub] : key.subkeys) {
            const std::string sub_path = path.empty() ? sub->name : path + "\\" + sub->name;
            out.push_back(sub_path);
            self(self, *sub, sub_path);
        }
    };
    walk(walk, tree_of(root), "");
    return out;
}

std::vector<std::string> RegistryStore::take_warnings()
{
    return std::exchange(m_warnings, {});
}

} // namespace driftway::platform
