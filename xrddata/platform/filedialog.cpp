#include "xrddata/platform/filedialog.h"

#include <filesystem>
#include <system_error>

#include "xrddata/platform/strutil.h"

namespace {

thread_local DWORD t_lastError = CDERR_GENERALCODES;

std::vector<CFileDialog::Filter> ParseFilter(const char* filterText) {
    std::vector<CFileDialog::Filter> filters;
    if (!filterText) return filters;
    std::vector<CString> fields;
    CString field;
    for (const char* p = filterText;; ++p) {
        if (*p == '|' || *p == '\0') {
            fields.push_back(field);
            field.clear();
            if (*p == '\0') break;
        } else {
            field += *p;
        }
    }
    for (size_t i = 0; i + 1 < fields.size(); i += 2) {
        if (fields[i].empty()) break;  // "||" ends the list
        CFileDialog::Filter f;
        f.text = fields[i];
        size_t start = 0;
        const CString& pat = fields[i + 1];
        while (start <= pat.size()) {
            size_t end = pat.find(';', start);
            if (end == CString::npos) end = pat.size();
            CString one = Trim(pat.substr(start, end - start));
            if (!one.empty()) f.patterns.push_back(one);
            start = end + 1;
        }
        filters.push_back(std::move(f));
    }
    return filters;
}

}  // namespace

IMPLEMENT_DYNAMIC(CFileDialog, CObject)

CFileDialog::CFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt, const char* lpszFileName, DWORD dwFlags,
                         const char* lpszFilter, HWND)
    : m_bOpenFileDialog(bOpenFileDialog), m_filters(ParseFilter(lpszFilter)) {
    m_ofn.Flags = dwFlags;
    if (lpszDefExt) m_ofn.lpstrDefExt = lpszDefExt;
    if (lpszFileName) m_ofn.lpstrFile = lpszFileName;
}

CFileDialog::~CFileDialog() = default;

int CFileDialog::DoModal() {
    t_lastError = CDERR_GENERALCODES;
    m_controls.clear();
    m_bOpen = false;
    m_bAccepted = false;
    int result = AfxGetUserInterface()->DoFileDialog(*this);
    m_bOpen = false;
    // Only a path that went through Choose closes the dialog with OK.
    return result == IDOK && m_bAccepted ? IDOK : IDCANCEL;
}

void CFileDialog::Open() {
    if (m_bOpen) return;
    m_controls.clear();
    if (m_ofn.Flags & OFN_ENABLETEMPLATE) {
        for (const DialogItemTemplate& item : m_template.items) m_controls.push_back(CreateDialogControl(item));
    }
    m_bOpen = true;
    OnInitDialog();
}

bool CFileDialog::Choose(const CString& path) {
    namespace fs = std::filesystem;
    Open();
    if (path.empty()) return false;
    std::error_code ec;
    fs::path p(path);
    if (p.is_relative() && !m_ofn.lpstrInitialDir.empty()) p = fs::path(m_ofn.lpstrInitialDir) / p;
    p = fs::absolute(p, ec);
    if (ec) return false;
    p = p.lexically_normal();
    if (fs::is_directory(p, ec)) return false;  // a folder is opened in the dialog, not chosen
    if ((m_ofn.Flags & OFN_FILEMUSTEXIST) && !fs::is_regular_file(p, ec)) return false;
    if ((m_ofn.Flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) && !fs::is_directory(p.parent_path(), ec))
        return false;
    CString previous = m_ofn.lpstrFile;
    m_ofn.lpstrFile = p.string();
    if (OnFileNameOK()) {
        m_ofn.lpstrFile = previous;
        return false;
    }
    m_bAccepted = true;
    return true;
}

CString CFileDialog::GetPathName() const { return m_ofn.lpstrFile; }

CString CFileDialog::GetFileName() const {
    CString path = GetPathName();
    size_t slash = path.rfind('/');
    return slash == CString::npos ? path : path.substr(slash + 1);
}

void CFileDialog::SetTemplate(UINT nTemplateID, const DialogTemplate& tmpl) {
    m_nTemplateID = nTemplateID;
    m_template = tmpl;
    m_ofn.Flags |= OFN_ENABLETEMPLATE;
}

CDialogControl* CFileDialog::GetDlgItem(int nID) const {
    for (const auto& c : m_controls)
        if (c->GetDlgCtrlID() == nID) return c.get();
    return nullptr;
}

CComboBox* CFileDialog::GetComboBox(int nID) const { return dynamic_cast<CComboBox*>(GetDlgItem(nID)); }

BOOL CFileDialog::OnInitDialog() { return TRUE; }
BOOL CFileDialog::OnFileNameOK() { return FALSE; }

DWORD CommDlgExtendedError() { return t_lastError; }
void SetCommDlgExtendedError(DWORD error) { t_lastError = error; }
