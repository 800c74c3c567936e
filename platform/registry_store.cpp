#include "platform/registry_store.h"

#include "platform/atomic_file.h"

#include <sys/stat.h>
#include <utility>

namespace driftway::platform {

namespace {

bool is_root(Hkey key)
{
    return key == Hkey::HKEY_CLASSES_ROOT || key == Hkey::HKEY_CURRENT_USER ||
           key == Hkey::HKEY_LOCAL_MACHINE;
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

RegistryStore::RegistryStore(std::string file, std::shared_ptr<const SystemFacts> facts)
    : m_file(std::move(file)), m_facts(std::move(facts)), m_classes_root(new_root_key(kClassesRootName)),
      m_current_user(new_root_key(kCurrentUserName)), m_local_machine(new_root_key(kLocalMachineName))
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
        m_classes_root = new_root_key(kClassesRootName);
        m_current_user = new_root_key(kCurrentUserName);
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

    m_classes_root = new_root_key(kClassesRootName);
    m_current_user = new_root_key(kCurrentUserName);
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
    remove_stale_temp_files(m_file);
    if (error) {
        m_write_error = *error;
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
    m_local_machine = new_root_key(kLocalMachineName);
    if (!m_facts)
        return;
    for (const MachineValue& fact : m_facts->machine_values()) {
        const auto names = split_key_path(fact.key);
        if (!names)
            continue;
        RegistryKey* key = m_local_machine.get();
        bool created = false;
        for (const auto& name : *names)
            key = &child_key(*key, name, created);
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
        const auto it = key->subkeys.find(fold_name(name));
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
        where.path.push_back(fold_name(name));

    if (!find(where.root, where.path)) {
        if (where.root == Hkey::HKEY_LOCAL_MACHINE || m_read_only)
            return RegStatus::ERROR_ACCESS_DENIED;
        RegistryKey* at = find(target->base.root, target->base.path);
        bool created = false;
        for (const auto& name : target->names)
            at = &child_key(*at, name, created);
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
        where.path.push_back(fold_name(name));
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
        at = &child_key(*at, name, created);
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
    const auto it = at->values.find(fold_name(value_name));
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
        path.push_back(fold_name(name));
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
    if (!find(target->base.root, target->base.path)->values.erase(fold_name(value_name)))
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
    const auto it = at->values.find(fold_name(value_name));
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
