#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binary_fixture.h"
#include "support/diffracat_writer.h"
#include "support/diffracplus_writer.h"
#include "support/support.h"
#include "xrddata/platform/ui.h"

using binary_testing::ReaderTest;
using testing_support::DiffracAtFile;
using testing_support::DiffracAtRange;
using testing_support::DiffracPlusFile;
using testing_support::DiffracPlusRange;
using testing_support::PlusRange;
using testing_support::WriteDiffracAt;
using testing_support::WriteDiffracPlus;

namespace {

using DiffracPlus = ReaderTest;
using DiffracAt = ReaderTest;

}  // namespace

TEST_F(DiffracPlus, HeaderFieldsPointsAndFurtherRanges) {
    DiffracPlusFile f;
    f.date = "2004-03-25";
    f.time = "14:22:05";
    f.sample = "  quartz standard \t";
    f.comment = "run 7\r\n";
    f.anode = "Co";
    f.wavelength = 1.78897;
    f.ranges = {PlusRange(10.0, 0.25, {5.5f, 7.0f, 1e6f}), PlusRange(30.0, 0.2, {1, 2}), PlusRange(40, 1, {3})};
    f.ranges[0].supplementary = std::string(40, '\xAB');  // skipped: the counts follow it
    const std::string path = Put(WriteDiffracPlus(f));

    ASSERT_TRUE(imp.IsDiffracPlusFile(path));
    EXPECT_FALSE(imp.IsDiffracAtFile(path));
    EXPECT_FALSE(imp.IsStoeFile(path));
    ASSERT_EQ(imp.ReadDiffracPlusFile(path), 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(target.m_strSampleName, "quartz standard");
    EXPECT_EQ(target.m_strSampleInfo, "run 7\nOnly the first data range was used.");
    EXPECT_EQ(target.m_CollectionDate, COleDateTime(2004, 3, 25, 14, 22, 5));
    EXPECT_EQ(target.m_Radiation.GetTargetName(), "Co");
    EXPECT_EQ(Column(CGraphData::X), (std::vector<double>{10.0, 10.25, 10.5}));
    EXPECT_EQ(Column(CGraphData::Y), (std::vector<double>{5.5, 7.0, 1e6}));
    EXPECT_FALSE(target.IsCustomErrors());
}

TEST_F(DiffracPlus, RadiationFallsBackToWavelengthAndPointsAreSorted) {
    DiffracPlusFile f;
    f.anode = "Xx";
    f.wavelength = 1.5406;  // Cu K-alpha1
    f.ranges = {PlusRange(20.0, -0.5, {1, 2, 3})};
    const std::string path = Put(WriteDiffracPlus(f));
    ASSERT_EQ(imp.ReadDiffracPlusFile(path), 1);
    EXPECT_EQ(target.m_Radiation.GetTargetName(), "Cu");
    EXPECT_EQ(target.m_strSampleInfo, "");
    EXPECT_EQ(Column(CGraphData::X), (std::vector<double>{19.0, 19.5, 20.0}));
    EXPECT_EQ(Column(CGraphData::Y), (std::vector<double>{3, 2, 1}));

    f.wavelength = 0.7;  // no known line: a free wavelength
    ASSERT_EQ(imp.ReadDiffracPlusFile(Put(WriteDiffracPlus(f))), 1);
    EXPECT_FALSE(target.m_Radiation.IsValidTarget());
    EXPECT_EQ(target.m_Radiation.GetLambda(), 0.7);
}

TEST_F(DiffracPlus, RecognitionNeedsTheMagicAndTheRangeHeaderLength) {
    DiffracPlusFile f;
    f.ranges = {PlusRange(10, 1, {1})};
    f.ranges[0].headerLength = 300;
    const std::string path = Put(WriteDiffracPlus(f));
    EXPECT_FALSE(imp.IsDiffracPlusFile(path));
    EXPECT_EQ(imp.ReadDiffracPlusFile(path), 0);
    EXPECT_EQ(Texts(), std::vector<std::string>{path + " is not a valid DiffracPlus file"});
    EXPECT_EQ(ui.messages[0].type, static_cast<unsigned>(MB_ICONEXCLAMATION));

    f.ranges[0].headerLength = 304;
    f.magic = "RAW1.00";
    EXPECT_FALSE(imp.IsDiffracPlusFile(Put(WriteDiffracPlus(f))));
    // A missing file: the file error is reported, then the reader's own message.
    ui.messages.clear();
    const std::string missing = box.dir.file("none.raw");
    EXPECT_EQ(imp.ReadDiffracPlusFile(missing), 0);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, missing + " is not a valid DiffracPlus file");
}

TEST_F(DiffracPlus, ShortFilesAndLyingCountsGiveWhatTheFileHolds) {
    DiffracPlusFile f;
    f.ranges = {PlusRange(10, 1, {1, 2, 3, 4})};
    std::string bytes = WriteDiffracPlus(f);
    // The last count cut in half: three whole counts.
    ASSERT_EQ(imp.ReadDiffracPlusFile(Put(bytes.substr(0, bytes.size() - 2))), 1);
    EXPECT_EQ(Column(CGraphData::Y), (std::vector<double>{1, 2, 3}));

    // A count of two billion and a supplementary header past the end allocate nothing and read nothing.
    f.ranges[0].pointCount = 2000000000;
    ASSERT_EQ(imp.ReadDiffracPlusFile(Put(WriteDiffracPlus(f))), 1);
    EXPECT_EQ(target.GetSize(), 4);
    f.ranges[0].pointCount = -5;
    ASSERT_EQ(imp.ReadDiffracPlusFile(Put(WriteDiffracPlus(f))), 1);
    EXPECT_EQ(target.GetSize(), 0);
    f.ranges[0].pointCount.reset();
    bytes = WriteDiffracPlus(f);
    bytes[712 + 256 + 3] = 0x7F;  // supplementary length 0x7F000000
    ASSERT_EQ(imp.ReadDiffracPlusFile(Put(bytes)), 1);
    EXPECT_EQ(target.GetSize(), 0);
    // A range shorter than its header says is read with a word on the points claimed and found.
    EXPECT_EQ(Texts(), (std::vector<std::string>{"range 1: header claims 4 points, file holds 3",
                                                  "range 1: header claims 2000000000 points, file holds 4",
                                                  "range 1: header claims 4 points, file holds 0"}));
}

TEST_F(DiffracPlus, NoTargetReadsNothing) {
    CFileImporter none(nullptr);
    DiffracPlusFile f;
    f.ranges = {PlusRange(10, 1, {1})};
    EXPECT_EQ(none.ReadDiffracPlusFile(Put(WriteDiffracPlus(f))), 0);
    EXPECT_EQ(none.ReadDiffracAtFile(Put(WriteDiffracPlus(f))), 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DiffracAt, HeaderFieldsPointsAndFurtherRanges) {
    DiffracAtFile f;
    f.sample = "corundum";
    f.anode = "MO";
    f.ka1 = 0.70930f;
    f.ka2 = 0.0f;
    DiffracAtRange r;
    r.start = 67.0f;
    r.step = 0.01f;
    r.counts = {100.5f, 200, 300};
    f.ranges = {r, r};
    const std::string path = Put(WriteDiffracAt(f));
    ASSERT_TRUE(imp.IsDiffracAtFile(path));
    EXPECT_FALSE(imp.IsDiffracPlusFile(path));
    ASSERT_EQ(imp.ReadDiffracAtFile(path), 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(target.m_strSampleName, "corundum");
    EXPECT_EQ(target.m_strSampleInfo, "\nOnly the first data range was used.");
    EXPECT_EQ(target.m_CollectionDate, COleDateTime(1994, 4, 27, 13, 36, 30));
    EXPECT_EQ(target.m_Radiation.GetTargetName(), "Mo");
    EXPECT_EQ(target.m_Radiation.IsKa2(), 0);
    const double start = 67.0f, step = 0.01f;
    EXPECT_EQ(Column(CGraphData::X), (std::vector<double>{start, start + step, start + 2 * step}));
    EXPECT_EQ(Column(CGraphData::Y), (std::vector<double>{100.5, 200, 300}));

    // K-alpha2 wavelength present; an unknown anode text leaves the K-alpha1 wavelength to decide.
    f.ka2 = 0.71359f;
    f.anode = "??";
    f.rangeCount = 1;
    ASSERT_EQ(imp.ReadDiffracAtFile(Put(WriteDiffracAt(f))), 1);
    EXPECT_EQ(target.m_Radiation.IsKa2(), 1);
    EXPECT_EQ(target.m_Radiation.GetTargetName(), "Mo");
    EXPECT_EQ(target.m_strSampleInfo, "");
}

TEST_F(DiffracAt, ShortRangeHeaderGivesAnEmptyPatternAndBadMagicAMessage) {
    DiffracAtFile f;
    DiffracAtRange r;
    r.counts = {1, 2, 3};
    r.headerLength = 58;
    f.ranges = {r};
    target.Add(1.0, 1.0);  // whatever the target held goes
    ASSERT_EQ(imp.ReadDiffracAtFile(Put(WriteDiffracAt(f))), 1);
    EXPECT_EQ(target.GetSize(), 0);

    f.ranges[0].headerLength = 60;  // the least length that is read
    ASSERT_EQ(imp.ReadDiffracAtFile(Put(WriteDiffracAt(f))), 1);
    EXPECT_EQ(target.GetSize(), 3);

    EXPECT_TRUE(ui.messages.empty());
    f.ranges[0].pointCount = 5;  // the file holds three: read, with the counts claimed and found
    ASSERT_EQ(imp.ReadDiffracAtFile(Put(WriteDiffracAt(f))), 1);
    EXPECT_EQ(target.GetSize(), 3);
    EXPECT_EQ(Texts(), std::vector<std::string>{"range 1: header claims 5 points, file holds 3"});
    ui.messages.clear();

    f.magic = "RAW1";
    const std::string path = Put(WriteDiffracAt(f));
    EXPECT_EQ(imp.ReadDiffracAtFile(path), 0);
    EXPECT_EQ(Texts(), std::vector<std::string>{path + " is not a valid DiffracAt file"});
}
