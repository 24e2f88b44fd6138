// CHtmlHelpDialog: the base of the library's dialogs that adds help to a dialog: a help page shown by the Help
// button (id 9) through the user-interface object (a desktop opens it in the system's browser), and a context-help
// map from control ids to help ids for pop-up texts.
#pragma once

#include <map>

#include "xrddata/platform/dialog.h"

class XRDDATA_API CHtmlHelpDialog : public CDialog {
    DECLARE_DYNAMIC(CHtmlHelpDialog)
public:
    // nIDTemplate: the template in the library's resources. nHelpType and nPopupType are kept (the dialogs pass 1
    // and 2: pages in the browser, pop-ups as plain text). helpFile: the help file (see GetHelpPagePath); helpPage:
    // the page of this dialog in it; popupFile: the pop-up text file in it. helpMap: mapLength 32-bit values in
    // pairs (control id, help id) ending with (0, 0); copied, may be null.
    CHtmlHelpDialog(UINT nIDTemplate, CWnd* pParent, int nHelpType, int nPopupType, const char* helpFile,
                    const char* helpPage, const char* popupFile, DWORD* helpMap, DWORD mapLength);
    ~CHtmlHelpDialog() override;

    // Shows a help page below the help folder; tells the user when it cannot be shown.
    virtual void DoHelp(CString page);
    // Shows this dialog's help page (the Help button).
    virtual void ShowDlgHelp(CString page);
    // Builds the context-help map; nFlags is kept.
    virtual void InitEmbeddedHelp(DWORD* helpMap, DWORD mapLength, int nFlags);
    virtual void DestroyEmbeddedHelp();
    // Reads the pairs up to the (0, 0) pair or the end of the values; an odd last value is ignored.
    virtual void CreateHelpMap(DWORD* helpMap, DWORD mapLength);

    // The help id of a control, 0 when the map has none.
    DWORD GetHelpID(int nID) const;
    // The full path of a page: below the help file's folder (the help file's path without its extension).
    CString GetHelpPagePath(const CString& page) const;
    const CString& GetHelpPage() const { return m_strHelpPage; }
    const CString& GetPopupFile() const { return m_strPopupFile; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnHelpButton();

    DECLARE_MESSAGE_MAP()

private:
    int m_nHelpType;
    int m_nPopupType;
    CString m_strHelpFile;
    CString m_strHelpPage;
    CString m_strPopupFile;
    std::vector<DWORD> m_helpValues;  // the map as given, kept until the dialog opens
    std::map<int, DWORD> m_helpMap;
};
