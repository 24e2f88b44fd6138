// The open-file (and save-file) dialog as a toolkit-free model: title, filter, initial folder, flags, and an
// optional template of extra controls shown below the file controls. DoModal hands the dialog to the current
// user-interface object (CUserInterface::DoFileDialog), which opens it (Open: the template's controls are created
// and OnInitDialog runs), lets the user work the extra controls, and closes it with a chosen path (Choose: the
// flags are checked and OnFileNameOK runs) or cancels.
#pragma once

#include <memory>
#include <vector>

#include "xrddata/platform/dialogcontrol.h"
#include "xrddata/platform/runtimeclass.h"
#include "xrddata/platform/types.h"
#include "xrddata/platform/ui.h"

// Dialog flags (the framework's values); those marked "kept" are stored for the renderer and not acted on here.
enum : DWORD {
    OFN_OVERWRITEPROMPT = 0x00000002,  // kept: a save dialog asks before replacing a file
    OFN_HIDEREADONLY = 0x00000004,     // kept
    OFN_ENABLETEMPLATE = 0x00000040,   // set by SetTemplate
    OFN_PATHMUSTEXIST = 0x00000800,    // Choose refuses a path whose folder does not exist
    OFN_FILEMUSTEXIST = 0x00001000,    // Choose refuses a file that does not exist
};

// CommDlgExtendedError codes.
enum : DWORD {
    CDERR_GENERALCODES = 0x0000,  // no error (also after a plain cancel)
    CDERR_DIALOGFAILURE = 0xFFFF,  // the dialog could not be shown
};

// The framework's OPENFILENAME fields that a caller sets before DoModal.
struct OPENFILENAME {
    DWORD Flags = 0;
    CString lpstrTitle;       // empty: the renderer's "Open" or "Save As"
    CString lpstrInitialDir;  // empty: the renderer's choice
    CString lpstrFile;        // initial file name; after OK the full path chosen
    CString lpstrDefExt;
    DWORD nFilterIndex = 1;   // 1-based index of the filter shown first
};

class XRDDATA_API CFileDialog : public CObject {
    DECLARE_DYNAMIC(CFileDialog)
public:
    // One filter entry: the text shown and its patterns (the pattern field split at ';').
    struct Filter {
        CString text;
        std::vector<CString> patterns;
    };

    // lpszFilter: "text|pattern[;pattern...]|...||"; the list ends at the first empty text or at the end.
    CFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt = nullptr, const char* lpszFileName = nullptr,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* lpszFilter = nullptr,
                HWND hParentWnd = nullptr);
    ~CFileDialog() override;
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // Runs the dialog through the user-interface object: IDOK when a path was chosen and accepted, else IDCANCEL.
    virtual int DoModal();

    // The full path (after IDOK the one chosen, before it the initial file name) and its last component.
    CString GetPathName() const;
    CString GetFileName() const;

    BOOL IsOpenDialog() const { return m_bOpenFileDialog; }
    const std::vector<Filter>& GetFilters() const { return m_filters; }

    // Extra controls: the template's controls are created when the dialog opens; sets OFN_ENABLETEMPLATE.
    void SetTemplate(UINT nTemplateID, const DialogTemplate& tmpl);
    UINT GetTemplateID() const { return m_nTemplateID; }
    const DialogTemplate& GetTemplate() const { return m_template; }
    // A control of the open dialog, or null.
    CDialogControl* GetDlgItem(int nID) const;
    // The same when the control is a combo box.
    CComboBox* GetComboBox(int nID) const;
    const std::vector<std::unique_ptr<CDialogControl>>& GetControls() const { return m_controls; }

    // Hooks for derived dialogs. OnInitDialog runs when the dialog opens, after the controls exist. OnFileNameOK
    // runs when the user confirms a path: FALSE accepts it, nonzero keeps the dialog open (the framework's sense).
    virtual BOOL OnInitDialog();
    virtual BOOL OnFileNameOK();

    // For user-interface objects. Open creates the controls and runs OnInitDialog (once per modal run). Choose
    // takes the user's path (made absolute against the initial folder or the working folder), applies the
    // existence flags and OnFileNameOK, and returns true when the dialog may close with OK.
    void Open();
    bool IsOpen() const { return m_bOpen; }
    bool Choose(const CString& path);

    OPENFILENAME m_ofn;

private:
    BOOL m_bOpenFileDialog;
    std::vector<Filter> m_filters;
    UINT m_nTemplateID = 0;
    DialogTemplate m_template;
    std::vector<std::unique_ptr<CDialogControl>> m_controls;
    bool m_bOpen = false;
    bool m_bAccepted = false;
};

// The error of the calling thread's last file dialog run: 0 after success or a plain cancel.
XRDDATA_API DWORD CommDlgExtendedError();
// For user-interface objects: reports why the dialog could not be run (e.g. CDERR_DIALOGFAILURE).
XRDDATA_API void SetCommDlgExtendedError(DWORD error);
