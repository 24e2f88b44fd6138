#include "xrddata/dialogs/htmlhelpdialog.h"

#include "xrddata/dialogs/templates.h"

IMPLEMENT_DYNAMIC(CHtmlHelpDialog, CDialog)

BEGIN_MESSAGE_MAP(CHtmlHelpDialog, CDialog)
ON_BN_CLICKED(IDHELP, OnHelpButton)
END_MESSAGE_MAP()

CHtmlHelpDialog::CHtmlHelpDialog(UINT nIDTemplate, CWnd* pParent, int nHelpType, int nPopupType,
                                 const char* helpFile, const char* helpPage, const char* popupFile, DWORD* helpMap,
                                 DWORD mapLength)
    : CDialog(nIDTemplate, FindDialogTemplate(nIDTemplate), pParent),
      m_nHelpType(nHelpType),
      m_nPopupType(nPopupType),
      m_strHelpFile(helpFile ? helpFile : ""),
      m_strHelpPage(helpPage ? helpPage : ""),
      m_strPopupFile(popupFile ? popupFile : "") {
    if (helpMap) m_helpValues.assign(helpMap, helpMap + mapLength);
    CreateHelpMap(m_helpValues.data(), static_cast<DWORD>(m_helpValues.size()));
}

CHtmlHelpDialog::~CHtmlHelpDialog() { m_helpMap.clear(); }

BOOL CHtmlHelpDialog::OnInitDialog() {
    BOOL result = CDialog::OnInitDialog();
    InitEmbeddedHelp(m_helpValues.data(), static_cast<DWORD>(m_helpValues.size()), m_nPopupType);
    return result;
}

void CHtmlHelpDialog::DoDataExchange(CDataExchange* pDX) { CDialog::DoDataExchange(pDX); }

void CHtmlHelpDialog::OnHelpButton() { ShowDlgHelp(m_strHelpPage); }

// The help file of a desktop is a compiled help file ("/usr/share/xrddata/xrddata.chm"); its pages are read from
// the folder of the same name without the extension ("/usr/share/xrddata/xrddata/Htm/datasettings.htm"), where the
// help is unpacked. A path without an extension is that folder itself.
CString CHtmlHelpDialog::GetHelpPagePath(const CString& page) const {
    if (m_strHelpFile.empty() || (!page.empty() && page[0] == '/')) return page;
    CString folder = m_strHelpFile;
    size_t slash = folder.rfind('/');
    size_t dot = folder.rfind('.');
    if (dot != CString::npos && (slash == CString::npos || dot > slash + 1)) folder.erase(dot);
    return folder.back() == '/' ? folder + page : folder + "/" + page;
}

void CHtmlHelpDialog::DoHelp(CString page) {
    CString path = GetHelpPagePath(page);
    if (!AfxGetUserInterface()->ShowHelpPage(path))
        AfxMessageBox("Unable to display the help page " + path + ".", MB_ICONEXCLAMATION);
}

void CHtmlHelpDialog::ShowDlgHelp(CString page) { DoHelp(page); }

void CHtmlHelpDialog::InitEmbeddedHelp(DWORD* helpMap, DWORD mapLength, int) { CreateHelpMap(helpMap, mapLength); }

void CHtmlHelpDialog::DestroyEmbeddedHelp() { m_helpMap.clear(); }

void CHtmlHelpDialog::CreateHelpMap(DWORD* helpMap, DWORD mapLength) {
    m_helpMap.clear();
    if (!helpMap) return;
    for (DWORD i = 0; i + 1 < mapLength; i += 2) {
        if (helpMap[i] == 0 && helpMap[i + 1] == 0) break;
        m_helpMap[static_cast<int>(helpMap[i])] = helpMap[i + 1];
    }
}

DWORD CHtmlHelpDialog::GetHelpID(int nID) const {
    auto it = m_helpMap.find(nID);
    return it == m_helpMap.end() ? 0 : it->second;
}
