// CDataSettingsDialog: the "Data Settings" dialog (template 193) in which the user edits a pattern's processing
// settings: background scale length and stiffness, the peak feature width (constant, detected, or U, V, W), the
// two-theta zero error and the raw-data error model, and stores or restores the user defaults and factory values.
// CXRDData::EditDataInfo runs it for a pattern.
#pragma once

#include "xrddata/dialogs/htmlhelpdialog.h"

class CXRDData;

class XRDDATA_API CDataSettingsDialog : public CHtmlHelpDialog {
    DECLARE_DYNAMIC(CDataSettingsDialog)
public:
    explicit CDataSettingsDialog(CWnd* pParent = nullptr);
    ~CDataSettingsDialog() override;

    // The context-help map: (control id, help id) pairs ending with (0, 0).
    static constexpr DWORD kHelpMapLength = 38;
    static DWORD s_helpMap[kHelpMapLength];

    double m_dBackgroundScale;
    double m_dBackgroundLength;
    double m_dFixedWidth;
    double m_dV;
    double m_dU;
    double m_dW;
    int m_nWidthType;
    int m_nCountType;
    double m_dEsds;
    double m_dScaleFactor;
    double m_dZeroError;
    int m_bAutoWidth;
    double m_dDetectedWidth;
    int m_bPeakData;
    CXRDData* m_pPattern;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void UpdatePeakDataControls();
    void OnWidthType();
    void OnCountType();
    void OnAutoWidth();
    void OnSetDefaults();
    void OnRestoreDefaults();
    void OnRestoreFactory();

private:
    // The pattern's reader of the eleven settings (CXRDData::ReadRegistry or CXRDData::ReadFactory).
    using SettingsReader = void (CXRDData::*)(double&, double&, int&, int&, double&, double&, double&, double&, int&,
                                              double&, double&);
    // The fields as read hold the settings from read, and the edits are enabled to match.
    void Restore(SettingsReader read);

    DECLARE_MESSAGE_MAP()
};
