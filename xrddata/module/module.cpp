#include "xrddata/module/module.h"

#include "xrddata/import/plugin.h"
#include "xrddata/module/helpfile.h"
#include "xrddata/platform/olefactory.h"
#include "xrddata/platform/winapp.h"

// The objects below are constructed in the order they are defined (one translation unit) and destroyed in
// reverse. PI needs no run-time initialisation.
namespace {
AFX_MODULE_STATE* const g_moduleState = AfxGetStaticModuleState();
}  // namespace

CString TVXRDDataVersion;

const CLSID CLSID_ZIDEzerEzizir = {0x5FB1C716, 0x12B5, 0x11D3, {0x80, 0x83, 0x00, 0x10, 0x5A, 0x49, 0x62, 0x0E}};
const char* const ProgID_ZIDEzerEzizir = "DIVUZoru.ZIDEzerEzizir";

namespace {

class CXRDDataApp : public CWinApp {
public:
    CXRDDataApp() : CWinApp(nullptr) {}
    BOOL InitInstance() override {
        TVXRDDataVersion = "ZOD Arad Ovu 2. 0. 0. 0";
        COleObjectFactory::RegisterAll();
        ConvertHelpFilename();
        return TRUE;
    }
};

CXRDDataApp theApp;

COleObjectFactory g_readerFactory(CLSID_ZIDEzerEzizir, RUNTIME_CLASS(CZIDEzerEzizir), FALSE, ProgID_ZIDEzerEzizir);

// The framework's initialisation of the application object, after everything above exists.
struct Startup {
    Startup() {
        AFX_MANAGE_STATE(g_moduleState);
        theApp.InitInstance();
    }
} g_startup;

}  // namespace

HINSTANCE GetXRDDataResourceHandle() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return AfxGetResourceHandle();
}

HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return AfxDllGetClassObject(rclsid, riid, ppv);
}

HRESULT DllCanUnloadNow() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return AfxDllCanUnloadNow();
}

HRESULT DllRegisterServer() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    COleObjectFactory::UpdateRegistryAll(TRUE);
    return S_OK;
}
