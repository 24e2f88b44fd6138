#include "xrddata/platform/dialogddx.h"

#include <charconv>
#include <cmath>

#include "xrddata/platform/strutil.h"

namespace {

CDialogControl& Control(CDataExchange* pDX, int nIDC, bool edit) {
    CDialogControl* c = edit ? pDX->PrepareEditCtrl(nIDC) : pDX->PrepareCtrl(nIDC);
    // A template without the control is a programming error in the dialog; refuse the exchange rather than crash.
    if (!c) {
        AfxMessageBox(Format("Dialog control %d is missing.", nIDC), MB_ICONSTOP);
        pDX->Fail();
    }
    return *c;
}

}  // namespace

CString DialogNumberText(double value) { return Format("%.15g", value); }

bool ParseDialogNumber(const CString& text, double& value) {
    CString t = Trim(text);
    const char* first = t.data();
    const char* last = t.data() + t.size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-') return false;  // "+-1"
    }
    double v = 0.0;
    auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ec != std::errc() || ptr != last || !std::isfinite(v)) return false;
    value = v;
    return true;
}

void DDX_Text(CDataExchange* pDX, int nIDC, double& value) {
    CDialogControl& c = Control(pDX, nIDC, true);
    if (!pDX->m_bSaveAndValidate) {
        c.SetWindowText(DialogNumberText(value));
        return;
    }
    double v;
    if (!ParseDialogNumber(c.GetWindowText(), v)) {
        AfxMessageBox("Please enter a number.", MB_ICONEXCLAMATION);
        pDX->Fail();
    }
    value = v;
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    CDialogControl& c = Control(pDX, nIDC, true);
    if (pDX->m_bSaveAndValidate) value = c.GetWindowText();
    else c.SetWindowText(value);
}

void DDX_MultiLineText(CDataExchange* pDX, int nIDC, CString& value) {
    CDialogControl& c = Control(pDX, nIDC, true);
    if (pDX->m_bSaveAndValidate) value = c.GetWindowText();
    else c.SetWindowText(value);
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
    Control(pDX, nIDC, false);
    std::vector<int> group = pDX->m_pDlgWnd->RadioGroup(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = -1;
        for (size_t i = 0; i < group.size(); ++i)
            if (pDX->m_pDlgWnd->GetDlgItem(group[i])->GetCheck()) {
                value = static_cast<int>(i);
                break;
            }
    } else {
        for (size_t i = 0; i < group.size(); ++i)
            pDX->m_pDlgWnd->GetDlgItem(group[i])->SetCheck(static_cast<int>(i) == value);
    }
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
    CDialogControl& c = Control(pDX, nIDC, false);
    if (pDX->m_bSaveAndValidate) value = c.GetCheck();
    else c.SetCheck(value);
}

void DDV_MinMaxDouble(CDataExchange* pDX, double const& value, double minVal, double maxVal) {
    if (!pDX->m_bSaveAndValidate) return;
    if (value < minVal || value > maxVal) {
        AfxMessageBox(Format("Please enter a number between %s and %s.", DialogNumberText(minVal).c_str(),
                             DialogNumberText(maxVal).c_str()),
                      MB_ICONEXCLAMATION);
        pDX->Fail();
    }
}
