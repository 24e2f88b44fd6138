// The one channel through which the library talks to the person at the screen: message boxes, the wait cursor and
// modal dialogs (the file dialog and the dialogs of dialog.h) and help pages. A process has one current user-interface object;
// the default writes messages to stderr, tests install a recording one, a desktop host installs a toolkit rendering.
#pragma once

#include "xrddata/platform/types.h"

// Message box buttons and icons (the framework's values).
enum : UINT {
    MB_OK = 0x00000000,
    MB_OKCANCEL = 0x00000001,
    MB_YESNOCANCEL = 0x00000003,
    MB_YESNO = 0x00000004,
    MB_ICONSTOP = 0x00000010,
    MB_ICONQUESTION = 0x00000020,
    MB_ICONEXCLAMATION = 0x00000030,
    MB_ICONINFORMATION = 0x00000040,
    MB_ICONMASK = 0x000000F0,
    MB_TYPEMASK = 0x0000000F,
};

// Dialog and message box results.
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

class CDialog;
class CFileDialog;

class XRDDATA_API CUserInterface {
public:
    virtual ~CUserInterface();
    // Shows a message and returns the button chosen (IDOK for an OK box).
    virtual int MessageBox(const CString& text, UINT type);
    virtual void BeginWaitCursor();
    virtual void EndWaitCursor();
    // Runs a file dialog modally (see filedialog.h): opens it, lets the user choose, and returns IDOK after a
    // successful dlg.Choose(path), else IDCANCEL. The default has no screen and cancels: no file is chosen.
    virtual int DoFileDialog(CFileDialog& dlg);
    // Runs a dialog modally (see dialog.h): opens it (dlg.Open()), passes the user's edits and clicks to it until
    // it ends (dlg.IsEnded()), and returns its result. The default has no screen and cancels: nothing changes.
    virtual int DoModalDialog(CDialog& dlg);
    // Shows a help page (the path of a local file); FALSE when it cannot be shown. The default has no screen.
    virtual BOOL ShowHelpPage(const CString& path);
};

// The current user-interface object (never null: the default one when none was installed).
XRDDATA_API CUserInterface* AfxGetUserInterface();
// Installs ui (null restores the default) and returns the previous one; the caller keeps ownership of both.
XRDDATA_API CUserInterface* AfxSetUserInterface(CUserInterface* ui);

XRDDATA_API int AfxMessageBox(const CString& text, UINT type = MB_OK);

// Shows the wait cursor for the lifetime of the object.
class XRDDATA_API CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    void Restore();
};
