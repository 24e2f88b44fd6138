// COleObjectFactory: the class factory of a dynamically creatable automation class of this library. Every factory
// object is listed for the library while it lives: RegisterAll offers them to the process's class table,
// AfxDllGetClassObject serves them to DllGetClassObject, UpdateRegistryAll writes their store entries
// (HKEY_CLASSES_ROOT: CLSID\{...} with the programmatic identifier and InprocServer32 = this library's file, and
// <programmatic identifier>\CLSID). Within one process a registered class object serves every request; the
// multiple-instance flag is kept for the store and the caller.
#pragma once

#include "xrddata/platform/cmdtarget.h"

class XRDDATA_API COleObjectFactory : public IClassFactory {
public:
    COleObjectFactory(REFCLSID clsid, const CRuntimeClass* pRuntimeClass, BOOL bMultiInstance,
                      const char* lpszProgID);
    virtual ~COleObjectFactory();
    COleObjectFactory(const COleObjectFactory&) = delete;
    COleObjectFactory& operator=(const COleObjectFactory&) = delete;

    REFCLSID GetClassID() const { return m_clsid; }

    BOOL Register();
    void Revoke();
    // Writes (bRegister) the store entries of this class; FALSE when a key cannot be written.
    virtual BOOL UpdateRegistry(BOOL bRegister = TRUE);

    static BOOL RegisterAll();
    static BOOL UpdateRegistryAll(BOOL bRegister = TRUE);

    // IClassFactory. The factory lives as long as the library: reference counts never delete it.
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    HRESULT LockServer(BOOL fLock) override;

protected:
    // A new object of the class (dynamic creation), or null.
    virtual CCmdTarget* OnCreateObject();

private:
    CLSID m_clsid;
    const CRuntimeClass* m_pRuntimeClass;
    BOOL m_bMultiInstance;
    const char* m_lpszProgID;
    DWORD m_dwRegister = 0;
    ULONG m_dwRef = 0;
};

// The class object of one of this library's factories (CLASS_E_CLASSNOTAVAILABLE for any other class).
XRDDATA_API HRESULT AfxDllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
// S_OK when no object and no lock is outstanding, else S_FALSE.
XRDDATA_API HRESULT AfxDllCanUnloadNow();
