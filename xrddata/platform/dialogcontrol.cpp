#include "xrddata/platform/dialogcontrol.h"

CDialogControl::CDialogControl(Kind kind, int id, const CString& text, int x, int y, int cx, int cy, DWORD style)
    : m_x(x), m_y(y), m_cx(cx), m_cy(cy), m_kind(kind), m_nID(id), m_strText(text), m_dwStyle(style),
      m_bEnabled((style & WS_DISABLED) ? FALSE : TRUE) {}

CDialogControl::~CDialogControl() = default;

BOOL CDialogControl::EnableWindow(BOOL bEnable) {
    BOOL wasDisabled = m_bEnabled ? FALSE : TRUE;
    m_bEnabled = bEnable ? TRUE : FALSE;
    return wasDisabled;
}

CComboBox::CComboBox(int id, int x, int y, int cx, int cy, DWORD style)
    : CDialogControl(ComboBox, id, CString(), x, y, cx, cy, style) {}

int CComboBox::AddString(const CString& text) {
    m_entries.push_back(text);
    return GetCount() - 1;
}

int CComboBox::GetLBText(int index, CString& text) const {
    if (index < 0 || index >= GetCount()) return CB_ERR;
    text = m_entries[static_cast<size_t>(index)];
    return static_cast<int>(text.size());
}

int CComboBox::SetCurSel(int index) {
    if (index < 0 || index >= GetCount()) {
        m_nSel = CB_ERR;
        return CB_ERR;
    }
    m_nSel = index;
    return index;
}

std::unique_ptr<CDialogControl> CreateDialogControl(const DialogItemTemplate& item) {
    if (item.kind == CDialogControl::ComboBox)
        return std::make_unique<CComboBox>(item.id, item.x, item.y, item.cx, item.cy, item.style);
    return std::make_unique<CDialogControl>(item.kind, item.id, item.text, item.x, item.y, item.cx, item.cy,
                                            item.style);
}
