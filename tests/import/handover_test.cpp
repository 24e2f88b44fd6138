// What DoReadFile leaves in the host's pattern now that the read pattern's columns are handed over rather than
// copied, and the width detected before the errors are derived: the same pattern, field for field, as assigning
// the read pattern and then deriving errors and width gave.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "import/import_support.h"
#include "pattern/pattern_support.h"

using import_testing::Column;
using import_testing::CranfieldFile;
using import_testing::ImportSandbox;

namespace {

// The pattern as DoReadFile used to make it: the read pattern assigned, then errors and width derived.
void ReadByAssigning(CXRDData& d, const std::string& path) {
    {
        CXRDData read(0);
        CFileImporter importer(&read);
        ASSERT_EQ(importer.ReadDataFile(path, 0, 0), 1);
        d = read;
    }
    d.m_strFileName = path;
    d.m_bPeakData = 0;
    d.GenerateErrors();
    d.RefreshFeatureWidth();
}

void ExpectSamePattern(CXRDData& a, CXRDData& b) {
    EXPECT_TRUE(pattern_testing::Store(a) == pattern_testing::Store(b));
    EXPECT_EQ(a.IsCustomErrors(), b.IsCustomErrors());
    for (CGraphData::Prop p : {CGraphData::X, CGraphData::Y, CGraphData::YError})
        EXPECT_EQ(Column(a, p), Column(b, p)) << p;
    EXPECT_EQ(a.m_dDetectedWidth, b.m_dDetectedWidth);
    EXPECT_EQ(a.m_bAutoWidth, b.m_bAutoWidth);
    EXPECT_EQ(a.m_dFixedWidth, b.m_dFixedWidth);
    EXPECT_EQ(a.m_dW, b.m_dW);
}

// A peak of the given width (degrees) on a flat background, written in falling angle order, with the errors of
// its own from point `ownFrom` on (none for -1).
std::string PeakText(double width, int ownFrom) {
    std::string text;
    char line[96];
    for (int i = 399; i >= 0; --i) {
        const double x = 20.0 + 0.01 * i;
        const double y = std::round(40.0 + 900.0 * std::exp(-std::pow((x - 22.0) / width, 2)));
        if (ownFrom >= 0 && 399 - i >= ownFrom)
            std::snprintf(line, sizeof line, "%.2f %.0f %.3f\n", x, y, 0.5 + 0.001 * i);
        else
            std::snprintf(line, sizeof line, "%.2f %.0f\n", x, y);
        text += line;
    }
    return text;
}

}  // namespace

TEST(ReadHandOver, SamePatternAsAssigningTheReadOne) {
    ImportSandbox box;
    const std::string files[] = {
        box.Write("counting.xy", PeakText(0.08, -1)),
        box.Write("own.xy", PeakText(0.15, 150)),  // errors of its own from the 151st line on
        box.Write("c.dat", CranfieldFile("100\n250\n90\n40\n30\n", "5")),
    };
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        CXRDData expected, d;
        ReadByAssigning(expected, path);
        ASSERT_EQ(d.DoReadFile(path.c_str(), 0), 1);
        ExpectSamePattern(d, expected);
        // Over a pattern that already holds points, custom errors and a background.
        CXRDData full;
        pattern_testing::FillEverything(full);
        CXRDData fullExpected(full);
        // The members a copy leaves alone.
        fullExpected.m_bAutoWidth = full.m_bAutoWidth;
        fullExpected.m_dZeroError = full.m_dZeroError;
        fullExpected.m_bPeakData = full.m_bPeakData;
        ReadByAssigning(fullExpected, path);
        ASSERT_EQ(full.DoReadFile(path.c_str(), 0), 1);
        ExpectSamePattern(full, fullExpected);
        EXPECT_EQ(Column(full.m_Background, CGraphData::Y), Column(fullExpected.m_Background, CGraphData::Y));
    }
    EXPECT_TRUE(box.ui.messages.empty());
}

TEST(ReadHandOver, SharingPatternKeepsItsBlocksAndAFailedReadKeepsItsPoints) {
    ImportSandbox box;
    const double x[] = {1.0, 2.0}, y[] = {5.0, 7.0};
    CXRDData d(2, x, y, nullptr);
    ASSERT_EQ(d.Share(1), 1);
    const std::string names[] = {d.GetXShareName(), d.GetYShareName(), d.GetYErrorShareName()};

    const std::string path = box.Write("scan.xy", PeakText(0.1, -1));
    ASSERT_EQ(d.DoReadFile(path.c_str(), 0), 1);
    EXPECT_EQ(d.GetSize(), 400);
    EXPECT_EQ(d.GetAt(CGraphData::X, 0), 20.0);
    EXPECT_TRUE(d.IsSharing());
    EXPECT_EQ(d.GetXShareName(), names[0]);
    EXPECT_EQ(d.GetYShareName(), names[1]);
    EXPECT_EQ(d.GetYErrorShareName(), names[2]);
    // The blocks are the ones shared before, still of the old size: sharing again makes them fit.
    EXPECT_EQ(d.IsSharingValid(), 0);
    EXPECT_EQ(d.Share(1), 1);
    EXPECT_EQ(d.IsSharingValid(), 1);
    EXPECT_EQ(d.GetXShareName(), names[0]);

    // A file that reads no point leaves the pattern as it was.
    const std::vector<double> before = Column(d, CGraphData::Y);
    const std::string bad = box.Write("bad.xy", "1 2\n3 x\n");
    EXPECT_EQ(d.DoReadFile(bad.c_str(), 0), 0);
    EXPECT_EQ(Column(d, CGraphData::Y), before);
    EXPECT_EQ(d.m_strFileName, path);
    d.ShareEnd();
}
