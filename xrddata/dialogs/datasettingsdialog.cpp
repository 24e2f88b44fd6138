#include "xrddata/dialogs/datasettingsdialog.h"

#include <cmath>

#include "xrddata/dialogs/templates.h"
#include "xrddata/module/helpfile.h"
#include "xrddata/pattern/bounds.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/dialogddx.h"
#include "xrddata/platform/modulestate.h"

namespace {
constexpr DWORD Help(int id) { return 0x80000000u + IDD_DATA_SETTINGS * 65536u + static_cast<DWORD>(id); }
#define XRD_HELP_PAIR(id) static_cast<DWORD>(id), Help(id)
}  // namespace

DWORD CDataSettingsDialog::s_helpMap[kHelpMapLength] = {
    XRD_HELP_PAIR(1153), XRD_HELP_PAIR(1138), XRD_HELP_PAIR(1075), XRD_HELP_PAIR(1089), XRD_HELP_PAIR(1142),
    XRD_HELP_PAIR(1005), XRD_HELP_PAIR(1109), XRD_HELP_PAIR(1114), XRD_HELP_PAIR(1115), XRD_HELP_PAIR(1139),
    XRD_HELP_PAIR(1316), XRD_HELP_PAIR(1359), XRD_HELP_PAIR(1360), XRD_HELP_PAIR(1209), XRD_HELP_PAIR(1361),
    XRD_HELP_PAIR(1007), XRD_HELP_PAIR(1008), XRD_HELP_PAIR(1009), 0, 0};
#undef XRD_HELP_PAIR

IMPLEMENT_DYNAMIC(CDataSettingsDialog, CHtmlHelpDialog)

BEGIN_MESSAGE_MAP(CDataSettingsDialog, CHtmlHelpDialog)
ON_BN_CLICKED(1075, OnWidthType)
ON_BN_CLICKED(1089, OnWidthType)
ON_BN_CLICKED(1316, OnCountType)
ON_BN_CLICKED(1359, OnCountType)
ON_BN_CLICKED(1360, OnCountType)
ON_BN_CLICKED(1005, OnAutoWidth)
ON_BN_CLICKED(1007, OnSetDefaults)
ON_BN_CLICKED(1008, OnRestoreDefaults)
ON_BN_CLICKED(1009, OnRestoreFactory)
END_MESSAGE_MAP()

CDataSettingsDialog::CDataSettingsDialog(CWnd* pParent)
    : CHtmlHelpDialog(IDD_DATA_SETTINGS, pParent, 1, 2, GetHelpFilePath().c_str(), "Htm/datasettings.htm",
                      "Popups.txt", s_helpMap, kHelpMapLength),
      m_dBackgroundScale(0.0),
      m_dBackgroundLength(0.0),
      m_dFixedWidth(0.0),
      m_dV(0.0),
      m_dU(0.0),
      m_dW(0.0),
      m_nWidthType(-1),
      m_nCountType(-1),
      m_dEsds(0.0),
      m_dScaleFactor(0.0),
      m_dZeroError(0.0),
      m_bAutoWidth(1),
      m_dDetectedWidth(0.0),
      m_bPeakData(0),
      m_pPattern(nullptr) {}

CDataSettingsDialog::~CDataSettingsDialog() = default;

void CDataSettingsDialog::DoDataExchange(CDataExchange* pDX) {
    CHtmlHelpDialog::DoDataExchange(pDX);
    DDX_Text(pDX, 1138, m_dBackgroundScale);
    DDX_Text(pDX, 1153, m_dBackgroundLength);
    DDX_Text(pDX, 1142, m_dFixedWidth);
    DDX_Text(pDX, 1114, m_dV);
    DDX_Text(pDX, 1109, m_dU);
    DDX_Text(pDX, 1115, m_dW);
    DDX_Radio(pDX, 1075, m_nWidthType);
    DDX_Radio(pDX, 1316, m_nCountType);
    DDX_Text(pDX, 1361, m_dEsds);
    DDV_MinMaxDouble(pDX, m_dEsds, FindSettingBound("Esds")->low, FindSettingBound("Esds")->high);
    DDX_Text(pDX, 1209, m_dScaleFactor);
    DDV_MinMaxDouble(pDX, m_dScaleFactor, FindSettingBound("ScaleFactor")->low,
                     FindSettingBound("ScaleFactor")->high);
    DDX_Text(pDX, 1139, m_dZeroError);
    DDX_Check(pDX, 1005, m_bAutoWidth);
    // Keep the two width forms consistent: a constant width w is the width function with U = V = 0 and W = w².
    if (m_nWidthType == 0) {
        m_dV = m_dU = 0.0;
        m_dW = m_dFixedWidth * m_dFixedWidth;
    } else if (m_nWidthType == 1) {
        // A negative W has no real width: take 0 rather than store NaN, which no edit could be read back from.
        m_dFixedWidth = m_dW > 0.0 ? std::sqrt(m_dW) : 0.0;
    }
}

BOOL CDataSettingsDialog::OnInitDialog() {
    CHtmlHelpDialog::OnInitDialog();  // transfers the members to the controls
    UpdatePeakDataControls();
    OnWidthType();
    OnCountType();
    return TRUE;
}

void CDataSettingsDialog::UpdatePeakDataControls() {
    // A peak list has no background and no counting errors.
    for (int id : {1316, 1359, 1209, 1360, 1153, 1138})
        if (CDialogControl* c = GetDlgItem(id)) c->EnableWindow(m_bPeakData == 0);
}

void CDataSettingsDialog::OnWidthType() {
    UpdateData(TRUE);
    if (CDialogControl* c = GetDlgItem(1142)) c->EnableWindow(m_bAutoWidth == 0 && m_nWidthType == 0);
    for (int id : {1109, 1114, 1115})
        if (CDialogControl* c = GetDlgItem(id)) c->EnableWindow(m_bAutoWidth == 0 && m_nWidthType == 1);
}

void CDataSettingsDialog::OnCountType() {
    UpdateData(TRUE);
    if (CDialogControl* c = GetDlgItem(1209)) c->EnableWindow(m_bPeakData == 0 && m_nCountType == 1);
    if (CDialogControl* c = GetDlgItem(1361)) c->EnableWindow(m_bPeakData == 0 && m_nCountType == 2);
}

void CDataSettingsDialog::OnAutoWidth() {
    UpdateData(TRUE);
    if (m_bAutoWidth) {
        m_dFixedWidth = m_dDetectedWidth;
        m_dV = m_dU = 0.0;
        m_dW = m_dDetectedWidth * m_dDetectedWidth;
        UpdateData(FALSE);
    }
    OnWidthType();
}

void CDataSettingsDialog::OnSetDefaults() {
    if (!m_pPattern) return;
    UpdateData(TRUE);
    m_pPattern->WriteRegistry(m_dBackgroundLength, m_dBackgroundScale, m_bAutoWidth, m_nWidthType, m_dFixedWidth,
                              m_dU, m_dV, m_dW, m_nCountType, m_dScaleFactor, m_dEsds);
}

void CDataSettingsDialog::Restore(SettingsReader read) {
    if (!m_pPattern) return;
    UpdateData(TRUE);
    (m_pPattern->*read)(m_dBackgroundLength, m_dBackgroundScale, m_bAutoWidth, m_nWidthType, m_dFixedWidth, m_dU,
                        m_dV, m_dW, m_nCountType, m_dScaleFactor, m_dEsds);
    UpdateData(FALSE);
    OnWidthType();
    OnCountType();
}

void CDataSettingsDialog::OnRestoreDefaults() { Restore(&CXRDData::ReadRegistry); }

void CDataSettingsDialog::OnRestoreFactory() { Restore(&CXRDData::ReadFactory); }

int CXRDData::EditDataInfo() {
    // The dialog, its template and its help file are the library's, whatever module calls.
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    CDataSettingsDialog dlg(nullptr);
    dlg.m_dBackgroundScale = m_dBackgroundScale;
    dlg.m_dBackgroundLength = m_dBackgroundLength;
    dlg.m_bAutoWidth = m_bAutoWidth;
    dlg.m_dDetectedWidth = m_dDetectedWidth;
    dlg.m_nWidthType = m_nWidthType;
    dlg.m_dFixedWidth = m_dFixedWidth;
    dlg.m_nCountType = m_nCountType;
    dlg.m_dScaleFactor = m_dScaleFactor;
    dlg.m_dEsds = m_dEsds;
    GetUVW(dlg.m_dU, dlg.m_dV, dlg.m_dW);
    dlg.m_dZeroError = m_dZeroError;
    dlg.m_bPeakData = m_bPeakData;
    dlg.m_pPattern = this;
    if (dlg.DoModal() != IDOK) return 0;
    m_nCountType = dlg.m_nCountType;
    m_dScaleFactor = dlg.m_dScaleFactor;
    m_dEsds = dlg.m_dEsds;
    m_dBackgroundLength = dlg.m_dBackgroundLength;
    m_dBackgroundScale = dlg.m_dBackgroundScale;
    m_bAutoWidth = dlg.m_bAutoWidth;
    m_dFixedWidth = dlg.m_dFixedWidth;
    m_nWidthType = dlg.m_nWidthType;
    SetUVW(dlg.m_dU, dlg.m_dV, dlg.m_dW);
    SetZeroError(dlg.m_dZeroError);
    GenerateErrors();
    return 1;
}
