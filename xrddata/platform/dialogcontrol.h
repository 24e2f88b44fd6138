// Toolkit-free models of dialog child controls: a control with its identifier, text, layout in dialog units, style
// and enabled state, and the combo box with its list and selection. Dialog models own them; a user-interface object
// renders them and reports the user's changes back through the same members.
#pragma once

#include <vector>

#include "xrddata/platform/types.h"

// Window and control styles used in dialog templates (the framework's values).
enum : DWORD {
    WS_CHILD = 0x40000000,
    WS_VISIBLE = 0x10000000,
    WS_DISABLED = 0x08000000,
    WS_VSCROLL = 0x00200000,
    WS_TABSTOP = 0x00010000,
    SS_LEFT = 0x00000000,
    CBS_DROPDOWN = 0x00000002,
    CBS_DROPDOWNLIST = 0x00000003,
};

enum : int { CB_ERR = -1 };

class XRDDATA_API CDialogControl {
public:
    enum Kind { Static, ComboBox };

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

    // Position and size in dialog units.
    int m_x, m_y, m_cx, m_cy;

private:
    Kind m_kind;
    int m_nID;
    CString m_strText;
    DWORD m_dwStyle;
    BOOL m_bEnabled;
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
    void ResetContent();

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

// A dialog template: size in dialog units, font, and the child controls in tab order.
struct DialogTemplate {
    int cx = 0, cy = 0;
    CString font;
    int pointSize = 0;
    std::vector<DialogItemTemplate> items;
};
