// CSampleInfoDialog: the "Sample Information" dialog (template 182): the pattern's sample name, collection date
// (in the user's locale), comments, and its read-only processing history. CXRDData::EditSampleInfo runs it.
#pragma once

#include "xrddata/dialogs/htmlhelpdialog.h"
#include "xrddata/pattern/radiation.h"

class CXRDData;

class XRDDATA_API CSampleInfoDialog : public CHtmlHelpDialog {
    DECLARE_DYNAMIC(CSampleInfoDialog)
public:
    explicit CSampleInfoDialog(CXRDData* pPattern, CWnd* pParent = nullptr);
    ~CSampleInfoDialog() override;

    // The context-help map: (control id, help id) pairs ending with (0, 0).
    static constexpr DWORD kHelpMapLength = 10;
    static DWORD s_helpMap[kHelpMapLength];

    CString m_strDate;
    CString m_strInfo;
    CString m_strName;
    CString m_strHistory;
    CXRDData* m_pPattern;
    CRadiation m_Radiation;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
