#include "xrddata/dialogs/sampleinfodialog.h"

#include "xrddata/dialogs/templates.h"
#include "xrddata/module/helpfile.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/dialogddx.h"
#include "xrddata/platform/modulestate.h"

DWORD CSampleInfoDialog::s_helpMap[kHelpMapLength] = {1304, 0x80B60518, 1302, 0x80B60516, 1303, 0x80B60517,
                                                      1002, 0x80B603EA, 0,    0};

IMPLEMENT_DYNAMIC(CSampleInfoDialog, CHtmlHelpDialog)

CSampleInfoDialog::CSampleInfoDialog(CXRDData* pPattern, CWnd* pParent)
    : CHtmlHelpDialog(IDD_SAMPLE_INFO, pParent, 1, 2, GetHelpFilePath().c_str(), "Htm/sampleinformation.htm",
                      "Popups.txt", s_helpMap, kHelpMapLength),
      m_pPattern(pPattern) {}

CSampleInfoDialog::~CSampleInfoDialog() = default;

void CSampleInfoDialog::DoDataExchange(CDataExchange* pDX) {
    CHtmlHelpDialog::DoDataExchange(pDX);
    DDX_MultiLineText(pDX, 1304, m_strDate);
    DDX_MultiLineText(pDX, 1302, m_strInfo);
    DDX_MultiLineText(pDX, 1303, m_strName);
    DDX_MultiLineText(pDX, 1002, m_strHistory);
}

BOOL CSampleInfoDialog::OnInitDialog() {
    CHtmlHelpDialog::OnInitDialog();
    if (!m_pPattern) return TRUE;
    m_strName = m_pPattern->GetSampleName();
    m_strInfo = m_pPattern->GetSampleInfo();
    COleDateTime date = m_pPattern->GetCollectionDate();
    // Null and invalid dates show as an empty field.
    m_strDate = date.GetStatus() == COleDateTime::valid ? date.Format(0, LOCALE_USER_DEFAULT) : CString();
    m_Radiation = m_pPattern->m_Radiation;
    m_strHistory = m_pPattern->GetProcessingHistory();
    UpdateData(FALSE);
    return TRUE;
}

void CSampleInfoDialog::OnOK() {
    CHtmlHelpDialog::OnOK();
    if (!IsEnded() || GetResult() != IDOK || !m_pPattern) return;
    m_pPattern->m_strSampleName = m_strName;
    m_pPattern->m_strSampleInfo = m_strInfo;
    // Text that does not parse, the empty text included, leaves the date invalid.
    if (!m_pPattern->m_CollectionDate.ParseDateTime(m_strDate.c_str(), 0, LOCALE_USER_DEFAULT))
        m_pPattern->m_CollectionDate.SetStatus(COleDateTime::invalid);
    m_pPattern->m_Radiation = m_Radiation;
}

int CXRDData::EditSampleInfo() {
    // The dialog, its template and its help file are the library's, whatever module calls.
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CSampleInfoDialog dlg(this, nullptr);
    return dlg.DoModal() == IDOK ? 1 : 0;
}
