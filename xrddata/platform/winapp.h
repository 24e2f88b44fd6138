// CWinApp: the application object of a module. This library has one (constructed at load); the framework calls
// its InitInstance once after construction. It carries the application name and the help-file path that the
// library's dialogs hand to their help support.
#pragma once

#include "xrddata/platform/types.h"

class XRDDATA_API CWinApp {
public:
    // Becomes the application object of this library's module state.
    explicit CWinApp(const char* lpszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The initialisation hook: nonzero for success.
    virtual BOOL InitInstance();
    virtual int ExitInstance();

    void SetHelpFilePath(const CString& path);

    const char* m_pszAppName;      // null when created without a name
    const char* m_pszHelpFilePath;  // the module's file with ".hlp" for its extension until changed

private:
    CString m_strHelpFilePath;
};
