// The library as a module: its version string, the handle its resources are loaded from, and the entry points of
// the in-process automation server that serves the plug-in reader (CZIDEzerEzizir) to automation clients.
//
// At load, in this order: the library's module state, the version string (empty), the application object and
// the class factory of the reader are constructed; then the application object is initialised: the version
// string is set, the class factories are registered in the process (so that the reader can be created while the
// library is loaded) and the help-file path is prepared. Unload destroys them in reverse order.
#pragma once

#include "xrddata/platform/com.h"
#include "xrddata/platform/modulestate.h"
#include "xrddata/platform/types.h"

// "ZOD Arad Ovu 2. 0. 0. 0" once the library is initialised.
XRDDATA_API extern CString TVXRDDataVersion;

// The reader class as automation clients create it.
XRDDATA_API extern const CLSID CLSID_ZIDEzerEzizir;   // {5FB1C716-12B5-11D3-8083-00105A49620E}
XRDDATA_API extern const char* const ProgID_ZIDEzerEzizir;  // "DIVUZoru.ZIDEzerEzizir"

// The handle of this library's resources, whatever module calls.
XRDDATA_API HINSTANCE GetXRDDataResourceHandle();

extern "C" {
// The class object of one of the library's classes (CLASS_E_CLASSNOTAVAILABLE for others).
XRDDATA_API HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
// S_OK when no reader object and no lock is outstanding, else S_FALSE.
XRDDATA_API HRESULT DllCanUnloadNow();
// Writes the store entries of the library's classes (class identifier, programmatic identifier, this library's
// file as the in-process server); returns S_OK whatever the outcome.
XRDDATA_API HRESULT DllRegisterServer();
}
