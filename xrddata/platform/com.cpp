#include "xrddata/platform/com.h"

#include <dlfcn.h>
#include <link.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <new>
#include <set>
#include <type_traits>
#include <string>
#include <vector>

#include "xrddata/platform/component_file.h"
#include "xrddata/platform/registry.h"
#include "xrddata/platform/strutil.h"
#include "xrddata/platform/ui.h"

_com_error::_com_error(HRESULT hr, const CString& description) : m_hr(hr), m_description(description) {}

namespace {

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Parses exactly "{8-4-4-4-12}" of hexadecimal digits.
template <typename Char>
bool ParseGuid(const Char* s, GUID& g) {
    if (!s) return false;
    static const char kShape[] = "{........-....-....-....-............}";
    unsigned char bytes[16];
    int nibble = 0;
    for (int i = 0; kShape[i]; ++i) {
        Char c = s[i];
        if (kShape[i] != '.') {
            if (c != static_cast<Char>(kShape[i])) return false;
            continue;
        }
        int d = HexDigit(static_cast<char16_t>(static_cast<std::make_unsigned_t<Char>>(c)));
        if (d < 0) return false;
        if (nibble % 2 == 0)
            bytes[nibble / 2] = static_cast<unsigned char>(d << 4);
        else
            bytes[nibble / 2] = static_cast<unsigned char>(bytes[nibble / 2] | d);
        ++nibble;
    }
    if (s[38] != 0) return false;
    g.Data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
              bytes[3];
    g.Data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    g.Data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
    for (int i = 0; i < 8; ++i) g.Data4[i] = bytes[8 + i];
    return true;
}

template <typename Char>
HRESULT GuidFromText(const Char* s, GUID* out) {
    if (!out) return E_INVALIDARG;
    GUID g;
    if (!ParseGuid(s, g)) {
        *out = GUID_NULL;
        return CO_E_CLASSSTRING;
    }
    *out = g;
    return S_OK;
}

// Class objects registered in this process. The table is never destroyed, so that libraries revoking their class
// objects from static destructors at unload still find it.
struct ClassEntry {
    CLSID clsid;
    IUnknown* object;
    DWORD context;
};
struct ClassTable {
    std::mutex lock;
    std::map<DWORD, ClassEntry> entries;
    DWORD next = 1;
    std::map<std::string, void*> libraries;  // path -> dlopen handle
    std::set<std::string> refusedShown;      // paths whose refusal was shown
};
ClassTable& Table() {
    static ClassTable* table = new ClassTable;
    return *table;
}

// The in-process server path the store names for the class, or empty.
CString InprocServerPath(REFCLSID rclsid) {
    CString key = "CLSID\\" + xrddata::platform::GuidToString(rclsid) + "\\InprocServer32";
    HKEY hKey = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return CString();
    CString path;
    DWORD type = 0, size = 0;
    if (RegQueryValueEx(hKey, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
        std::vector<BYTE> buf(size + 1, 0);
        DWORD got = size;
        if (RegQueryValueEx(hKey, nullptr, nullptr, &type, buf.data(), &got) == ERROR_SUCCESS)
            path.assign(reinterpret_cast<const char*>(buf.data()));
    }
    RegCloseKey(hKey);
    return path;
}

// dlsym also searches the libraries the object depends on (this library among them, which exports its own
// DllGetClassObject): the entry only counts when the object itself defines it.
bool DefinedIn(void* handle, void* symbol) {
    struct link_map* map = nullptr;
    Dl_info info;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || !dladdr(symbol, &info) || !info.dli_fname)
        return false;
    return map->l_name && std::string(map->l_name) == info.dli_fname;
}

}  // namespace

HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid) { return GuidFromText(lpsz, pclsid); }
HRESULT CLSIDFromString(const char* lpsz, CLSID* pclsid) { return GuidFromText(lpsz, pclsid); }

CString xrddata::platform::GuidToString(REFGUID g) {
    return Format("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned>(g.Data1),
                  static_cast<unsigned>(g.Data2), static_cast<unsigned>(g.Data3), g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
}

HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk, DWORD dwClsContext, DWORD, DWORD* lpdwRegister) {
    if (!pUnk || !lpdwRegister) return E_INVALIDARG;
    ClassTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    DWORD cookie = t.next++;
    pUnk->AddRef();
    t.entries[cookie] = ClassEntry{rclsid, pUnk, dwClsContext};
    *lpdwRegister = cookie;
    return S_OK;
}

HRESULT CoRevokeClassObject(DWORD dwRegister) {
    IUnknown* object = nullptr;
    {
        ClassTable& t = Table();
        std::lock_guard<std::mutex> guard(t.lock);
        auto it = t.entries.find(dwRegister);
        if (it == t.entries.end()) return CO_E_OBJNOTREG;
        object = it->second.object;
        t.entries.erase(it);
    }
    object->Release();
    return S_OK;
}

namespace {

thread_local CString t_classObjectFailure;

HRESULT Failed(HRESULT hr, const CString& why) {
    t_classObjectFailure = why;
    return hr;
}

}  // namespace

CString CoGetClassObjectFailure() { return t_classObjectFailure; }

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void*, REFIID riid, void** ppv) {
    t_classObjectFailure.clear();
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    ClassTable& t = Table();
    IUnknown* registered = nullptr;
    {
        std::lock_guard<std::mutex> guard(t.lock);
        for (auto& [cookie, entry] : t.entries) {
            if (entry.clsid == rclsid && (entry.context & dwClsContext)) {
                registered = entry.object;
                registered->AddRef();
                break;
            }
        }
    }
    try {
        if (registered) {
            HRESULT hr = registered->QueryInterface(riid, ppv);
            registered->Release();
            if (FAILED(hr)) t_classObjectFailure = "the class object does not offer the interface asked for";
            return hr;
        }
        if (!(dwClsContext & CLSCTX_INPROC_SERVER))
            return Failed(REGDB_E_CLASSNOTREG, "the class is not registered");
        CString path = InprocServerPath(rclsid);
        if (path.empty()) return Failed(REGDB_E_CLASSNOTREG, "the class is not registered");
        void* handle = nullptr;
        {
            std::lock_guard<std::mutex> guard(t.lock);
            auto it = t.libraries.find(path);
            if (it != t.libraries.end()) handle = it->second;
        }
        if (!handle) {
            ComponentFileCheck check = CheckComponentFile(path);
            if (check.result == ComponentFileCheck::missing)
                return Failed(CO_E_DLLNOTFOUND, "the library " + path + " " + check.reason);
            if (check.result == ComponentFileCheck::refused) {
                bool first;
                {
                    std::lock_guard<std::mutex> guard(t.lock);
                    first = t.refusedShown.insert(path).second;
                }
                if (first)
                    AfxMessageBox("The component library " + path + " is not loaded: " + check.reason,
                                  MB_OK | MB_ICONEXCLAMATION);
                return Failed(E_ACCESSDENIED, "the library " + path + " is not loaded: " + check.reason);
            }
            handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) {
                const char* err = dlerror();
                return Failed(CO_E_DLLNOTFOUND, "the library " + path + " cannot be loaded (" +
                                                    CString(err ? err : "unknown reason") + ")");
            }
            std::lock_guard<std::mutex> guard(t.lock);
            t.libraries.emplace(path, handle);  // kept loaded: its objects may outlive every reference we see
        }
        auto entry = reinterpret_cast<PFN_DllGetClassObject>(dlsym(handle, "DllGetClassObject"));
        if (!entry || !DefinedIn(handle, reinterpret_cast<void*>(entry)))
            return Failed(CO_E_ERRORINDLL, "the library " + path + " has no DllGetClassObject");
        HRESULT hr = entry(rclsid, riid, ppv);
        if (FAILED(hr)) {
            *ppv = nullptr;
            t_classObjectFailure = Format("the library %s refuses the class (0x%08x)", path.c_str(),
                                          static_cast<unsigned>(hr));
        }
        return hr;
    } catch (const std::bad_alloc&) {
        return Failed(E_OUTOFMEMORY, "out of memory");
    } catch (...) {
        // A component that throws out of its entry point or its QueryInterface.
        *ppv = nullptr;
        return Failed(E_UNEXPECTED, "the component failed with an exception");
    }
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    try {
        hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    } catch (...) {
        hr = E_UNEXPECTED;
        *ppv = nullptr;
    }
    factory->Release();
    return hr;
}
