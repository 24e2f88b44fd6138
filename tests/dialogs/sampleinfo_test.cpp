// The Sample Information dialog driven through the scripted user interface: history texts, the date in the user's
// locale and back, OK and Cancel on the pattern.
#include <gtest/gtest.h>

#include "dialogs/scripted_dialog_ui.h"
#include "support/locale.h"
#include "support/registry_sandbox.h"
#include "xrddata/dialogs/sampleinfodialog.h"
#include "xrddata/pattern/xrddata.h"

using dialog_testing::Enabled;
using dialog_testing::ScriptedDialogUi;
using dialog_testing::Text;
using dialog_testing::Type;

namespace {
void Points(CXRDData& d) {
    const double x[] = {10.0, 10.5};
    const double y[] = {100.0, 400.0};
    d.CGraphData::Assign(x, y, nullptr, 2);
}
}  // namespace

TEST(SampleInfoDialog, ShowsHeaderAndHistory) {
    testing_support::RegistrySandbox box;
    XRD_TIME_LOCALE(locale, "en_GB");
    ScriptedDialogUi ui;
    CXRDData empty;
    std::vector<std::string> histories;
    ui.script = [&](CDialog& dlg) {
        histories.push_back(Text(dlg, 1002));
        EXPECT_FALSE(Enabled(dlg, 1002) && !(dlg.GetDlgItem(1002)->GetStyle() & ES_READONLY));
    };
    EXPECT_EQ(empty.EditSampleInfo(), 0);

    CXRDData d;
    Points(d);
    d.m_strSampleName = "quartz";
    d.m_strSampleInfo = "line one\r\nline two";
    d.m_CollectionDate.SetDateTime(2004, 3, 25, 14, 22, 5);
    d.m_nTypeFlag = CXRDData::Ka2StrippedBit | CXRDData::BackgroundSubtractedBit;
    ui.script = [&](CDialog& dlg) {
        EXPECT_EQ(dlg.GetTemplate().caption, "Sample Information");
        EXPECT_EQ(Text(dlg, 1303), "quartz");
        EXPECT_EQ(Text(dlg, 1302), "line one\r\nline two");
        EXPECT_EQ(Text(dlg, 1304), "25/03/2004 14:22:05");
        histories.push_back(Text(dlg, 1002));
    };
    EXPECT_EQ(d.EditSampleInfo(), 0);
    EXPECT_EQ(histories,
              std::vector<std::string>({"No data present\r\n", "K-alpha2 stripped\r\nBackground subtracted\r\n"}));
}

TEST(SampleInfoDialog, OkWritesNameCommentsAndDateBack) {
    testing_support::RegistrySandbox box;
    XRD_TIME_LOCALE(locale, "en_GB");
    ScriptedDialogUi ui;
    CXRDData d;
    Points(d);
    d.m_strSampleName = "quartz";
    d.m_Radiation.SetTarget(CString("Mo"));
    const CRadiation radiation = d.m_Radiation;

    // No date: an empty field; OK with it left empty gives an invalid date.
    ui.script = [&](CDialog& dlg) {
        EXPECT_EQ(Text(dlg, 1304), "");
        Type(dlg, 1302, "new comments");
        dlg.Click(IDOK);
    };
    EXPECT_EQ(d.EditSampleInfo(), 1);
    EXPECT_EQ(d.m_strSampleName, "quartz");
    EXPECT_EQ(d.m_strSampleInfo, "new comments");
    EXPECT_EQ(d.m_CollectionDate.GetStatus(), COleDateTime::invalid);
    EXPECT_TRUE(d.m_Radiation == radiation);

    // A date in the locale's order is read back; the invalid date shows empty again.
    ui.script = [&](CDialog& dlg) {
        EXPECT_EQ(Text(dlg, 1304), "");
        Type(dlg, 1304, "01/02/2005 08:30:00");
        Type(dlg, 1303, "corundum");
        dlg.Click(IDOK);
    };
    EXPECT_EQ(d.EditSampleInfo(), 1);
    EXPECT_EQ(d.m_strSampleName, "corundum");
    EXPECT_EQ(d.m_CollectionDate, COleDateTime(2005, 2, 1, 8, 30, 0));

    // Unparsable text leaves the date invalid.
    ui.script = [&](CDialog& dlg) {
        EXPECT_EQ(Text(dlg, 1304), "01/02/2005 08:30:00");
        Type(dlg, 1304, "next tuesday");
        dlg.Click(IDOK);
    };
    EXPECT_EQ(d.EditSampleInfo(), 1);
    EXPECT_EQ(d.m_CollectionDate.GetStatus(), COleDateTime::invalid);
    EXPECT_EQ(d.m_CollectionDate.m_dt, 0.0);
}

TEST(SampleInfoDialog, CancelChangesNothing) {
    testing_support::RegistrySandbox box;
    ScriptedDialogUi ui;
    CXRDData d;
    Points(d);
    d.m_strSampleName = "quartz";
    d.m_strSampleInfo = "info";
    d.m_CollectionDate = COleDateTime(37622.75);
    ui.script = [&](CDialog& dlg) {
        Type(dlg, 1303, "x");
        Type(dlg, 1302, "y");
        Type(dlg, 1304, "");
        dlg.Click(IDCANCEL);
    };
    EXPECT_EQ(d.EditSampleInfo(), 0);
    EXPECT_EQ(d.m_strSampleName, "quartz");
    EXPECT_EQ(d.m_strSampleInfo, "info");
    EXPECT_EQ(d.m_CollectionDate, COleDateTime(37622.75));

    // A dialog without a pattern shows empty fields and closes without touching anything.
    CSampleInfoDialog lone(nullptr);
    ui.script = [&](CDialog& dlg) {
        EXPECT_EQ(Text(dlg, 1303), "");
        EXPECT_EQ(Text(dlg, 1002), "");
        dlg.Click(IDOK);
    };
    EXPECT_EQ(lone.DoModal(), IDOK);
    EXPECT_EQ(ui.opened, 2);

    EXPECT_EQ(lone.GetHelpID(1304), 0x80B60518u);
    EXPECT_EQ(lone.GetHelpID(1002), 0x80B603EAu);
    EXPECT_EQ(CSampleInfoDialog::s_helpMap[8], 0u);
}
