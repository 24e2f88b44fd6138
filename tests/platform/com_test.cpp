// GUID text, the process's class table and reference-only VARIANTs.
#include <gtest/gtest.h>

#include "support/registry_sandbox.h"
#include "xrddata/platform/com.h"

TEST(Com, GuidText) {
    CLSID g;
    ASSERT_EQ(CLSIDFromString("{5fb1c716-12B5-11d3-8083-00105A49620E}", &g), S_OK);
    EXPECT_EQ(g.Data1, 0x5FB1C716u);
    EXPECT_EQ(g.Data2, 0x12B5);
    EXPECT_EQ(g.Data3, 0x11D3);
    EXPECT_EQ(g.Data4[0], 0x80);
    EXPECT_EQ(g.Data4[7], 0x0E);
    EXPECT_EQ(xrddata::platform::GuidToString(g), "{5FB1C716-12B5-11D3-8083-00105A49620E}");
    CLSID w;
    ASSERT_EQ(CLSIDFromString(u"{5FB1C716-12B5-11D3-8083-00105A49620E}", &w), S_OK);
    EXPECT_EQ(w, g);

    for (const char* bad : {"5FB1C716-12B5-11D3-8083-00105A49620E", "{5FB1C716-12B5-11D3-8083-00105A49620E",
                            "{5FB1C716-12B5-11D3-8083-00105A49620E}x", "{5FB1C716-12B5-11D3-8083-00105A49620Z}",
                            "{5FB1C71612B5-11D3-8083-00105A49620E}", "", "{}"}) {
        CLSID out = g;
        EXPECT_EQ(CLSIDFromString(bad, &out), CO_E_CLASSSTRING) << bad;
        EXPECT_EQ(out, GUID_NULL) << bad;
    }
    EXPECT_EQ(CLSIDFromString(static_cast<const char*>(nullptr), &w), CO_E_CLASSSTRING);
}

namespace {
struct CountedFactory : IClassFactory {
    virtual ~CountedFactory() = default;
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT CreateInstance(IUnknown*, REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOTIMPL;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
    ULONG refs = 0;
};
}  // namespace

TEST(Com, ClassTable) {
    testing_support::RegistrySandbox sandbox;
    const CLSID clsid = {0x12345678, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &p), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(p, nullptr);

    CountedFactory f;
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(clsid, &f, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    EXPECT_EQ(f.refs, 1u);
    ASSERT_EQ(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &p), S_OK);
    EXPECT_EQ(p, &f);
    EXPECT_EQ(f.refs, 2u);
    f.Release();
    EXPECT_EQ(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IDispatch, &p), E_NOINTERFACE);
    // Only for the contexts it was registered for.
    EXPECT_EQ(CoGetClassObject(clsid, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory, &p), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p), E_NOTIMPL);
    EXPECT_EQ(f.refs, 1u);
    EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(f.refs, 0u);
    EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_OBJNOTREG);
    EXPECT_EQ(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &p), REGDB_E_CLASSNOTREG);

    _com_error e(E_FAIL, "text");
    EXPECT_EQ(e.Error(), E_FAIL);
    EXPECT_EQ(e.Description(), "text");
}

TEST(Com, ReferenceVariantsOwnNothing) {
    BSTR s = SysAllocStringFromUtf8("kept");
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BYREF | VT_BSTR;
    v.pbstrVal = &s;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(Utf8FromBstr(s), "kept");
    SysFreeString(s);
}
