#include "xrddata/platform/olefactory.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "xrddata/platform/modulestate.h"
#include "xrddata/platform/registry.h"

namespace {

// The factories of this library, never destroyed (factories leave the list from static destructors).
struct FactoryList {
    std::mutex lock;
    std::vector<COleObjectFactory*> items;
};
FactoryList& Factories() {
    static FactoryList* list = new FactoryList;
    return *list;
}

std::vector<COleObjectFactory*> Snapshot() {
    FactoryList& list = Factories();
    std::lock_guard<std::mutex> guard(list.lock);
    return list.items;
}

bool SetDefault(const CString& path, const CString& value) {
    HKEY hKey = nullptr;
    if (RegCreateKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                       &hKey, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueEx(hKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1));
    RegCloseKey(hKey);
    return rc == ERROR_SUCCESS;
}

}  // namespace

COleObjectFactory::COleObjectFactory(REFCLSID clsid, const CRuntimeClass* pRuntimeClass, BOOL bMultiInstance,
                                     const char* lpszProgID)
    : m_clsid(clsid), m_pRuntimeClass(pRuntimeClass), m_bMultiInstance(bMultiInstance), m_lpszProgID(lpszProgID) {
    FactoryList& list = Factories();
    std::lock_guard<std::mutex> guard(list.lock);
    list.items.push_back(this);
}

COleObjectFactory::~COleObjectFactory() {
    Revoke();
    FactoryList& list = Factories();
    std::lock_guard<std::mutex> guard(list.lock);
    list.items.erase(std::remove(list.items.begin(), list.items.end(), this), list.items.end());
}

BOOL COleObjectFactory::Register() {
    if (m_dwRegister) return TRUE;
    DWORD cookie = 0;
    if (FAILED(CoRegisterClassObject(m_clsid, this, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                     m_bMultiInstance ? REGCLS_MULTIPLEUSE : REGCLS_SINGLEUSE, &cookie)))
        return FALSE;
    m_dwRegister = cookie;
    return TRUE;
}

void COleObjectFactory::Revoke() {
    if (!m_dwRegister) return;
    CoRevokeClassObject(m_dwRegister);
    m_dwRegister = 0;
}

BOOL COleObjectFactory::UpdateRegistry(BOOL bRegister) {
    if (!bRegister) return TRUE;
    CString clsid = xrddata::platform::GuidToString(m_clsid);
    CString progId = m_lpszProgID ? m_lpszProgID : "";
    const CString& path = AfxGetStaticModuleState()->m_strModulePath;
    bool ok = SetDefault("CLSID\\" + clsid, progId) && SetDefault("CLSID\\" + clsid + "\\InprocServer32", path);
    if (!progId.empty())
        ok = SetDefault("CLSID\\" + clsid + "\\ProgID", progId) && SetDefault(progId, progId) &&
             SetDefault(progId + "\\CLSID", clsid) && ok;
    return ok ? TRUE : FALSE;
}

BOOL COleObjectFactory::RegisterAll() {
    BOOL ok = TRUE;
    for (COleObjectFactory* f : Snapshot())
        if (!f->Register()) ok = FALSE;
    return ok;
}

BOOL COleObjectFactory::UpdateRegistryAll(BOOL bRegister) {
    BOOL ok = TRUE;
    for (COleObjectFactory* f : Snapshot())
        if (!f->UpdateRegistry(bRegister)) ok = FALSE;
    return ok;
}

HRESULT COleObjectFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG COleObjectFactory::AddRef() { return ++m_dwRef; }
ULONG COleObjectFactory::Release() { return m_dwRef ? --m_dwRef : 0; }

CCmdTarget* COleObjectFactory::OnCreateObject() {
    if (!m_pRuntimeClass) return nullptr;
    CObject* object = m_pRuntimeClass->CreateObject();
    if (!object) return nullptr;
    if (!object->IsKindOf(RUNTIME_CLASS(CCmdTarget))) {
        delete object;
        return nullptr;
    }
    return static_cast<CCmdTarget*>(object);
}

HRESULT COleObjectFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CCmdTarget* object = OnCreateObject();
    if (!object) return E_OUTOFMEMORY;
    // The new object holds one reference; the interface asked for takes another, then ours goes.
    HRESULT hr = object->ExternalQueryInterface(&riid, ppv);
    object->ExternalRelease();
    return hr;
}

HRESULT COleObjectFactory::LockServer(BOOL fLock) {
    if (fLock)
        AfxOleLockApp();
    else
        AfxOleUnlockApp();
    return S_OK;
}

HRESULT AfxDllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (COleObjectFactory* f : Snapshot())
        if (f->GetClassID() == rclsid) return f->QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT AfxDllCanUnloadNow() { return AfxOleGetLockCount() == 0 ? S_OK : S_FALSE; }
