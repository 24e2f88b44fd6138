#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binary_fixture.h"
#include "support/mdi_writer.h"
#include "support/support.h"
#include "xrddata/platform/ui.h"

using binary_testing::ReaderTest;
using testing_support::MdiFile;
using testing_support::WriteMdi;

namespace {

using Mdi = ReaderTest;

MdiFile Counts(int n) {
    MdiFile f;
    for (int i = 0; i < n; ++i) f.counts.push_back(100 + i);
    return f;
}

}  // namespace

TEST_F(Mdi, TitleColumnsScanLineAndIntensities) {
    MdiFile f = Counts(20);
    f.date = "2004-03-";  // the first eight characters only
    f.title = "2004-03-25 junk XRD1Quartz (fine)  ";
    f.start = 10.0;
    f.step = 0.25;
    const std::string path = Put(WriteMdi(f), "q.mdi");
    ASSERT_TRUE(imp.IsMdiFile(path));
    ASSERT_EQ(imp.ReadMdiFile(path), 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(target.m_strSampleInfo, "XRD1");
    EXPECT_EQ(target.m_strSampleName, "Quartz (fine)  ");
    EXPECT_EQ(target.m_CollectionDate.GetStatus(), COleDateTime::invalid);  // "2004-03-" is no date
    EXPECT_EQ(target.m_Radiation.GetTargetName(), "Cu");
    ASSERT_EQ(target.GetSize(), 20);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(target.GetAt(CGraphData::X, i), 10.0 + i * 0.25);
        EXPECT_EQ(target.GetAt(CGraphData::Y, i), 100 + i);
    }

    // Unknown element: the wavelength decides, else it stays a free wavelength.
    f.title.reset();
    f.date = "03/25/04";
    f.anode = "Xx";
    f.wavelength = 0.5;
    ASSERT_EQ(imp.ReadMdiFile(Put(WriteMdi(f))), 1);
    EXPECT_EQ(target.m_CollectionDate, COleDateTime(2004, 3, 25, 0, 0, 0));
    EXPECT_EQ(target.m_strSampleName, "quartz");
    EXPECT_FALSE(target.m_Radiation.IsValidTarget());
    EXPECT_EQ(target.m_Radiation.GetLambda(), 0.5);
}

TEST_F(Mdi, CountMismatchFailsSilentlyAndLinesGiveAtMostEight) {
    MdiFile f = Counts(99);
    f.pointCount = 100;
    EXPECT_EQ(imp.ReadMdiFile(Put(WriteMdi(f))), 0);
    EXPECT_TRUE(ui.messages.empty());

    // Ten numbers on one line: the first eight count; a line of words adds nothing.
    std::string text = WriteMdi(Counts(0));
    text.replace(text.find(" 0\r\n"), 4, " 9\r\n");
    text += "1 2 3 4 5 6 7 8 9 10\r\nno numbers here\r\n1\r\n";
    ASSERT_EQ(imp.ReadMdiFile(Put(text)), 1);
    std::vector<double> y = Column(CGraphData::Y);
    EXPECT_EQ(y, (std::vector<double>{1, 2, 3, 4, 5, 6, 7, 8, 1}));
}

TEST_F(Mdi, ShortTitlesAndRecognition) {
    MdiFile f = Counts(3);
    f.title = "03/25/04 abc  x";  // shorter than 16: no comments, no sample name
    ASSERT_EQ(imp.ReadMdiFile(Put(WriteMdi(f))), 1);
    EXPECT_EQ(target.m_strSampleInfo, "");
    EXPECT_EQ(target.m_strSampleName, "");
    f.title = "03/25/04        AB";
    ASSERT_EQ(imp.ReadMdiFile(Put(WriteMdi(f))), 1);
    EXPECT_EQ(target.m_strSampleInfo, "AB");
    EXPECT_EQ(target.m_strSampleName, "");

    // The scan line must convert all seven fields with end > start, step > 0 and wavelength > 0.
    const std::vector<std::string> bad = {
        "10 0.02 1 Cu 1.54 20",          "10 0.02 1 Cu 1.54 20 x",  "10 0 1 Cu 1.54 20 100",
        "10 0.02 1 Cu 0 20 100",         "10 0.02 1 Cu 1.54 10 100", "",
    };
    for (const std::string& line : bad) {
        const std::string path = Put("title\r\n" + line + "\r\n1 2 3\r\n");
        EXPECT_FALSE(imp.IsMdiFile(path)) << line;
    }
    EXPECT_TRUE(imp.IsMdiFile(Put("title\n10 0.02 1 Cu 1.54 20 3\n1 2 3\n")));
    ui.messages.clear();
    const std::string path = Put("title\r\n10 0.02 1 Cu 1.54 9 3\r\n1 2 3\r\n");
    EXPECT_EQ(imp.ReadMdiFile(path), 0);
    EXPECT_EQ(Texts(), std::vector<std::string>{path + " is not a valid MDI file"});
    EXPECT_EQ(ui.messages[0].type, static_cast<unsigned>(MB_ICONEXCLAMATION));
}
