// CImportFileDialog: the open-file dialog of an import, with a format list below the file controls (template 131:
// the label "For&mat:" and the combo box 1001). Without a plug-in list it offers the nine built-in formats, whose
// positions are the import driver's format codes; with a list it offers the plug-in formats by name.
#pragma once

#include <vector>

#include "xrddata/platform/filedialog.h"
#include "xrddata/platform/types.h"

class XRDDATA_API CImportFileDialog : public CFileDialog {
    DECLARE_DYNAMIC(CImportFileDialog)
public:
    // Identifiers of the template and of its combo box.
    enum { IDD = 131, IDC_FORMAT = 1001 };

    // pFormats: the plug-in format names (not owned), or null for the built-in list.
    CImportFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt = nullptr, const char* lpszFileName = nullptr,
                      DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* lpszFilter = nullptr,
                      HWND hParentWnd = nullptr, const std::vector<CString>* pFormats = nullptr);
    ~CImportFileDialog() override;

    // The extra row: template 131 as the dialog shows it.
    static DialogTemplate FormatTemplate();
    // The built-in list, in the order of the format codes.
    static const std::vector<CString>& BuiltInFormats();
    // The entry of a format code in that list ("Auto" for 0); empty for a code outside it.
    static CString BuiltInFormatName(int code);

    // Runs the dialog with the library's module state current (the caller's again on every way out).
    int DoModal() override;
    BOOL OnInitDialog() override;
    BOOL OnFileNameOK() override;

    int m_nFormat;              // in: entry to preselect; out: entry chosen
    CString m_strLastFormat;    // plug-in mode: name of the last plug-in format (in and out)
    int m_bPeaks;               // peak data: the built-in list is fixed at "Two column text"
    const std::vector<CString>* m_pFormats;
    CComboBox* m_pFormatBox;
};
