// The library as a module: version string, resource handle and module state, the server entry points and their
// store entries, and the help file.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <stdexcept>

#include "support/registry_sandbox.h"
#include "xrddata/import/plugin.h"
#include "xrddata/module/helpfile.h"
#include "xrddata/module/module.h"
#include "xrddata/platform/registry.h"
#include "xrddata/platform/winapp.h"

namespace {

CString DefaultValue(const char* key) {
    HKEY hKey = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return "<missing>";
    char buf[1024] = {};
    DWORD size = sizeof buf - 1, type = 0;
    LONG rc = RegQueryValueEx(hKey, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(hKey);
    return rc == ERROR_SUCCESS && type == REG_SZ ? CString(buf) : "<unreadable>";
}

CString LibraryPath() {
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info);
    return info.dli_fname;
}

}  // namespace

TEST(Module, VersionAndResourceHandle) {
    EXPECT_EQ(TVXRDDataVersion, "ZOD Arad Ovu 2. 0. 0. 0");

    Dl_info info{};
    ASSERT_TRUE(dladdr(reinterpret_cast<void*>(&GetXRDDataResourceHandle), &info));
    // The host (this program) gets the library's handle, not its own, and its own state stays current.
    HINSTANCE host = AfxGetResourceHandle();
    EXPECT_EQ(GetXRDDataResourceHandle(), static_cast<HINSTANCE>(info.dli_fbase));
    EXPECT_NE(host, GetXRDDataResourceHandle());
    EXPECT_EQ(AfxGetResourceHandle(), host);
    EXPECT_EQ(AfxGetApp(), nullptr);

    // The guard restores the caller's state on every way out.
    try {
        AFX_MANAGE_STATE(AfxGetStaticModuleState());
        EXPECT_EQ(AfxGetResourceHandle(), static_cast<HINSTANCE>(info.dli_fbase));
        ASSERT_NE(AfxGetApp(), nullptr);
        throw std::runtime_error("out");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(AfxGetResourceHandle(), host);

    // The help file lies beside the library, as compiled HTML help.
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CString lib = LibraryPath();
    CString expected = lib.substr(0, lib.find('.', lib.rfind('/'))) + ".chm";
    EXPECT_EQ(CString(AfxGetApp()->m_pszHelpFilePath), expected);
    ConvertHelpFilename();  // a second call keeps it
    EXPECT_EQ(CString(AfxGetApp()->m_pszHelpFilePath), expected);
}

TEST(Module, ServerEntryPoints) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_ZIDEzerEzizir, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(IID_IDispatch, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(p, nullptr);

    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
    EXPECT_EQ(factory->CreateInstance(outer, IID_IDispatch, &p), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &p), E_NOINTERFACE);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);  // the refused object is gone
    IUnknown* object = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, CZIDEzerEzizir::IID_IZIDEzerEzizir, reinterpret_cast<void**>(&object)),
              S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    factory->LockServer(TRUE);
    object->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    factory->LockServer(FALSE);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
    factory->Release();

    // The class is also found through the process's class table.
    IClassFactory* same = nullptr;
    EXPECT_EQ(CoGetClassObject(CLSID_ZIDEzerEzizir, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&same)),
              S_OK);
    EXPECT_EQ(same, factory);
    same->Release();
}

TEST(Module, RegisterServerWritesTheStoreEntries) {
    testing_support::RegistrySandbox sandbox;
    EXPECT_EQ(DllRegisterServer(), S_OK);
    const char* clsid = "CLSID\\{5FB1C716-12B5-11D3-8083-00105A49620E}";
    EXPECT_EQ(DefaultValue((CString(clsid) + "\\InprocServer32").c_str()), LibraryPath());
    EXPECT_EQ(DefaultValue((CString(clsid) + "\\ProgID").c_str()), "DIVUZoru.ZIDEzerEzizir");
    EXPECT_EQ(DefaultValue("DIVUZoru.ZIDEzerEzizir\\CLSID"), "{5FB1C716-12B5-11D3-8083-00105A49620E}");
    // The entries live in the user's file.
    HKEY hKey = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Classes\\CLSID\\{5FB1C716-12B5-11D3-8083-00105A49620E}", 0,
                           KEY_READ, &hKey),
              ERROR_SUCCESS);
    RegCloseKey(hKey);

    // A store that cannot be written: still success.
    testing_support::RegistrySandbox unwritable;
    ::setenv("XRDDATA_USER_REGISTRY", (unwritable.dir.file("no/such/dir/user.reg")).c_str(), 1);
    EXPECT_EQ(DllRegisterServer(), S_OK);
}
