// The real instrument files: every DIFFRAC-plus, DIFFRAC-AT and STOE sample is recognised and read; the raw files
// of other kinds and versions are recognised by none of the binary tests.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "binary_fixture.h"
#include "support/support.h"
#include "xrddata/platform/stdiofile.h"

using binary_testing::ReaderTest;

namespace {

class Samples : public ReaderTest {
protected:
    static std::string Sample(const std::string& name) { return testing_support::SamplesDir() + "/" + name; }
};

}  // namespace

TEST_F(Samples, DiffracPlus) {
    XRD_REQUIRE_SAMPLES();
    struct Case {
        const char* file;
        int points;
        double start;
        const char* sample;
        bool moreRanges;
    };
    const Case cases[] = {
        {"bruker-raw3/BT86.raw", 2374, 3.0, "BT86", false},
        {"bruker-raw3/Cu3Au-1.raw", 3901, 22.0, nullptr, false},
        {"bruker-raw3/format1.raw", 101, 10.0, nullptr, true},
        {"bruker-raw3/Keokuk_kaolinite.RAW", 4001, 10.0, nullptr, true},
        {"bruker-raw3/KGA1-CONT.RAW", 3401, 2.0, nullptr, false},
        {"bruker-raw3/LaB6_Jan2018.raw", 3040, 10.0, "", false},
    };
    for (const Case& c : cases) {
        const std::string path = Sample(c.file);
        ASSERT_TRUE(imp.IsDiffracPlusFile(path)) << c.file;
        EXPECT_FALSE(imp.IsStoeFile(path));
        EXPECT_FALSE(imp.IsDiffracAtFile(path));
        ASSERT_EQ(imp.ReadDiffracPlusFile(path), 1) << c.file;
        EXPECT_EQ(target.GetSize(), c.points) << c.file;
        EXPECT_EQ(target.GetMinX(), c.start) << c.file;
        if (c.sample) {
            EXPECT_EQ(target.m_strSampleName, c.sample) << c.file;
        }
        const std::string note = "\nOnly the first data range was used.";
        const std::string& info = target.m_strSampleInfo;
        EXPECT_EQ(info.size() >= note.size() && info.compare(info.size() - note.size(), note.size(), note) == 0,
                  c.moreRanges)
            << c.file;
        EXPECT_EQ(target.m_Radiation.GetTargetName(), "Cu") << c.file;
        EXPECT_EQ(target.m_CollectionDate.GetStatus(), COleDateTime::valid) << c.file;
    }
    // "14/03/88": day first, read as such whatever the locale's order.
    ASSERT_EQ(imp.ReadDiffracPlusFile(Sample("bruker-raw3/Keokuk_kaolinite.RAW")), 1);
    EXPECT_EQ(target.m_CollectionDate.GetYear(), 1988);
    EXPECT_EQ(target.m_CollectionDate.GetMonth(), 3);
    EXPECT_EQ(target.m_CollectionDate.GetDay(), 14);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Samples, DiffracAtMatchesItsTextCopy) {
    XRD_REQUIRE_SAMPLES();
    const std::string path = Sample("bruker-raw2/QTZQUIN.RAW");
    ASSERT_TRUE(imp.IsDiffracAtFile(path));
    ASSERT_EQ(imp.ReadDiffracAtFile(path), 1);
    ASSERT_EQ(target.GetSize(), 301);
    CStdioFile text(Sample("xy/qtzquin.asc").c_str(), CFile::modeRead | CFile::typeText);
    CString line;
    for (int i = 0; text.ReadString(line); ++i) {
        double x, y;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf %lf", &x, &y), 2);
        EXPECT_NEAR(target.GetAt(CGraphData::X, i), x, 5e-4) << i;
        EXPECT_EQ(target.GetAt(CGraphData::Y, i), y) << i;
    }

    ASSERT_EQ(imp.ReadDiffracAtFile(Sample("bruker-raw2/CORKLZ20.RAW")), 1);
    EXPECT_EQ(target.GetSize(), 2501);
    EXPECT_EQ(target.m_CollectionDate, COleDateTime(1994, 4, 27, 13, 36, 30));
    EXPECT_EQ(target.m_Radiation.GetTargetName(), "Cu");
    EXPECT_EQ(target.m_Radiation.IsKa2(), 1);
    EXPECT_EQ(target.GetMinX(), 10.0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Samples, Stoe) {
    XRD_REQUIRE_SAMPLES();
    const std::string path = Sample("stoe/stoe.raw");
    ASSERT_TRUE(imp.IsStoeFile(path));
    EXPECT_FALSE(imp.IsDiffracPlusFile(path));
    ASSERT_EQ(imp.ReadStoeFile(path), 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(target.GetSize(), 5404);
    EXPECT_EQ(target.GetMinX(), 10.0);
    EXPECT_EQ(target.GetAt(CGraphData::X, 1), 10.0 + static_cast<double>(0.015f));
    EXPECT_EQ(target.m_strSampleName, "This file has no Title");
    // Anode index 7 is outside the table: the wavelength 1.20793 matches no target and stays free.
    EXPECT_FALSE(target.m_Radiation.IsValidTarget());
    EXPECT_EQ(target.m_Radiation.GetLambda(), static_cast<double>(1.20793f));
    EXPECT_EQ(target.m_Radiation.IsKa2(), 1);
}

TEST_F(Samples, OtherRawFilesAreNotRecognised) {
    XRD_REQUIRE_SAMPLES();
    for (const char* name : {"other/brk_raw1.raw", "other/bruker_raw4.raw", "other/sio250.raw", "other/garnet.raw"}) {
        const std::string path = Sample(name);
        EXPECT_FALSE(imp.IsDiffracPlusFile(path)) << name;
        EXPECT_FALSE(imp.IsDiffracAtFile(path)) << name;
        EXPECT_FALSE(imp.IsStoeFile(path)) << name;
        EXPECT_FALSE(imp.IsMdiFile(path)) << name;
    }
    EXPECT_TRUE(ui.messages.empty());
}
