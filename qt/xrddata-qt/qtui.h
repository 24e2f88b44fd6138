// The Qt 6 rendering of the library's user interface: message boxes as QMessageBox with the icon asked for, the
// wait cursor as Qt's override cursor, every dialog template as a QDialog laid out from its dialog units with the
// controls kept in step with the dialog model, file dialogs as QFileDialog with the template's extra controls as
// a row below the file controls, and help pages in the system's browser.
//
// A host that has a QApplication installs it with one call: InstallQtUserInterface().
#pragma once

#include "xrddata/platform/ui.h"

class QWidget;

class __attribute__((visibility("default"))) CQtUserInterface : public CUserInterface {
public:
    CQtUserInterface();
    ~CQtUserInterface() override;
    int MessageBox(const CString& text, UINT type) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    int DoFileDialog(CFileDialog& dlg) override;
    int DoModalDialog(CDialog& dlg) override;
    BOOL ShowHelpPage(const CString& path) override;

    // The Qt object name of the widget of a control: "ctl" followed by the control id (ids below 0 are labels and
    // group boxes, named "ctl-1").
    static CString ObjectName(int nID);

private:
    int m_nWaitDepth = 0;
};

// Installs a process-wide CQtUserInterface as the library's user-interface object and returns it. Call after the
// QApplication exists. Also sets the C library's LC_NUMERIC back to "C" (Qt sets it from the environment), so that
// numbers keep their '.' in the files and settings the library writes.
__attribute__((visibility("default"))) CQtUserInterface* InstallQtUserInterface();
