// The component object model as far as the library and its plug-in readers use it: GUIDs and their braced text
// form, IUnknown reference counting, class factories, a small IDispatch (names to identifiers, method calls with
// VARIANT arguments), _com_error for component failures, and CoGetClassObject. Class objects are found among those
// registered in this process (CoRegisterClassObject) or in a shared object that the settings store names for the
// class identifier: HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32 (the user's Software\Classes first, then the
// machine's), loaded with dlopen and asked through its exported DllGetClassObject. Loaded components stay loaded
// for the life of the process.
#pragma once

#include <cstdint>

#include "xrddata/platform/datetime.h"
#include "xrddata/platform/types.h"
#include "xrddata/platform/variant.h"

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}

constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Further result codes of the object model.
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8u);
constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9u);
constexpr HRESULT CO_E_OBJNOTREG = static_cast<HRESULT>(0x800401FBu);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);

// Class contexts and registration kinds.
enum : DWORD {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_LOCAL_SERVER = 0x4,
};
enum : DWORD { REGCLS_SINGLEUSE = 0, REGCLS_MULTIPLEUSE = 1 };

class IUnknown {
public:
    virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

class IClassFactory : public IUnknown {
public:
    virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) = 0;
    virtual HRESULT LockServer(BOOL fLock) = 0;

protected:
    ~IClassFactory() = default;
};

using DISPID = LONG;
constexpr DISPID DISPID_UNKNOWN = -1;

// Invoke flags.
enum : WORD { DISPATCH_METHOD = 0x1, DISPATCH_PROPERTYGET = 0x2 };

// Arguments of an Invoke, in reverse order: rgvarg[cArgs - 1] is the first parameter.
struct DISPPARAMS {
    VARIANTARG* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    void* pvReserved;
    void* pfnDeferredFillIn;
    HRESULT scode;
};

class ITypeInfo;  // type information is not offered (GetTypeInfo answers E_NOTIMPL)

class IDispatch : public IUnknown {
public:
    virtual HRESULT GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) = 0;
    virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                           VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;

protected:
    ~IDispatch() = default;
};

// The failure of a component call, thrown by value. Description() is the text the component gave, or empty.
class XRDDATA_API _com_error {
public:
    explicit _com_error(HRESULT hr, const CString& description = CString());
    HRESULT Error() const { return m_hr; }
    CString Description() const { return m_description; }

private:
    HRESULT m_hr;
    CString m_description;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hexadecimal digits in either case) to a GUID; CO_E_CLASSSTRING for any
// other text, the GUID then being GUID_NULL.
XRDDATA_API HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid);
XRDDATA_API HRESULT CLSIDFromString(const char* lpsz, CLSID* pclsid);
namespace xrddata::platform {
// The braced upper-case form.
XRDDATA_API CString GuidToString(REFGUID rguid);
}  // namespace xrddata::platform

// Class objects offered by this process for as long as they are registered; the table holds a reference.
XRDDATA_API HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk, DWORD dwClsContext, DWORD flags,
                                          DWORD* lpdwRegister);
XRDDATA_API HRESULT CoRevokeClassObject(DWORD dwRegister);
// The class object for rclsid asked for riid: first those registered in this process, then (in-process server
// context) the shared object named in the store. REGDB_E_CLASSNOTREG when the class is known to neither,
// CO_E_DLLNOTFOUND when the shared object cannot be loaded, CO_E_ERRORINDLL when it has no DllGetClassObject,
// otherwise what that entry returns. A component that throws gives E_UNEXPECTED. A shared object that others
// than its owner and root could have replaced, or named by a relative path, is not loaded (component_file.h):
// E_ACCESSDENIED, with a warning naming it shown once per path.
XRDDATA_API HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void* pServerInfo, REFIID riid,
                                     void** ppv);
// Why the calling thread's last CoGetClassObject failed, in words naming the shared object where one was
// involved; empty after a success.
XRDDATA_API CString CoGetClassObjectFailure();
XRDDATA_API HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                                     void** ppv);

// The entry points a component shared object exports (extern "C").
using PFN_DllGetClassObject = HRESULT (*)(REFCLSID rclsid, REFIID riid, void** ppv);
