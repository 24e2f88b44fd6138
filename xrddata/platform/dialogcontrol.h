// Toolkit-free models of dialog child controls: a control with its identifier, kind, text, layout in dialog units,
// style, enabled state and check state, and the combo box with its list and selection; dialog templates as data.
// Dialog models own the controls; a user-interface object renders them and reports the user's changes back through
// the same members.
#pragma once

#include <memory>
#include <vector>

#include "xrddata/platform/types.h"

// Window and control styles used in dialog templates (the framework's values).
enum : DWORD {
    WS_CHILD = 0x40000000,
    WS_VISIBLE = 0x10000000,
    WS_DISABLED = 0x08000000,
    WS_BORDER = 0x00800000,
    WS_VSCROLL = 0x00200000,
    WS_GROUP = 0x00020000,  // first control of a group (radio buttons up to the next WS_GROUP belong together)
    WS_TABSTOP = 0x00010000,
    SS_LEFT = 0x00000000,
    SS_RIGHT = 0x00000002,
    CBS_DROPDOWN = 0x00000002,
    ES_MULTILINE = 0x00000004,
    ES_AUTOVSCROLL = 0x00000040,
    ES_AUTOHSCROLL = 0x00000080,
    ES_READONLY = 0x00000800,
    ES_WANTRETURN = 0x00001000,  // Enter starts a new line instead of pressing the default button
    BS_PUSHBUTTON = 0x00000000,
    BS_DEFPUSHBUTTON = 0x00000001,
    BS_AUTOCHECKBOX = 0x00000003,
    BS_GROUPBOX = 0x00000007,
    BS_AUTORADIOBUTTON = 0x00000009,
};

// Check states of check boxes and radio buttons.
enum : int { BST_UNCHECKED = 0, BST_CHECKED = 1 };

enum : int { CB_ERR = -1 };

class XRDDATA_API CDialogControl {
public:
    // Push buttons, check boxes, radio buttons and group boxes are the framework's button kinds; edits hold text.
    enum Kind { Static, ComboBox, Edit, Button, CheckBox, RadioButton, GroupBox };

    CDialogControl(Kind kind, int id, const CString& text, int x, int y, int cx, int cy, DWORD style);
    virtual ~CDialogControl();

    Kind GetKind() const { return m_kind; }
    int GetDlgCtrlID() const { return m_nID; }
    const CString& GetWindowText() const { return m_strText; }
    void SetWindowText(const CString& text) { m_strText = text; }
    // Returns nonzero when the control was disabled before the call.
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const { return m_bEnabled; }
    DWORD GetStyle() const { return m_dwStyle; }
    // Check state of a check box or radio button (BST_UNCHECKED or BST_CHECKED; 0 for other kinds).
    int GetCheck() const { return m_nCheck; }
    void SetCheck(int nCheck) { m_nCheck = nCheck ? BST_CHECKED : BST_UNCHECKED; }

    // Position and size in dialog units.
    int m_x, m_y, m_cx, m_cy;

private:
    Kind m_kind;
    int m_nID;
    CString m_strText;
    DWORD m_dwStyle;
    BOOL m_bEnabled;
    int m_nCheck = BST_UNCHECKED;
};

class XRDDATA_API CComboBox : public CDialogControl {
public:
    CComboBox(int id, int x, int y, int cx, int cy, DWORD style);

    // Appends an entry (no sorting) and returns its index.
    int AddString(const CString& text);
    int GetCount() const { return static_cast<int>(m_entries.size()); }
    // Copies entry index into text and returns its length, or CB_ERR for an index out of range.
    int GetLBText(int index, CString& text) const;
    // Selects entry index; an index out of range clears the selection and returns CB_ERR.
    int SetCurSel(int index);
    // The selected index, or CB_ERR when nothing is selected.
    int GetCurSel() const { return m_nSel; }

private:
    std::vector<CString> m_entries;
    int m_nSel = CB_ERR;
};

// A child control as a dialog template lists it.
struct DialogItemTemplate {
    CDialogControl::Kind kind;
    int id;
    CString text;
    int x, y, cx, cy;
    DWORD style;
};

// A dialog template: size in dialog units, font, the child controls in tab order, and the caption (empty for the
// child template of a file dialog).
struct DialogTemplate {
    int cx = 0, cy = 0;
    CString font;
    int pointSize = 0;
    std::vector<DialogItemTemplate> items;
    CString caption;
};

// A new control as the template item describes it (a CComboBox for combo boxes).
XRDDATA_API std::unique_ptr<CDialogControl> CreateDialogControl(const DialogItemTemplate& item);
