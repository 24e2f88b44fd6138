#include "xrddata/platform/cmdtarget.h"

#include <atomic>
#include <cstring>
#include <exception>
#include <new>

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

namespace {

std::atomic<LONG> g_lockCount{0};

// Automation names compare without regard to ASCII case.
bool SameName(const OLECHAR* name, const char* entry) {
    size_t i = 0;
    for (; name[i] && entry[i]; ++i) {
        char16_t a = name[i];
        char16_t b = static_cast<unsigned char>(entry[i]);
        if (a >= u'a' && a <= u'z') a = static_cast<char16_t>(a - 32);
        if (b >= u'a' && b <= u'z') b = static_cast<char16_t>(b - 32);
        if (a != b) return false;
    }
    return name[i] == 0 && entry[i] == 0;
}

// A by-value argument as the integer the parameter wants; false when the type does not convert.
bool IntegerArgument(const VARIANT& v, LONG& out) {
    switch (v.vt) {
        case VT_BOOL: out = v.boolVal; return true;
        case VT_I2: out = v.iVal; return true;
        case VT_I4: out = v.lVal; return true;
        case VT_UI1: out = v.bVal; return true;
        default: return false;
    }
}

void FillException(EXCEPINFO* pExcepInfo, HRESULT scode, const char* text) {
    if (!pExcepInfo) return;
    std::memset(pExcepInfo, 0, sizeof(EXCEPINFO));
    pExcepInfo->scode = scode;
    pExcepInfo->bstrDescription = SysAllocStringFromUtf8(text ? text : "");
}

}  // namespace

void AfxOleLockApp() { ++g_lockCount; }
void AfxOleUnlockApp() { --g_lockCount; }
LONG AfxOleGetLockCount() { return g_lockCount.load(); }

CCmdTarget::CCmdTarget() : m_xDispatch(this) {}
CCmdTarget::~CCmdTarget() = default;

void CCmdTarget::EnableAutomation() { m_bAutomation = TRUE; }

ULONG CCmdTarget::ExternalAddRef() { return ++m_dwRef; }

ULONG CCmdTarget::ExternalRelease() {
    if (m_dwRef == 0) return 0;
    ULONG left = --m_dwRef;
    if (left == 0) OnFinalRelease();
    return left;
}

HRESULT CCmdTarget::ExternalQueryInterface(const IID* iid, void** ppvObj) {
    if (!ppvObj) return E_POINTER;
    *ppvObj = nullptr;
    if (!iid || !m_bAutomation) return E_NOINTERFACE;
    const IID* own = GetDispatchIID();
    if (*iid == IID_IUnknown || *iid == IID_IDispatch || (own && *iid == *own)) {
        *ppvObj = static_cast<IDispatch*>(&m_xDispatch);
        ExternalAddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

void CCmdTarget::OnFinalRelease() { delete this; }

const AFX_DISPMAP_ENTRY* CCmdTarget::GetDispatchMap(UINT& nCount) const {
    nCount = 0;
    return nullptr;
}

const IID* CCmdTarget::GetDispatchIID() const { return nullptr; }

HRESULT CCmdTarget::XDispatch::QueryInterface(REFIID riid, void** ppv) {
    return m_pOwner->ExternalQueryInterface(&riid, ppv);
}
ULONG CCmdTarget::XDispatch::AddRef() { return m_pOwner->ExternalAddRef(); }
ULONG CCmdTarget::XDispatch::Release() { return m_pOwner->ExternalRelease(); }

HRESULT CCmdTarget::XDispatch::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT CCmdTarget::XDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo) *ppTInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT CCmdTarget::XDispatch::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
    if (!rgszNames || !rgDispId) return E_POINTER;
    if (cNames == 0) return E_INVALIDARG;
    UINT count = 0;
    const AFX_DISPMAP_ENTRY* map = m_pOwner->GetDispatchMap(count);
    // Only the member name can be resolved: the methods take no named arguments.
    HRESULT hr = S_OK;
    for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
    if (!rgszNames[0]) return DISP_E_UNKNOWNNAME;
    for (UINT e = 0; e < count; ++e)
        if (SameName(rgszNames[0], map[e].lpszName)) rgDispId[0] = map[e].lDispID;
    if (rgDispId[0] == DISPID_UNKNOWN || cNames > 1) hr = DISP_E_UNKNOWNNAME;
    return hr;
}

HRESULT CCmdTarget::XDispatch::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                                      VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (!pDispParams) return E_POINTER;
    UINT count = 0;
    const AFX_DISPMAP_ENTRY* map = m_pOwner->GetDispatchMap(count);
    const AFX_DISPMAP_ENTRY* entry = nullptr;
    for (UINT e = 0; e < count; ++e)
        if (map[e].lDispID == dispIdMember) entry = &map[e];
    if (!entry || !(wFlags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    if (pDispParams->cNamedArgs) return DISP_E_NONAMEDARGS;
    if (pDispParams->cArgs != entry->nParams) return DISP_E_BADPARAMCOUNT;
    if (entry->nParams && !pDispParams->rgvarg) return E_POINTER;

    // Arguments arrive last first.
    VARIANT converted[16];
    VARIANT* args[16];
    if (entry->nParams > 16) return DISP_E_BADPARAMCOUNT;
    for (UINT i = 0; i < entry->nParams; ++i) {
        UINT at = pDispParams->cArgs - 1 - i;
        VARIANT& arg = pDispParams->rgvarg[at];
        VARTYPE want = entry->pvtParams[i];
        bool ok;
        if (want & VT_BYREF) {
            ok = arg.vt == want && arg.byref != nullptr;
            args[i] = &arg;
        } else {
            LONG value = 0;
            ok = IntegerArgument(arg, value);
            VariantInit(&converted[i]);
            converted[i].vt = want;
            if (want == VT_BOOL)
                converted[i].boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
            else
                converted[i].lVal = value;
            args[i] = &converted[i];
        }
        if (!ok) {
            if (puArgErr) *puArgErr = at;
            return DISP_E_TYPEMISMATCH;
        }
    }
    VARIANT result;
    VariantInit(&result);
    result.vt = entry->vtResult;
    HRESULT hr;
    try {
        hr = entry->pfnCall(m_pOwner, args, &result);
    } catch (const std::bad_alloc&) {
        FillException(pExcepInfo, E_OUTOFMEMORY, "Out of memory.");
        return DISP_E_EXCEPTION;
    } catch (const std::exception& e) {
        FillException(pExcepInfo, E_FAIL, e.what());
        return DISP_E_EXCEPTION;
    } catch (...) {
        FillException(pExcepInfo, E_UNEXPECTED, "");
        return DISP_E_EXCEPTION;
    }
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    if (pVarResult) {
        VariantInit(pVarResult);
        *pVarResult = result;
    } else {
        VariantClear(&result);
    }
    return hr;
}
