// CCmdTarget: a reference-counted object that can serve automation clients. With EnableAutomation it offers
// IDispatch over a dispatch table of methods (name, identifier, result type, parameter types, call); Invoke checks
// the argument count and types, converts by-value arguments and calls the method with the arguments in their
// declared order. Also the application lock that keeps the library loaded while clients hold its objects.
#pragma once

#include "xrddata/platform/com.h"
#include "xrddata/platform/runtimeclass.h"

// One automation method. Parameter types are VT_BOOL or VT_I4 (by value: converted from VT_BOOL, VT_I2, VT_I4 or
// VT_UI1) or VT_BYREF | type (the argument must carry exactly that type and a non-null pointer). The call gets the
// arguments in declared order and a result VARIANT already set to vtResult (VT_EMPTY: no result).
struct AFX_DISPMAP_ENTRY {
    const char* lpszName;
    DISPID lDispID;
    VARTYPE vtResult;
    const VARTYPE* pvtParams;
    UINT nParams;
    HRESULT (*pfnCall)(class CCmdTarget* pTarget, VARIANT** args, VARIANT* result);
};

class XRDDATA_API CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget();
    ~CCmdTarget() override;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Offers IDispatch (and the class's dispatch interface identifier) from now on.
    void EnableAutomation();

    // Reference counting of the object as clients see it: a new object holds one reference; the last release
    // calls OnFinalRelease, which deletes the object.
    ULONG ExternalAddRef();
    ULONG ExternalRelease();
    HRESULT ExternalQueryInterface(const IID* iid, void** ppvObj);
    virtual void OnFinalRelease();

    ULONG m_dwRef = 1;

protected:
    // The dispatch table (count in nCount) and the identifier of the class's own dispatch interface.
    virtual const AFX_DISPMAP_ENTRY* GetDispatchMap(UINT& nCount) const;
    virtual const IID* GetDispatchIID() const;

private:
    class XDispatch : public IDispatch {
    public:
        explicit XDispatch(CCmdTarget* owner) : m_pOwner(owner) {}
        HRESULT QueryInterface(REFIID riid, void** ppv) override;
        ULONG AddRef() override;
        ULONG Release() override;
        HRESULT GetTypeInfoCount(UINT* pctinfo) override;
        HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
        HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
        HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                       VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    private:
        CCmdTarget* m_pOwner;
    };
    XDispatch m_xDispatch;
    BOOL m_bAutomation = FALSE;
};

// The application lock: objects served to clients hold it so that DllCanUnloadNow says no.
XRDDATA_API void AfxOleLockApp();
XRDDATA_API void AfxOleUnlockApp();
XRDDATA_API LONG AfxOleGetLockCount();
