#include "xrddata/platform/dialog.h"

IMPLEMENT_DYNAMIC(CWnd, CObject)
IMPLEMENT_DYNAMIC(CDialog, CWnd)

CWnd::CWnd() = default;
CWnd::~CWnd() = default;

const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, nullptr}};
    static const AFX_MSGMAP map = {nullptr, entries};
    return &map;
}

BOOL CWnd::OnCmdMsg(UINT nID, UINT nCode) {
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr)
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e->pfn; ++e)
            if (e->nID == nID && e->nCode == nCode) {
                (this->*(e->pfn))();
                return TRUE;
            }
    return FALSE;
}

CDataExchange::CDataExchange(CDialog* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

CDialogControl* CDataExchange::PrepareCtrl(int nIDC) {
    m_idLastControl = nIDC;
    m_bEditLastControl = FALSE;
    return m_pDlgWnd->GetDlgItem(nIDC);
}

CDialogControl* CDataExchange::PrepareEditCtrl(int nIDC) {
    CDialogControl* c = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return c;
}

void CDataExchange::Fail() {
    if (m_bSaveAndValidate && m_idLastControl) m_pDlgWnd->SetFocusID(m_idLastControl);
    throw CUserException();
}

CDialog::CDialog(UINT nIDTemplate, const DialogTemplate& tmpl, CWnd*) : m_nIDTemplate(nIDTemplate), m_template(tmpl) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    m_controls.clear();
    m_bOpen = false;
    m_bEnded = false;
    m_nResult = IDCANCEL;
    m_nFocusID = 0;
    int shown = AfxGetUserInterface()->DoModalDialog(*this);
    // A user interface that gave up without ending the dialog (no screen, window closed) cancels it.
    INT_PTR result = m_bEnded ? m_nResult : (shown == IDOK ? IDCANCEL : shown);
    m_bOpen = false;
    m_controls.clear();
    return result;
}

void CDialog::Open() {
    if (m_bOpen) return;
    m_controls.clear();
    for (const DialogItemTemplate& item : m_template.items) m_controls.push_back(CreateDialogControl(item));
    m_bOpen = true;
    m_bEnded = false;
    OnInitDialog();
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CUserException&) {
        return FALSE;
    }
    return TRUE;
}

void CDialog::EndDialog(int nResult) {
    m_bEnded = true;
    m_nResult = nResult;
}

CDialogControl* CDialog::GetDlgItem(int nID) const {
    for (const auto& c : m_controls)
        if (c->GetDlgCtrlID() == nID) return c.get();
    return nullptr;
}

std::vector<int> CDialog::RadioGroup(int nID) const {
    std::vector<int> ids;
    const auto& items = m_controls;
    size_t at = items.size();
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i]->GetDlgCtrlID() == nID && items[i]->GetKind() == CDialogControl::RadioButton) at = i;
    if (at == items.size()) return ids;
    size_t first = at;
    while (first > 0 && !(items[first]->GetStyle() & WS_GROUP)) --first;
    for (size_t i = first; i < items.size(); ++i) {
        if (i > first && (items[i]->GetStyle() & WS_GROUP)) break;
        if (items[i]->GetKind() == CDialogControl::RadioButton) ids.push_back(items[i]->GetDlgCtrlID());
    }
    return ids;
}

void CDialog::Click(int nID) {
    CDialogControl* c = GetDlgItem(nID);
    if (!c || !c->IsWindowEnabled() || m_bEnded) return;
    if (c->GetKind() == CDialogControl::CheckBox) {
        c->SetCheck(c->GetCheck() ? BST_UNCHECKED : BST_CHECKED);
    } else if (c->GetKind() == CDialogControl::RadioButton) {
        for (int id : RadioGroup(nID))
            if (CDialogControl* r = GetDlgItem(id)) r->SetCheck(id == nID);
    } else if (c->GetKind() != CDialogControl::Button) {
        return;
    }
    OnCommand(nID);
}

void CDialog::OnCommand(int nID) {
    if (OnCmdMsg(static_cast<UINT>(nID), BN_CLICKED)) return;
    if (nID == IDOK) OnOK();
    else if (nID == IDCANCEL) OnCancel();
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}
