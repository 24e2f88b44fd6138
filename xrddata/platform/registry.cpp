#include "xrddata/platform/registry.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "xrddata/platform/registry_file.h"

using regstore::Key;
using regstore::StoreFile;
using regstore::Value;

namespace {

enum Root { kClasses = 0, kUser = 1, kMachine = 2 };

constexpr size_t kMaxValueName = 16383;

// What a handle stands for: a root and the key path below it (the names as stored when it was opened). The
// handle does not point into the parsed content, which is replaced whenever a file changes.
struct KeyHandle {
    Root root;
    std::vector<std::string> path;
    REGSAM access;
};

// The open handles, in shards by address so that threads using different handles do not wait for each other.
// A call holds its own reference to the handle's facts, so that a handle closed meanwhile by another thread is
// not freed under it.
class HandleTable {
public:
    HKEY Add(Root root, std::vector<std::string> path, REGSAM access) {
        auto h = std::make_shared<const KeyHandle>(KeyHandle{root, std::move(path), access});
        const KeyHandle* p = h.get();
        Shard& s = Of(p);
        std::lock_guard<std::mutex> guard(s.mutex);
        s.live.emplace(p, std::move(h));
        return reinterpret_cast<HKEY>(const_cast<KeyHandle*>(p));
    }
    std::shared_ptr<const KeyHandle> Find(HKEY h) {
        const auto* p = reinterpret_cast<const KeyHandle*>(h);
        Shard& s = Of(p);
        std::lock_guard<std::mutex> guard(s.mutex);
        auto it = s.live.find(p);
        return it == s.live.end() ? nullptr : it->second;
    }
    bool Remove(HKEY h) {
        const auto* p = reinterpret_cast<const KeyHandle*>(h);
        std::shared_ptr<const KeyHandle> gone;  // released after the shard's lock
        Shard& s = Of(p);
        std::lock_guard<std::mutex> guard(s.mutex);
        auto it = s.live.find(p);
        if (it == s.live.end()) return false;
        gone = std::move(it->second);
        s.live.erase(it);
        return true;
    }

private:
    static constexpr size_t kShards = 64;
    struct Shard {
        std::mutex mutex;
        std::unordered_map<const KeyHandle*, std::shared_ptr<const KeyHandle>> live;
    };
    Shard& Of(const void* p) { return m_shards[(reinterpret_cast<std::uintptr_t>(p) >> 4) % kShards]; }
    Shard m_shards[kShards];
};

struct Registry {
    StoreFile user{"HKEY_CURRENT_USER", true, 0};
    StoreFile machine{"HKEY_LOCAL_MACHINE", false, 1};
    HandleTable handles;
};

// Never destroyed: hosts may close keys from their own static destructors.
Registry& State() {
    static Registry* r = new Registry;
    return *r;
}

// Read scopes: each outermost scope of a thread gets a number of its own (never 0, which means none).
std::atomic<unsigned> g_scopeCounter{0};
thread_local unsigned t_scopeDepth = 0;
thread_local unsigned t_scope = 0;

// The content of the two files as one call sees it: each file is looked at (and re-read when it changed) at most
// once per call, so that keys found early in a call stay valid until the call changes the store (a change
// publishes new content, and the thread lets go of the old).
class View {
public:
    const Key& User() {
        if (!m_user) m_user = &State().user.Current(t_scope);
        return *m_user;
    }
    const Key& Machine() {
        if (!m_machine) m_machine = &State().machine.Current(t_scope);
        return *m_machine;
    }
    const Key& Of(Root root) { return root == kMachine ? Machine() : User(); }

private:
    const Key* m_user = nullptr;
    const Key* m_machine = nullptr;
};

// The classes root is this key of the user's file, then of the machine's.
const std::vector<std::string>& ClassesPrefix() {
    static const std::vector<std::string> prefix{"Software", "Classes"};
    return prefix;
}

// The facts of a handle (predefined or opened), or null for one that is not open.
std::shared_ptr<const KeyHandle> Resolve(HKEY h) {
    static const auto classes = std::make_shared<const KeyHandle>(KeyHandle{kClasses, {}, KEY_ALL_ACCESS});
    static const auto user = std::make_shared<const KeyHandle>(KeyHandle{kUser, {}, KEY_ALL_ACCESS});
    static const auto machine = std::make_shared<const KeyHandle>(KeyHandle{kMachine, {}, KEY_ALL_ACCESS});
    if (h == HKEY_CLASSES_ROOT) return classes;
    if (h == HKEY_CURRENT_USER) return user;
    if (h == HKEY_LOCAL_MACHINE) return machine;
    if (!h) return nullptr;
    return State().handles.Find(h);
}

const Key* Walk(const Key& root, const std::vector<std::string>& prefix, const std::vector<std::string>& path) {
    const Key* k = &root;
    for (const std::string& p : prefix)
        if (!(k = k->Find(p))) return nullptr;
    for (const std::string& p : path)
        if (!(k = k->Find(p))) return nullptr;
    return k;
}

// The key a handle path names, or null when it does not exist. For the classes root the user's key wins; the
// classes root itself always exists (empty when neither file has it).
const Key* Lookup(View& view, Root root, const std::vector<std::string>& path) {
    static const Key empty;
    static const std::vector<std::string> none;
    switch (root) {
        case kUser: return Walk(view.User(), none, path);
        case kMachine: return Walk(view.Machine(), none, path);
        case kClasses: {
            if (const Key* k = Walk(view.User(), ClassesPrefix(), path)) return k;
            if (const Key* k = Walk(view.Machine(), ClassesPrefix(), path)) return k;
            return path.empty() ? &empty : nullptr;
        }
    }
    return nullptr;
}

// The names of the sub-keys, sorted; for the classes root those of both files.
std::vector<std::string> SubkeyNames(View& view, Root root, const std::vector<std::string>& path) {
    std::vector<std::string> names;
    if (root != kClasses) {
        if (const Key* k = Lookup(view, root, path))
            for (const auto& [name, child] : k->subkeys) names.push_back(child->name);
        return names;
    }
    std::map<std::string, std::string, regstore::NoCaseLess> merged;
    // Machine first so that the user's spelling of a name wins.
    if (const Key* k = Walk(view.Machine(), ClassesPrefix(), path))
        for (const auto& [name, child] : k->subkeys) merged[child->name] = child->name;
    if (const Key* k = Walk(view.User(), ClassesPrefix(), path))
        for (const auto& [name, child] : k->subkeys) merged.insert_or_assign(child->name, child->name);
    for (auto& [key, name] : merged) names.push_back(name);
    return names;
}

StoreFile& WritableStore(Root root) { return root == kMachine ? State().machine : State().user; }

const std::vector<std::string>& WritePrefix(Root root) {
    static const std::vector<std::string> none;
    return root == kClasses ? ClassesPrefix() : none;
}

HKEY NewHandle(Root root, std::vector<std::string> path, REGSAM access) {
    return State().handles.Add(root, std::move(path), access);
}

bool ValidValueName(const char* name) {
    if (!name) return true;
    size_t n = std::strlen(name);
    return n <= kMaxValueName && !std::strpbrk(name, "\r\n");
}

// Joins a handle's path and a relative sub-key path.
LONG FullPath(const KeyHandle& base, const char* subKey, std::vector<std::string>& full) {
    std::vector<std::string> parts;
    if (!regstore::SplitPath(subKey ? subKey : "", parts)) return ERROR_INVALID_PARAMETER;
    full = base.path;
    full.insert(full.end(), parts.begin(), parts.end());
    if (full.size() + WritePrefix(base.root).size() > regstore::kMaxDepth) return ERROR_INVALID_PARAMETER;
    return ERROR_SUCCESS;
}

// The names of an existing path as its file spells them (under the classes root: the user's file, then the
// machine's).
std::vector<std::string> StoredNames(View& view, Root root, const std::vector<std::string>& path) {
    const Key* k = &view.Of(root);
    const Key* other = nullptr;
    if (root == kClasses) {
        k = Walk(view.User(), ClassesPrefix(), {});
        other = Walk(view.Machine(), ClassesPrefix(), {});
    }
    std::vector<std::string> names;
    for (const std::string& p : path) {
        k = k ? k->Find(p) : nullptr;
        other = other ? other->Find(p) : nullptr;
        names.push_back(k ? k->name : (other ? other->name : p));
    }
    return names;
}

// One call's opening of a key: the handle's facts, the files as the call sees them, and the key the handle
// names (in the user's file before the machine's for the classes root).
struct OpenedKey {
    std::shared_ptr<const KeyHandle> handle;
    View view;
    const Key* key = nullptr;
};

// Opens hKey for a call that needs the rights in need: ERROR_INVALID_HANDLE for a handle that is not open,
// ERROR_ACCESS_DENIED when it lacks a right, `missing` when its key no longer exists.
LONG OpenKey(HKEY hKey, REGSAM need, OpenedKey& out, LONG missing = ERROR_KEY_DELETED) {
    out.handle = Resolve(hKey);
    if (!out.handle) return ERROR_INVALID_HANDLE;
    if ((out.handle->access & need) != need) return ERROR_ACCESS_DENIED;
    out.key = Lookup(out.view, out.handle->root, out.handle->path);
    return out.key ? ERROR_SUCCESS : missing;
}

}  // namespace

LONG RegCreateKeyEx(HKEY hKey, const char* subKey, DWORD, char*, DWORD, REGSAM access, void*, HKEY* result,
                    DWORD* disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    OpenedKey base;
    if (LONG rc = OpenKey(hKey, 0, base)) return rc;
    const Root root = base.handle->root;
    std::vector<std::string> full;
    if (LONG rc = FullPath(*base.handle, subKey, full)) return rc;
    if (Lookup(base.view, root, full)) {
        *result = NewHandle(root, StoredNames(base.view, root, full), access);
        if (disposition) *disposition = REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    }
    if (!(base.handle->access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;

    const std::vector<std::string>& prefix = WritePrefix(root);
    bool created = false;
    std::vector<std::string> names;
    LONG rc = WritableStore(root).Change([&](Key& tree, bool& modified) {
        Key* k = &tree;
        names.clear();
        auto add = [&](const std::string& p) {
            bool made = false;
            k = k->Add(p, &made);
            modified = modified || made;
        };
        for (const std::string& p : prefix) add(p);
        for (const std::string& p : full) {
            add(p);
            names.push_back(k->name);
        }
        created = modified;
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS) return rc;
    *result = NewHandle(root, std::move(names), access);
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegOpenKeyEx(HKEY hKey, const char* subKey, DWORD, REGSAM access, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    OpenedKey base;
    if (LONG rc = OpenKey(hKey, 0, base, ERROR_FILE_NOT_FOUND)) return rc;
    const Root root = base.handle->root;
    std::vector<std::string> full;
    if (FullPath(*base.handle, subKey, full) != ERROR_SUCCESS) return ERROR_FILE_NOT_FOUND;
    if (!Lookup(base.view, root, full)) return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(root, StoredNames(base.view, root, full), access);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_CLASSES_ROOT || hKey == HKEY_CURRENT_USER || hKey == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    if (!hKey || !State().handles.Remove(hKey)) return ERROR_INVALID_HANDLE;
    return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY hKey, const char* valueName, DWORD*, DWORD* type, BYTE* data, DWORD* cbData) {
    if (data && !cbData) return ERROR_INVALID_PARAMETER;
    OpenedKey k;
    if (LONG rc = OpenKey(hKey, KEY_QUERY_VALUE, k)) return rc;
    const Value* v = k.key->FindValue(valueName ? valueName : "");
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (type) *type = v->type;
    if (v->data.size() > 0xFFFFFFFFu) return ERROR_NOT_ENOUGH_MEMORY;
    DWORD size = static_cast<DWORD>(v->data.size());
    if (!cbData) return ERROR_SUCCESS;
    if (!data) {
        *cbData = size;
        return ERROR_SUCCESS;
    }
    DWORD room = *cbData;
    *cbData = size;
    if (room < size) return ERROR_MORE_DATA;
    if (size) std::memcpy(data, v->data.data(), size);
    bool text = v->type == REG_SZ || v->type == REG_EXPAND_SZ || v->type == REG_MULTI_SZ;
    if (text && room > size && (size == 0 || v->data.back() != '\0')) data[size] = 0;
    return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY hKey, const char* valueName, DWORD, DWORD type, const BYTE* data, DWORD cbData) {
    if (!data && cbData) return ERROR_INVALID_PARAMETER;
    if (!ValidValueName(valueName)) return ERROR_INVALID_PARAMETER;
    std::string name = valueName ? valueName : "";
    std::string bytes(reinterpret_cast<const char*>(data), data ? cbData : 0);

    OpenedKey k;
    if (LONG rc = OpenKey(hKey, KEY_SET_VALUE, k)) return rc;
    const KeyHandle& h = *k.handle;
    // Storing what is already stored needs no write (the settings are written back whole, mostly unchanged).
    if (h.root != kClasses || Walk(k.view.User(), ClassesPrefix(), h.path)) {
        const Value* v = k.key->FindValue(name);
        if (v && v->type == type && v->data == bytes) return ERROR_SUCCESS;
    }

    const std::vector<std::string>& prefix = WritePrefix(h.root);
    return WritableStore(h.root).Change([&](Key& root, bool& modified) -> LONG {
        Key* key = &root;
        for (const std::string& p : prefix) key = key->Add(p);
        for (const std::string& p : h.path) {
            Key* next = key->Find(p);
            // A classes key that only the machine has gets its own copy in the user's file.
            if (!next && h.root == kClasses) next = key->Add(p);
            if (!next) return ERROR_KEY_DELETED;
            key = next;
        }
        modified = key->SetValue(name, type, bytes);
        return ERROR_SUCCESS;
    });
}

namespace {

// The sub-key names of the key this thread enumerated last, with the content of the files they were listed from:
// a caller that lists n sub-keys one index at a time then has them listed once, not n times.
struct EnumeratedNames {
    Root root = kUser;
    std::vector<std::string> path;
    std::uint64_t user = 0, machine = 0;  // the files' serials; 0: nothing kept
    std::vector<std::string> names;
};
thread_local EnumeratedNames t_enumerated;

}  // namespace

LONG RegEnumKey(HKEY hKey, DWORD index, char* name, DWORD cchName) {
    if (!name) return ERROR_INVALID_PARAMETER;
    const std::shared_ptr<const KeyHandle> handle = Resolve(hKey);
    // The serials are taken before the key is looked up, so the names listed are never older than the serials
    // they are kept with. Inside a transaction (serial 0) nothing is kept.
    std::uint64_t user = 1, machine = 1;
    if (handle && handle->root != kMachine) user = State().user.Serial(t_scope);
    if (handle && handle->root != kUser) machine = State().machine.Serial(t_scope);
    OpenedKey k;
    if (LONG rc = OpenKey(hKey, KEY_ENUMERATE_SUB_KEYS, k)) return rc;
    EnumeratedNames& kept = t_enumerated;
    if (!(user && machine && kept.user == user && kept.machine == machine && kept.root == k.handle->root &&
          kept.path == k.handle->path)) {
        kept.user = kept.machine = 0;  // nothing kept should the listing throw
        kept.names = SubkeyNames(k.view, k.handle->root, k.handle->path);
        kept.root = k.handle->root;
        kept.path = k.handle->path;
        kept.user = user;
        kept.machine = machine;
    }
    const std::vector<std::string>& names = kept.names;
    if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
    const std::string& n = names[index];
    if (cchName <= n.size()) return ERROR_MORE_DATA;
    std::memcpy(name, n.c_str(), n.size() + 1);
    return ERROR_SUCCESS;
}

LONG RegQueryInfoKey(HKEY hKey, char* keyClass, DWORD* cchClass, DWORD*, DWORD* subKeys, DWORD* maxSubKeyLen,
                     DWORD* maxClassLen, DWORD* values, DWORD* maxValueNameLen, DWORD* maxValueLen,
                     DWORD* cbSecurityDescriptor, FILETIME* lastWriteTime) {
    OpenedKey k;
    if (LONG rc = OpenKey(hKey, KEY_QUERY_VALUE, k)) return rc;
    std::vector<std::string> names = SubkeyNames(k.view, k.handle->root, k.handle->path);
    size_t longestKey = 0, longestName = 0, longestData = 0;
    for (const std::string& n : names) longestKey = std::max(longestKey, n.size());
    for (const Value& v : k.key->values) {
        longestName = std::max(longestName, v.name.size());
        longestData = std::max(longestData, v.data.size());
    }
    if (keyClass && cchClass && *cchClass) keyClass[0] = '\0';
    if (cchClass) *cchClass = 0;
    if (subKeys) *subKeys = static_cast<DWORD>(names.size());
    if (maxSubKeyLen) *maxSubKeyLen = static_cast<DWORD>(longestKey);
    if (maxClassLen) *maxClassLen = 0;
    if (values) *values = static_cast<DWORD>(k.key->values.size());
    if (maxValueNameLen) *maxValueNameLen = static_cast<DWORD>(longestName);
    if (maxValueLen) *maxValueLen = static_cast<DWORD>(longestData);
    if (cbSecurityDescriptor) *cbSecurityDescriptor = 0;
    if (lastWriteTime) *lastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG RegQueryMultipleValues(HKEY hKey, VALENT* valList, DWORD numVals, char* valueBuf, DWORD* totalSize) {
    if (!totalSize || (numVals && !valList)) return ERROR_INVALID_PARAMETER;
    OpenedKey k;
    if (LONG rc = OpenKey(hKey, KEY_QUERY_VALUE, k)) return rc;
    std::vector<const Value*> found(numVals);
    std::uint64_t total = 0;
    for (DWORD i = 0; i < numVals; ++i) {
        found[i] = k.key->FindValue(valList[i].ve_valuename ? valList[i].ve_valuename : "");
        if (!found[i]) return ERROR_FILE_NOT_FOUND;
        total += found[i]->data.size();
    }
    if (total > 0xFFFFFFFFu) return ERROR_NOT_ENOUGH_MEMORY;
    if (!valueBuf || *totalSize < total) {
        *totalSize = static_cast<DWORD>(total);
        return ERROR_MORE_DATA;
    }
    char* p = valueBuf;
    for (DWORD i = 0; i < numVals; ++i) {
        const std::string& d = found[i]->data;
        if (!d.empty()) std::memcpy(p, d.data(), d.size());
        valList[i].ve_valuelen = static_cast<DWORD>(d.size());
        valList[i].ve_valueptr = reinterpret_cast<std::uintptr_t>(p);
        valList[i].ve_type = found[i]->type;
        p += d.size();
    }
    *totalSize = static_cast<DWORD>(total);
    return ERROR_SUCCESS;
}

CRegistryReadScope::CRegistryReadScope() {
    if (t_scopeDepth++ == 0) {
        unsigned id;
        do id = ++g_scopeCounter; while (id == 0);
        t_scope = id;
    }
}

CRegistryReadScope::~CRegistryReadScope() {
    if (--t_scopeDepth == 0) t_scope = 0;
}

std::uint64_t RegistryUserContentSerial() { return State().user.Serial(t_scope); }

CRegistryTransaction::CRegistryTransaction(LockMode mode) : m_uncaught(std::uncaught_exceptions()) {
    State().user.BeginTransaction(mode == LockNow);
}

CRegistryTransaction::~CRegistryTransaction() {
    if (!m_open) return;
    // Leaving by an exception drops the changes.
    State().user.EndTransaction(std::uncaught_exceptions() <= m_uncaught);
}

LONG CRegistryTransaction::Commit() {
    if (!m_open) return ERROR_SUCCESS;
    m_open = false;
    return State().user.EndTransaction(true);
}

void CRegistryTransaction::Rollback() {
    if (!m_open) return;
    m_open = false;
    State().user.EndTransaction(false);
}
