#include "xrddata/module/helpfile.h"

#include "xrddata/platform/modulestate.h"
#include "xrddata/platform/winapp.h"

void ConvertHelpFilename() {
    CWinApp* app = AfxGetApp();
    if (!app || !app->m_pszHelpFilePath) return;
    CString path = app->m_pszHelpFilePath;
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot != CString::npos && (slash == CString::npos || dot > slash)) path.erase(dot);
    app->SetHelpFilePath(path + ".chm");
}

CString GetHelpFilePath() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    const CWinApp* app = AfxGetApp();
    return app && app->m_pszHelpFilePath ? CString(app->m_pszHelpFilePath) : CString();
}
