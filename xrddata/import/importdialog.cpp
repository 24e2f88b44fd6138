#include "xrddata/import/importdialog.h"

#include "xrddata/platform/modulestate.h"

IMPLEMENT_DYNAMIC(CImportFileDialog, CFileDialog)

CImportFileDialog::CImportFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt, const char* lpszFileName,
                                     DWORD dwFlags, const char* lpszFilter, HWND hParentWnd,
                                     const std::vector<CString>* pFormats)
    : CFileDialog(bOpenFileDialog, lpszDefExt, lpszFileName, dwFlags, lpszFilter, hParentWnd),
      m_nFormat(0),
      m_bPeaks(0),
      m_pFormats(pFormats),
      m_pFormatBox(nullptr) {}

CImportFileDialog::~CImportFileDialog() = default;

int CImportFileDialog::DoModal() {
    // The dialog and its format row are the library's, whatever module calls.
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return CFileDialog::DoModal();
}

DialogTemplate CImportFileDialog::FormatTemplate() {
    DialogTemplate t;
    t.cx = 216;
    t.cy = 19;
    t.font = "MS Sans Serif";
    t.pointSize = 8;
    t.items = {{CDialogControl::Static, -1, "For&mat:", 6, 2, 24, 8, WS_CHILD | WS_VISIBLE | SS_LEFT},
               {CDialogControl::ComboBox, IDC_FORMAT, "", 54, 0, 155, 53,
                WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP}};
    return t;
}

const std::vector<CString>& CImportFileDialog::BuiltInFormats() {
    static const std::vector<CString> formats = {"Auto", "Two column text", "Stoe", "DiffracPlus", "DiffracAt",
                                                 "Udf",  "Cpi",             "Mdi",  "Cranfield"};
    return formats;
}

CString CImportFileDialog::BuiltInFormatName(int code) {
    const std::vector<CString>& names = BuiltInFormats();
    if (code < 0 || static_cast<size_t>(code) >= names.size()) return CString();
    return names[static_cast<size_t>(code)];
}

BOOL CImportFileDialog::OnInitDialog() {
    CFileDialog::OnInitDialog();
    m_pFormatBox = GetComboBox(IDC_FORMAT);
    if (!m_pFormatBox) return TRUE;
    if (!m_pFormats) {
        for (const CString& name : BuiltInFormats()) m_pFormatBox->AddString(name);
        m_pFormatBox->SetCurSel(m_nFormat);
        // Peak lists are read as two-column text only.
        if (m_bPeaks) {
            m_pFormatBox->SetCurSel(1);
            m_pFormatBox->EnableWindow(FALSE);
        }
    } else {
        m_nFormat = 0;
        const std::vector<CString>& names = *m_pFormats;
        for (size_t i = 0; i < names.size(); ++i) {
            m_pFormatBox->AddString(names[i]);
            if (names[i] == m_strLastFormat) m_nFormat = static_cast<int>(i);
        }
        m_pFormatBox->SetCurSel(m_nFormat);
    }
    return TRUE;
}

BOOL CImportFileDialog::OnFileNameOK() {
    if (m_pFormatBox) {
        m_nFormat = m_pFormatBox->GetCurSel();
        if (m_pFormats && m_nFormat >= 0 && m_nFormat < static_cast<int>(m_pFormats->size()))
            m_strLastFormat = (*m_pFormats)[static_cast<size_t>(m_nFormat)];
    }
    return CFileDialog::OnFileNameOK();
}
