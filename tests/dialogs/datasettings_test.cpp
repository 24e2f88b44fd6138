// The Data Settings dialog driven through the scripted user interface: enabling rules, the auto-detect click, the
// width forms, the range checks, OK and Cancel on the pattern, the three settings buttons, the Help button.
#include <gtest/gtest.h>

#include <cmath>

#include "dialogs/scripted_dialog_ui.h"
#include "pattern/pattern_support.h"
#include "support/measured_pattern.h"
#include "support/registry_sandbox.h"
#include "xrddata/dialogs/datasettingsdialog.h"
#include "xrddata/module/helpfile.h"
#include "xrddata/pattern/xrddata.h"
#include "xrddata/platform/modulestate.h"
#include "xrddata/platform/winapp.h"

using dialog_testing::Checked;
using dialog_testing::Enabled;
using dialog_testing::ScriptedDialogUi;
using dialog_testing::Text;
using dialog_testing::Type;

namespace {

// A measured pattern with settings no factory default has.
void Fill(CXRDData& d) {
    testing_support::FillMeasured(d);
    d.SetUVW(0.0, 0.0, 0.0225);
    d.m_nCountType = 0;
    d.m_dScaleFactor = 2.0;
}

const int kWidthEdits[] = {1142, 1109, 1114, 1115};

// Points the library's help file elsewhere for the lifetime of the object.
class HelpFileOverride {
public:
    explicit HelpFileOverride(const CString& path) : saved_(GetHelpFilePath()) { Set(path); }
    ~HelpFileOverride() { Set(saved_); }
    static void Set(const CString& path) {
        AFX_MANAGE_STATE(AfxGetStaticModuleState());
        AfxGetApp()->SetHelpFilePath(path);
    }

private:
    CString saved_;
};

}  // namespace

TEST(DataSettingsDialog, ShowsThePatternAndEnablesByWidthTypeAndAutoDetect) {
    testing_support::RegistrySandbox box;
    ScriptedDialogUi ui;
    CXRDData d;
    Fill(d);
    std::vector<std::vector<bool>> enabled;  // width edits after each step
    auto record = [&](CDialog& dlg) {
        std::vector<bool> e;
        for (int id : kWidthEdits) e.push_back(Enabled(dlg, id));
        enabled.push_back(e);
    };
    ui.script = [&](CDialog& dlg) {
        EXPECT_EQ(dlg.GetTemplate().caption, "Data Settings");
        EXPECT_EQ(Text(dlg, 1153), "6.5");
        EXPECT_EQ(Text(dlg, 1138), "2");
        EXPECT_EQ(Text(dlg, 1142), "0.15");
        EXPECT_EQ(Text(dlg, 1115), "0.0225");
        EXPECT_TRUE(Checked(dlg, 1075));
        EXPECT_FALSE(Checked(dlg, 1089));
        EXPECT_TRUE(Checked(dlg, 1316));
        EXPECT_FALSE(Checked(dlg, 1005));
        // Raw counts: neither the scale factor nor the esd edit applies.
        EXPECT_FALSE(Enabled(dlg, 1209));
        EXPECT_FALSE(Enabled(dlg, 1361));
        for (int id : {1316, 1359, 1360, 1153, 1138}) EXPECT_TRUE(Enabled(dlg, id)) << id;
        record(dlg);
        dlg.Click(1089);  // UVW
        record(dlg);
        dlg.Click(1005);  // Auto Detect on: every width edit disabled, whatever the radio
        record(dlg);
        dlg.Click(1075);
        record(dlg);
        dlg.Click(1005);  // off again, Constant selected
        record(dlg);
        dlg.Click(1359);
        EXPECT_TRUE(Enabled(dlg, 1209));
        EXPECT_FALSE(Enabled(dlg, 1361));
        dlg.Click(1360);
        EXPECT_FALSE(Enabled(dlg, 1209));
        EXPECT_TRUE(Enabled(dlg, 1361));
        EXPECT_FALSE(Checked(dlg, 1359));
    };
    EXPECT_EQ(d.EditDataInfo(), 0);  // left open: cancelled
    std::vector<std::vector<bool>> expected = {{true, false, false, false},
                                               {false, true, true, true},
                                               {false, false, false, false},
                                               {false, false, false, false},
                                               {true, false, false, false}};
    EXPECT_EQ(enabled, expected);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(DataSettingsDialog, AutoDetectFillsTheDetectedWidthAndTheWidthFormsFollowTheType) {
    testing_support::RegistrySandbox box;
    ScriptedDialogUi ui;
    {
        CXRDData d;
        Fill(d);
        ui.script = [&](CDialog& dlg) {
            dlg.Click(1005);
            EXPECT_EQ(Text(dlg, 1142), "0.08");
            EXPECT_EQ(Text(dlg, 1109), "0");
            EXPECT_EQ(Text(dlg, 1114), "0");
            EXPECT_EQ(Text(dlg, 1115), "0.0064");
            dlg.Click(IDOK);
        };
        EXPECT_EQ(d.EditDataInfo(), 1);
        EXPECT_EQ(d.m_bAutoWidth, 1);
        EXPECT_EQ(d.m_dFixedWidth, 0.08);
        EXPECT_EQ(d.m_dDetectedWidth, 0.08);
        EXPECT_DOUBLE_EQ(d.m_dW, 0.0064);
    }
    {
        // UVW with W = 0.04: the constant width becomes 0.2.
        CXRDData d;
        Fill(d);
        d.SetUVW(0.01, -0.002, 0.0225);
        ui.script = [&](CDialog& dlg) {
            dlg.Click(1089);
            Type(dlg, 1115, "0.04");
            dlg.Click(IDOK);
        };
        EXPECT_EQ(d.EditDataInfo(), 1);
        EXPECT_EQ(d.m_nWidthType, 1);
        EXPECT_DOUBLE_EQ(d.m_dFixedWidth, 0.2);
        EXPECT_EQ(d.m_dU, 0.01);
        EXPECT_EQ(d.m_dV, -0.002);
        EXPECT_EQ(d.m_dW, 0.04);
    }
    {
        // Constant 0.3: U = V = 0 and W = 0.09, whatever U and V held.
        CXRDData d;
        Fill(d);
        d.SetUVW(0.01, -0.002, 0.0225);
        d.m_nWidthType = 1;
        ui.script = [&](CDialog& dlg) {
            EXPECT_EQ(Text(dlg, 1142), "0.15");  // sqrt(W) shown only after the next transfer
            dlg.Click(1075);
            EXPECT_EQ(Text(dlg, 1109), "0.01");
            Type(dlg, 1142, " 0.3 ");
            dlg.Click(IDOK);
        };
        EXPECT_EQ(d.EditDataInfo(), 1);
        EXPECT_EQ(d.m_nWidthType, 0);
        EXPECT_EQ(d.m_dFixedWidth, 0.3);
        EXPECT_EQ(d.m_dU, 0.0);
        EXPECT_EQ(d.m_dV, 0.0);
        EXPECT_DOUBLE_EQ(d.m_dW, 0.09);
    }
    {
        // A negative W has no width: the constant width becomes 0, never NaN.
        CXRDData d;
        Fill(d);
        d.m_nWidthType = 1;
        ui.script = [&](CDialog& dlg) {
            Type(dlg, 1115, "-0.01");
            dlg.Click(IDOK);
        };
        EXPECT_EQ(d.EditDataInfo(), 1);
        EXPECT_EQ(d.m_dFixedWidth, 0.0);
        EXPECT_EQ(d.m_dW, -0.01);
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST(DataSettingsDialog, PeakDataDisablesBackgroundAndErrorModel) {
    testing_support::RegistrySandbox box;
    ScriptedDialogUi ui;
    CXRDData d;
    Fill(d);
    d.m_bPeakData = 1;
    d.m_nCountType = 2;
    ui.script = [&](CDialog& dlg) {
        for (int id : {1153, 1138, 1316, 1359, 1360, 1209, 1361}) EXPECT_FALSE(Enabled(dlg, id)) << id;
        for (int id : {1075, 1089, 1005, 1139, 1142}) EXPECT_TRUE(Enabled(dlg, id)) << id;
        dlg.Click(1359);  // disabled: no effect
        EXPECT_TRUE(Checked(dlg, 1360));
    };
    EXPECT_EQ(d.EditDataInfo(), 0);
}

TEST(DataSettingsDialog, RefusedNumbersKeepTheDialogOpen) {
    testing_support::RegistrySandbox box;
    ScriptedDialogUi ui;
    CXRDData d;
    Fill(d);
    d.m_nCountType = 2;
    std::vector<bool> endedAfter;
    std::vector<int> focus;
    ui.script = [&](CDialog& dlg) {
        for (const char* esd : {"0", "150", "abc", "", "5x", "nan", "1e400"}) {
            Type(dlg, 1361, esd);
            dlg.Click(IDOK);
            endedAfter.push_back(dlg.IsEnded());
            focus.push_back(dlg.GetFocusID());
        }
        Type(dlg, 1361, "100");
        Type(dlg, 1139, "0,05");
        dlg.Click(IDOK);
        endedAfter.push_back(dlg.IsEnded());
        focus.push_back(dlg.GetFocusID());
        Type(dlg, 1139, "+5e-2");
        dlg.Click(IDOK);
        endedAfter.push_back(dlg.IsEnded());
    };
    EXPECT_EQ(d.EditDataInfo(), 1);
    EXPECT_EQ(endedAfter, std::vector<bool>({false, false, false, false, false, false, false, false, true}));
    EXPECT_EQ(focus, std::vector<int>({1361, 1361, 1361, 1361, 1361, 1361, 1361, 1139}));
    std::vector<std::string> texts;
    for (const auto& m : ui.messages) {
        texts.push_back(m.text);
        EXPECT_EQ(m.type, static_cast<unsigned>(MB_ICONEXCLAMATION));
    }
    const char* range = "Please enter a number between 1 and 100.";
    const char* number = "Please enter a number.";
    EXPECT_EQ(texts, std::vector<std::string>({range, range, number, number, number, number, number, number}));
    EXPECT_EQ(d.m_dEsds, 100.0);
    EXPECT_DOUBLE_EQ(d.m_dZeroError, 0.05);

    // The scale factor's range reaches 1e32, written as the system writes exponents.
    ui.messages.clear();
    d.m_nCountType = 1;
    ui.script = [&](CDialog& dlg) {
        Type(dlg, 1209, "-1");
        dlg.Click(IDOK);
        EXPECT_FALSE(dlg.IsEnded());
    };
    EXPECT_EQ(d.EditDataInfo(), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Please enter a number between 0 and 1e+032.");
}

TEST(DataSettingsDialog, OkMovesXByTheNewZeroErrorAndRegeneratesErrorsCancelChangesNothing) {
    testing_support::RegistrySandbox box;
    ScriptedDialogUi ui;
    CXRDData d;
    Fill(d);
    const std::string before = pattern_testing::Store(d);
    ui.script = [&](CDialog& dlg) {
        Type(dlg, 1139, "0.05");
        Type(dlg, 1153, "9");
        dlg.Click(1360);
        Type(dlg, 1361, "10");
        dlg.Click(1005);
        dlg.Click(IDCANCEL);
    };
    EXPECT_EQ(d.EditDataInfo(), 0);
    EXPECT_EQ(pattern_testing::Store(d), before);
    EXPECT_EQ(d.m_bAutoWidth, 0);

    ui.script = [&](CDialog& dlg) {
        Type(dlg, 1139, "0.05");
        dlg.Click(1360);
        Type(dlg, 1361, "10");
        dlg.Click(IDOK);
    };
    EXPECT_EQ(d.EditDataInfo(), 1);
    EXPECT_DOUBLE_EQ(d.GetAt(CGraphData::X, 0), 9.95);
    EXPECT_DOUBLE_EQ(d.GetAt(CGraphData::X, 1), 10.45);
    EXPECT_DOUBLE_EQ(d.GetAt(CGraphData::X, 2), 10.95);
    EXPECT_EQ(d.m_dZeroError, 0.05);
    EXPECT_EQ(d.m_nCountType, 2);
    // Variable time: 10 % of the counts, counts below 1 taken as 1.
    EXPECT_DOUBLE_EQ(d.GetAt(CGraphData::YError, 0), 10.0);
    EXPECT_DOUBLE_EQ(d.GetAt(CGraphData::YError, 1), 40.0);
    EXPECT_DOUBLE_EQ(d.GetAt(CGraphData::YError, 2), 0.1);

    // Nothing shown (the default user interface has no screen): nothing changes.
    const std::string after = pattern_testing::Store(d);
    {
        CUserInterface headless;
        CUserInterface* old = AfxSetUserInterface(&headless);
        EXPECT_EQ(d.EditDataInfo(), 0);
        AfxSetUserInterface(old);
    }
    EXPECT_EQ(pattern_testing::Store(d), after);
}

TEST(DataSettingsDialog, SettingsButtonsStoreAndRestoreDefaultsAndFactoryValues) {
    testing_support::RegistrySandbox box;
    ScriptedDialogUi ui;
    CXRDData d;
    Fill(d);
    ui.script = [&](CDialog& dlg) {
        // Restore To Defaults with nothing stored: the pattern's own values come back.
        Type(dlg, 1153, "8");
        dlg.Click(1008);
        EXPECT_EQ(Text(dlg, 1153), "6.5");

        Type(dlg, 1153, "7.5");
        Type(dlg, 1138, "0.5");
        dlg.Click(1359);
        Type(dlg, 1209, "4");
        Type(dlg, 1139, "0.02");
        dlg.Click(1007);  // Set As Defaults

        dlg.Click(1009);  // Restore To Factory
        EXPECT_EQ(Text(dlg, 1153), "5");
        EXPECT_EQ(Text(dlg, 1138), "1");
        EXPECT_EQ(Text(dlg, 1142), "0.1");
        EXPECT_EQ(Text(dlg, 1115), "0.01");
        EXPECT_EQ(Text(dlg, 1209), "1");
        EXPECT_EQ(Text(dlg, 1361), "1");
        EXPECT_EQ(Text(dlg, 1139), "0.02");  // the zero error is not a setting
        EXPECT_TRUE(Checked(dlg, 1005));
        EXPECT_TRUE(Checked(dlg, 1316));
        EXPECT_FALSE(Enabled(dlg, 1209));
        EXPECT_FALSE(Enabled(dlg, 1142));

        dlg.Click(1008);  // Restore To Defaults: the stored values
        EXPECT_EQ(Text(dlg, 1153), "7.5");
        EXPECT_EQ(Text(dlg, 1138), "0.5");
        EXPECT_EQ(Text(dlg, 1209), "4");
        EXPECT_FALSE(Checked(dlg, 1005));
        EXPECT_TRUE(Checked(dlg, 1359));
        EXPECT_TRUE(Enabled(dlg, 1209));
        EXPECT_TRUE(Enabled(dlg, 1142));
    };
    EXPECT_EQ(d.EditDataInfo(), 0);
    // The pattern itself is untouched by the buttons; new patterns start from the stored defaults.
    EXPECT_EQ(d.m_dBackgroundLength, 6.5);
    CXRDData fresh;
    EXPECT_EQ(fresh.m_dBackgroundLength, 7.5);
    EXPECT_EQ(fresh.m_dBackgroundScale, 0.5);
    EXPECT_EQ(fresh.m_nCountType, 1);
    EXPECT_EQ(fresh.m_dScaleFactor, 4.0);
    EXPECT_EQ(fresh.m_dZeroError, 0.0);

    // Without a pattern the buttons do nothing.
    const std::string stored = testing_support::ReadFile(box.user);
    CDataSettingsDialog lone;
    lone.m_dEsds = 1.0;  // 0, the initial value, is outside the esd range
    ui.script = [&](CDialog& dlg) {
        EXPECT_EQ(Text(dlg, 1153), "0");
        EXPECT_FALSE(Checked(dlg, 1075));  // no width type (-1): no radio checked
        for (int id : {1007, 1008, 1009}) dlg.Click(id);
        EXPECT_EQ(Text(dlg, 1153), "0");
        dlg.Click(IDOK);
    };
    EXPECT_EQ(lone.DoModal(), IDOK);
    EXPECT_EQ(testing_support::ReadFile(box.user), stored);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(DataSettingsDialog, HelpButtonAndContextHelpMap) {
    ScriptedDialogUi ui;
    HelpFileOverride help("/opt/help/xrddata.chm");
    CDataSettingsDialog dlg;
    dlg.m_dEsds = 1.0;
    ui.helpShown = FALSE;
    ui.script = [&](CDialog& d) {
        d.Click(IDHELP);
        EXPECT_FALSE(d.IsEnded());
    };
    dlg.DoModal();
    EXPECT_EQ(ui.helpPages, std::vector<std::string>({"/opt/help/xrddata/Htm/datasettings.htm"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Unable to display the help page /opt/help/xrddata/Htm/datasettings.htm.");
    HelpFileOverride::Set("/opt/help.d/pages");  // no extension: the folder itself
    ui.helpShown = TRUE;
    CDataSettingsDialog other;
    other.m_dEsds = 1.0;
    other.DoModal();
    EXPECT_EQ(ui.helpPages.back(), "/opt/help.d/pages/Htm/datasettings.htm");

    const int ids[] = {1153, 1138, 1075, 1089, 1142, 1005, 1109, 1114, 1115,
                       1139, 1316, 1359, 1360, 1209, 1361, 1007, 1008, 1009};
    for (size_t i = 0; i < 18; ++i) {
        EXPECT_EQ(CDataSettingsDialog::s_helpMap[2 * i], static_cast<DWORD>(ids[i]));
        EXPECT_EQ(dlg.GetHelpID(ids[i]), 0x80C10000u + static_cast<DWORD>(ids[i]));
    }
    EXPECT_EQ(CDataSettingsDialog::s_helpMap[36], 0u);
    EXPECT_EQ(CDataSettingsDialog::s_helpMap[37], 0u);
    EXPECT_EQ(dlg.GetHelpID(1153), 0x80C10481u);
    EXPECT_EQ(dlg.GetHelpID(1), 0u);
}
