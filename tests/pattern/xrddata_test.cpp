#include "xrddata/pattern/xrddata.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pattern/pattern_support.h"
#include "xrddata/platform/registry.h"
#include "support/registry_sandbox.h"
#include "support/support.h"

using pattern_testing::Column;
using pattern_testing::FillEverything;
using pattern_testing::Probe;
using testing_support::ReadFile;
using testing_support::RegistrySandbox;
using testing_support::WriteFile;

namespace {

void ExpectFactorySettings(const CXRDData& d) {
    EXPECT_EQ(d.m_dBackgroundLength, 5.0);
    EXPECT_EQ(d.m_dBackgroundScale, 1.0);
    EXPECT_EQ(d.m_bAutoWidth, 1);
    EXPECT_EQ(d.m_nWidthType, 0);
    EXPECT_EQ(d.m_dFixedWidth, 0.1);
    EXPECT_EQ(d.m_dU, 0.0);
    EXPECT_EQ(d.m_dV, 0.0);
    EXPECT_EQ(d.m_dW, 0.01);
    EXPECT_EQ(d.m_nCountType, 0);
    EXPECT_EQ(d.m_dScaleFactor, 1.0);
    EXPECT_EQ(d.m_dEsds, 1.0);
}

}  // namespace

TEST(Pattern, NewPatternHasAResetHeaderAndLeavesTheElevenSubKeys) {
    RegistrySandbox box;
    CXRDData d;
    EXPECT_EQ(d.GetSize(), 0);
    EXPECT_FALSE(d.IsCustomErrors());
    EXPECT_EQ(d.m_nTypeFlag, 0);
    EXPECT_EQ(d.GetSampleName(), "");
    EXPECT_EQ(d.GetSampleInfo(), "");
    EXPECT_EQ(d.m_strFileName, "");
    EXPECT_EQ(d.GetCollectionDate().GetStatus(), COleDateTime::null);
    EXPECT_EQ(d.GetCollectionDate().m_dt, 0.0);
    EXPECT_TRUE(d.m_Radiation == CRadiation());
    EXPECT_EQ(d.m_bPeakData, 0);
    EXPECT_EQ(d.GetZeroError(), 0.0);
    EXPECT_EQ(d.m_dDetectedWidth, 0.0);
    EXPECT_EQ(d.BackgroundExists(), 0);
    EXPECT_EQ(d.m_OriginalData.GetSize(), 0);
    ExpectFactorySettings(d);

    std::string expected =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tarvenic]\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Tarvenic\\Data Settings]\r\n\r\n";
    for (const char* name : {"AutoWidth", "BackgroundLength", "BackgroundScale", "CountType", "Esds", "FixedWidth",
                             "ScaleFactor", "U", "V", "W", "WidthType"})
        expected += std::string("[HKEY_CURRENT_USER\\Software\\Tarvenic\\Data Settings\\") + name + "]\r\n\r\n";
    EXPECT_EQ(ReadFile(box.user), expected);

    // A constructor with data takes the points as the point set does, after the header reset.
    CArray<double, double> ax, ay, ae;
    for (double v : {3.0, 1.0, 2.0}) {
        ax.Add(v);
        ay.Add(10 * v);
        ae.Add(v + 0.5);
    }
    CXRDData custom(ax, ay, ae);
    EXPECT_TRUE(custom.IsCustomErrors());
    EXPECT_EQ(Column(custom, CGraphData::YError), (std::vector<double>{1.5, 2.5, 3.5}));
    EXPECT_EQ(custom.GetCollectionDate().GetStatus(), COleDateTime::null);
    ExpectFactorySettings(custom);
}

TEST(Pattern, AssignmentCarriesAllButPeakFlagAutoWidthAndZeroError) {
    RegistrySandbox box;
    CXRDData src;
    FillEverything(src);
    CXRDData dst;
    dst.m_bAutoWidth = 1;
    dst = src;
    EXPECT_TRUE(pattern_testing::SameRecords(dst, src));
    EXPECT_EQ(dst.m_bPeakData, 0);
    EXPECT_EQ(dst.m_dZeroError, 0.0);
    EXPECT_EQ(dst.m_bAutoWidth, 1);
    EXPECT_EQ(dst.BackgroundExists(), 1);

    // A copy is a new pattern assigned: with a stored "AutoWidth" of 0 the copy has 0 whatever the source holds.
    {
        Probe p;
        HKEY k = p.GetRegistryKey();
        p.WriteProfileInt(k, "AutoWidth", 0);
        RegCloseKey(k);
    }
    src.m_bAutoWidth = 1;
    CXRDData copy(src);
    EXPECT_TRUE(pattern_testing::SameRecords(copy, src));
    EXPECT_EQ(copy.m_bPeakData, 0);
    EXPECT_EQ(copy.m_dZeroError, 0.0);
    EXPECT_EQ(copy.m_bAutoWidth, 0);

    // A counting-statistics source empties the error column of a custom-error destination.
    CXRDData plain;
    const double x[] = {1.0, 2.0};
    const double y[] = {4.0, 9.0};
    plain.Assign(x, y, nullptr, 2);
    dst = plain;
    EXPECT_FALSE(dst.IsCustomErrors());
    EXPECT_EQ(Column(dst, CGraphData::YError), (std::vector<double>{2.0, 3.0}));
    EXPECT_EQ(dst.BackgroundExists(), 0);
    EXPECT_EQ(dst.m_OriginalData.GetSize(), 0);

    // CopyHeader leaves the points alone; assigning a pattern to itself changes nothing.
    CXRDData header;
    header.CopyHeader(src);
    EXPECT_EQ(header.GetSize(), 0);
    EXPECT_EQ(header.m_strSampleName, src.m_strSampleName);
    EXPECT_EQ(header.m_OriginalData.GetSize(), 2);
    EXPECT_EQ(header.BackgroundExists(), 0);
    CXRDData& alias = src;
    src = alias;
    EXPECT_EQ(Column(src, CGraphData::Y), (std::vector<double>{100.0, 250.0, 90.0, 40.0}));
}

TEST(Pattern, AppendingKeepsTheHeaderAndRemoveAllResetsIt) {
    RegistrySandbox box;
    CXRDData a;
    FillEverything(a);
    CXRDData b;
    const double x[] = {9.0, 12.0};
    const double y[] = {5.0, 6.0};
    const double e[] = {1.0, 1.0};
    b.Assign(x, y, e, 2);
    b.m_strSampleName = "other";
    a += b;
    EXPECT_EQ(Column(a, CGraphData::X), (std::vector<double>{9.0, 10.0, 10.5, 11.0, 11.5, 12.0}));
    EXPECT_EQ(a.m_strSampleName, std::string("quartz \xFF\x01", 9));
    EXPECT_EQ(a.m_dZeroError, 0.05);

    a.RemoveAll();
    EXPECT_EQ(a.GetSize(), 0);
    EXPECT_TRUE(a.IsCustomErrors());  // the error mode stays
    EXPECT_EQ(a.m_nTypeFlag, 0);
    EXPECT_EQ(a.m_strFileName, "");
    EXPECT_EQ(a.m_strSampleName, "");
    EXPECT_EQ(a.m_CollectionDate.GetStatus(), COleDateTime::null);
    EXPECT_EQ(a.m_CollectionDate.m_dt, 37622.75);  // only the status changes
    EXPECT_TRUE(a.m_Radiation == CRadiation());
    EXPECT_EQ(a.m_bPeakData, 0);
    EXPECT_EQ(a.BackgroundExists(), 0);
    EXPECT_EQ(a.m_dZeroError, 0.0);
    ExpectFactorySettings(a);
    EXPECT_EQ(a.m_dDetectedWidth, 0.0875);       // not touched
    EXPECT_EQ(a.m_OriginalData.GetSize(), 2);    // not touched
}

TEST(Pattern, TypeFlagOperationsAndHistoryText) {
    RegistrySandbox box;
    Probe p;
    EXPECT_EQ(p.GetProcessingHistory(), "No data present\r\n");
    p.m_nTypeFlag = 6;
    EXPECT_EQ(p.GetProcessingHistory(), "No data present\r\n");
    const double x[] = {1.0, 2.0};
    const double y[] = {3.0, 4.0};
    p.Assign(x, y, nullptr, 2);  // replaces the points through the pattern's RemoveAll: the header is reset
    EXPECT_EQ(p.m_nTypeFlag, 0);
    p.m_nTypeFlag = 6;
    EXPECT_EQ(p.GetProcessingHistory(), "K-alpha2 stripped\r\nBackground subtracted\r\n");
    EXPECT_EQ(p.IsKa2Stripped(), 1);
    EXPECT_EQ(p.IsBackgroundSubtracted(), 1);

    p.m_OriginalData.Assign(x, y, nullptr, 2);
    p.SetOriginalFlag();
    EXPECT_EQ(p.m_nTypeFlag, 1);
    EXPECT_EQ(p.m_OriginalData.GetSize(), 0);
    EXPECT_EQ(p.GetProcessingHistory(), "Original data\r\n");
    p.SetKa2Stripped();
    EXPECT_EQ(p.m_nTypeFlag, 3);
    EXPECT_EQ(p.GetProcessingHistory(), "K-alpha2 stripped\r\n");
    EXPECT_EQ(p.IsBackgroundSubtracted(), 0);
    p.SetBackgroundSubtracted();
    p.SetBackgroundSubtracted();
    EXPECT_EQ(p.m_nTypeFlag, 7);
    p.ClearTypeFlag();
    EXPECT_EQ(p.m_nTypeFlag, 0);
    EXPECT_EQ(p.GetProcessingHistory(), "Original data\r\n");
    p.m_nTypeFlag = 4;
    EXPECT_EQ(p.GetProcessingHistory(), "Background subtracted\r\n");
}

TEST(Pattern, RestoringTheOriginalKeepsHeaderAndBackground) {
    RegistrySandbox box;
    CXRDData d;
    FillEverything(d);  // flag 6, original (10, 120), (10.5, 260) in counting statistics
    const double ox[] = {10.5, 10.0, 11.0};
    const double oy[] = {260.0, 120.0, 80.0};
    const double oe[] = {16.0, 11.0, 9.0};
    d.m_OriginalData.Assign(ox, oy, oe, 3);
    d.RestoreOriginalData();
    EXPECT_EQ(Column(d, CGraphData::X), (std::vector<double>{10.0, 10.5, 11.0}));
    EXPECT_EQ(Column(d, CGraphData::Y), (std::vector<double>{120.0, 260.0, 80.0}));
    EXPECT_EQ(Column(d, CGraphData::YError), (std::vector<double>{11.0, 16.0, 9.0}));
    EXPECT_EQ(d.m_nTypeFlag, 1);
    EXPECT_EQ(d.m_OriginalData.GetSize(), 0);
    EXPECT_EQ(d.BackgroundExists(), 1);
    EXPECT_EQ(d.IsBackgroundSubtracted(), 0);
    EXPECT_EQ(d.IsKa2Stripped(), 0);
    EXPECT_EQ(d.m_dZeroError, 0.05);
    EXPECT_EQ(d.m_nCountType, 2);

    // With nothing kept the pattern ends without points, in the emptied copy's error mode.
    d.RestoreOriginalData();
    EXPECT_EQ(d.GetSize(), 0);
    EXPECT_TRUE(d.IsCustomErrors());
    EXPECT_EQ(d.m_nTypeFlag, 1);
}
