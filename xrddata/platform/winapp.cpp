#include "xrddata/platform/winapp.h"

#include "xrddata/platform/modulestate.h"

CWinApp::CWinApp(const char* lpszAppName) : m_pszAppName(lpszAppName), m_pszHelpFilePath(nullptr) {
    AFX_MODULE_STATE* state = AfxGetStaticModuleState();
    state->m_pCurrentWinApp = this;
    // The framework's default help file: the module's own file name with the extension ".hlp".
    CString path = state->m_strModulePath;
    size_t slash = path.rfind('/');
    size_t dot = path.find('.', slash == CString::npos ? 0 : slash + 1);
    if (dot != CString::npos) path.erase(dot);
    SetHelpFilePath(path + ".hlp");
}

CWinApp::~CWinApp() {
    AFX_MODULE_STATE* state = AfxGetStaticModuleState();
    if (state->m_pCurrentWinApp == this) state->m_pCurrentWinApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return 0; }

void CWinApp::SetHelpFilePath(const CString& path) {
    m_strHelpFilePath = path;
    m_pszHelpFilePath = m_strHelpFilePath.c_str();
}
