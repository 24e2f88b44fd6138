#include "xrddata/platform/registry.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_set>

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

struct Registry {
    std::mutex mutex;
    StoreFile user{"HKEY_CURRENT_USER", true};
    StoreFile machine{"HKEY_LOCAL_MACHINE", false};
    std::unordered_set<KeyHandle*> handles;
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
// once per call, so that keys found early in a call stay valid to its end.
class View {
public:
    explicit View(Registry& reg) : m_reg(reg) {}
    const Key& User() {
        if (!m_user) m_user = &m_reg.user.Current(t_scope);
        return *m_user;
    }
    const Key& Machine() {
        if (!m_machine) m_machine = &m_reg.machine.Current(t_scope);
        return *m_machine;
    }
    const Key& Of(Root root) { return root == kMachine ? Machine() : User(); }

private:
    Registry& m_reg;
    const Key* m_user = nullptr;
    const Key* m_machine = nullptr;
};

// The classes root is this key of the user's file, then of the machine's.
const std::vector<std::string>& ClassesPrefix() {
    static const std::vector<std::string> prefix{"Software", "Classes"};
    return prefix;
}

// Resolves a handle (predefined or opened) under the lock.
bool Resolve(Registry& reg, HKEY h, KeyHandle& out) {
    if (h == HKEY_CLASSES_ROOT || h == HKEY_CURRENT_USER || h == HKEY_LOCAL_MACHINE) {
        out.root = h == HKEY_CLASSES_ROOT ? kClasses : (h == HKEY_CURRENT_USER ? kUser : kMachine);
        out.path.clear();
        out.access = KEY_ALL_ACCESS;
        return true;
    }
    auto* p = reinterpret_cast<KeyHandle*>(h);
    if (!h || !reg.handles.count(p)) return false;
    out = *p;
    return true;
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

StoreFile& WritableStore(Registry& reg, Root root) { return root == kMachine ? reg.machine : reg.user; }

const std::vector<std::string>& WritePrefix(Root root) {
    static const std::vector<std::string> none;
    return root == kClasses ? ClassesPrefix() : none;
}

HKEY NewHandle(Registry& reg, Root root, std::vector<std::string> path, REGSAM access) {
    auto* h = new KeyHandle{root, std::move(path), access};
    reg.handles.insert(h);
    return reinterpret_cast<HKEY>(h);
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

}  // namespace

LONG RegCreateKeyEx(HKEY hKey, const char* subKey, DWORD, char*, DWORD, REGSAM access, void*, HKEY* result,
                    DWORD* disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Registry& reg = State();
    std::lock_guard<std::mutex> guard(reg.mutex);
    KeyHandle base;
    if (!Resolve(reg, hKey, base)) return ERROR_INVALID_HANDLE;
    std::vector<std::string> full;
    if (LONG rc = FullPath(base, subKey, full)) return rc;

    View view(reg);
    if (!Lookup(view, base.root, base.path)) return ERROR_KEY_DELETED;
    if (Lookup(view, base.root, full)) {
        *result = NewHandle(reg, base.root, StoredNames(view, base.root, full), access);
        if (disposition) *disposition = REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    }
    if (!(base.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;

    StoreFile& store = WritableStore(reg, base.root);
    const std::vector<std::string>& prefix = WritePrefix(base.root);
    bool created = false;
    std::vector<std::string> names;
    LONG rc = store.Change([&](Key& root, bool& modified) {
        Key* k = &root;
        names.clear();
        for (const std::string& p : prefix) {
            bool made = false;
            k = k->Add(p, &made);
            modified = modified || made;
        }
        for (const std::string& p : full) {
            bool made = false;
            k = k->Add(p, &made);
            modified = modified || made;
            names.push_back(k->name);
        }
        created = modified;
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS) return rc;
    *result = NewHandle(reg, base.root, std::move(names), access);
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegOpenKeyEx(HKEY hKey, const char* subKey, DWORD, REGSAM access, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    Registry& reg = State();
    std::lock_guard<std::mutex> guard(reg.mutex);
    KeyHandle base;
    if (!Resolve(reg, hKey, base)) return ERROR_INVALID_HANDLE;
    std::vector<std::string> full;
    if (LONG rc = FullPath(base, subKey, full)) return rc == ERROR_INVALID_PARAMETER ? ERROR_FILE_NOT_FOUND : rc;
    View view(reg);
    if (!Lookup(view, base.root, full)) return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(reg, base.root, StoredNames(view, base.root, full), access);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_CLASSES_ROOT || hKey == HKEY_CURRENT_USER || hKey == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    Registry& reg = State();
    std::lock_guard<std::mutex> guard(reg.mutex);
    auto* p = reinterpret_cast<KeyHandle*>(hKey);
    if (!hKey || reg.handles.erase(p) == 0) return ERROR_INVALID_HANDLE;
    delete p;
    return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY hKey, const char* valueName, DWORD*, DWORD* type, BYTE* data, DWORD* cbData) {
    if (data && !cbData) return ERROR_INVALID_PARAMETER;
    Registry& reg = State();
    std::lock_guard<std::mutex> guard(reg.mutex);
    KeyHandle h;
    if (!Resolve(reg, hKey, h)) return ERROR_INVALID_HANDLE;
    if (!(h.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    View view(reg);
    const Key* k = Lookup(view, h.root, h.path);
    if (!k) return ERROR_KEY_DELETED;
    const Value* v = k->FindValue(valueName ? valueName : "");
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

    Registry& reg = State();
    std::lock_guard<std::mutex> guard(reg.mutex);
    KeyHandle h;
    if (!Resolve(reg, hKey, h)) return ERROR_INVALID_HANDLE;
    if (!(h.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    View view(reg);
    const Key* k = Lookup(view, h.root, h.path);
    if (!k) return ERROR_KEY_DELETED;
    // Storing what is already stored needs no write (the settings are written back whole, mostly unchanged).
    if (h.root != kClasses || Walk(view.User(), ClassesPrefix(), h.path)) {
        const Value* v = k->FindValue(name);
        if (v && v->type == type && v->data == bytes) return ERROR_SUCCESS;
    }

    StoreFile& store = WritableStore(reg, h.root);
    const std::vector<std::string>& prefix = WritePrefix(h.root);
    return store.Change([&](Key& root, bool& modified) -> LONG {
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

LONG RegEnumKeyEx(HKEY hKey, DWORD index, char* name, DWORD* cchName, DWORD*, char* keyClass, DWORD* cchClass,
                  FILETIME* lastWriteTime) {
    if (!name || !cchName) return ERROR_INVALID_PARAMETER;
    Registry& reg = State();
    std::lock_guard<std::mutex> guard(reg.mutex);
    KeyHandle h;
    if (!Resolve(reg, hKey, h)) return ERROR_INVALID_HANDLE;
    if (!(h.access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    View view(reg);
    if (!Lookup(view, h.root, h.path)) return ERROR_KEY_DELETED;
    std::vector<std::string> names = SubkeyNames(view, h.root, h.path);
    if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
    const std::string& n = names[index];
    if (*cchName <= n.size()) return ERROR_MORE_DATA;
    std::memcpy(name, n.c_str(), n.size() + 1);
    *cchName = static_cast<DWORD>(n.size());
    if (keyClass && cchClass && *cchClass) keyClass[0] = '\0';
    if (cchClass) *cchClass = 0;
    if (lastWriteTime) *lastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG RegEnumKey(HKEY hKey, DWORD index, char* name, DWORD cchName) {
    return RegEnumKeyEx(hKey, index, name, &cchName, nullptr, nullptr, nullptr, nullptr);
}

LONG RegQueryInfoKey(HKEY hKey, char* keyClass, DWORD* cchClass, DWORD*, DWORD* subKeys, DWORD* maxSubKeyLen,
                     DWORD* maxClassLen, DWORD* values, DWORD* maxValueNameLen, DWORD* maxValueLen,
                     DWORD* cbSecurityDescriptor, FILETIME* lastWriteTime) {
    Registry& reg = State();
    std::lock_guard<std::mutex> guard(reg.mutex);
    KeyHandle h;
    if (!Resolve(reg, hKey, h)) return ERROR_INVALID_HANDLE;
    if (!(h.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    View view(reg);
    const Key* k = Lookup(view, h.root, h.path);
    if (!k) return ERROR_KEY_DELETED;
    std::vector<std::string> names = SubkeyNames(view, h.root, h.path);
    size_t longestKey = 0, longestName = 0, longestData = 0;
    for (const std::string& n : names) longestKey = std::max(longestKey, n.size());
    for (const Value& v : k->values) {
        longestName = std::max(longestName, v.name.size());
        longestData = std::max(longestData, v.data.size());
    }
    if (keyClass && cchClass && *cchClass) keyClass[0] = '\0';
    if (cchClass) *cchClass = 0;
    if (subKeys) *subKeys = static_cast<DWORD>(names.size());
    if (maxSubKeyLen) *maxSubKeyLen = static_cast<DWORD>(longestKey);
    if (maxClassLen) *maxClassLen = 0;
    if (values) *values = static_cast<DWORD>(k->values.size());
    if (maxValueNameLen) *maxValueNameLen = static_cast<DWORD>(longestName);
    if (maxValueLen) *maxValueLen = static_cast<DWORD>(longestData);
    if (cbSecurityDescriptor) *cbSecurityDescriptor = 0;
    if (lastWriteTime) *lastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG RegQueryMultipleValues(HKEY hKey, VALENT* valList, DWORD numVals, char* valueBuf, DWORD* totalSize) {
    if (!totalSize || (numVals && !valList)) return ERROR_INVALID_PARAMETER;
    Registry& reg = State();
    std::lock_guard<std::mutex> guard(reg.mutex);
    KeyHandle h;
    if (!Resolve(reg, hKey, h)) return ERROR_INVALID_HANDLE;
    if (!(h.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    View view(reg);
    const Key* k = Lookup(view, h.root, h.path);
    if (!k) return ERROR_KEY_DELETED;
    std::vector<const Value*> found(numVals);
    std::uint64_t total = 0;
    for (DWORD i = 0; i < numVals; ++i) {
        found[i] = k->FindValue(valList[i].ve_valuename ? valList[i].ve_valuename : "");
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
