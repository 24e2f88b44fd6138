// Module state: which module's resources (dialog templates, strings), application object and instance handle are
// current on the calling thread. The host's state is current by default; every entry point of this library that
// loads resources, opens dialogs or serves class objects makes the library's own state current for its duration
// (AFX_MANAGE_STATE(AfxGetStaticModuleState())) and the guard restores the caller's on every way out, exceptions
// included. A module's handle here is its load address (the main program's for the host).
#pragma once

#include "xrddata/platform/types.h"

struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;

class CWinApp;

struct XRDDATA_API AFX_MODULE_STATE {
    AFX_MODULE_STATE(HINSTANCE hInstance, const CString& path);
    HINSTANCE m_hCurrentResourceHandle;
    CWinApp* m_pCurrentWinApp = nullptr;
    CString m_strModulePath;  // file of the module ("" for the host when unknown)
};

// This library's own state, constructed at its first use (the library's start-up uses it first).
XRDDATA_API AFX_MODULE_STATE* AfxGetStaticModuleState();

// Of the state current on this thread (the host's, the main program's, when none was made current).
XRDDATA_API HINSTANCE AfxGetResourceHandle();
XRDDATA_API CWinApp* AfxGetApp();

class XRDDATA_API AFX_MAINTAIN_STATE2 {
public:
    explicit AFX_MAINTAIN_STATE2(AFX_MODULE_STATE* pNewState);
    ~AFX_MAINTAIN_STATE2();
    AFX_MAINTAIN_STATE2(const AFX_MAINTAIN_STATE2&) = delete;
    AFX_MAINTAIN_STATE2& operator=(const AFX_MAINTAIN_STATE2&) = delete;

private:
    AFX_MODULE_STATE* m_pPrevState;
};

#define AFX_MANAGE_STATE(p) AFX_MAINTAIN_STATE2 _ctlState(p)
