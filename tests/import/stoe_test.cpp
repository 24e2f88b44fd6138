#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "binary_fixture.h"
#include "support/stoe_writer.h"
#include "support/support.h"
#include "xrddata/import/readers/stoe.h"
#include "xrddata/platform/ui.h"

using binary_testing::ReaderTest;
using testing_support::StoeFile;
using testing_support::StoeCounts;
using testing_support::StoeRange;
using testing_support::WriteStoe;

namespace {

class Stoe : public ReaderTest {
protected:
    int Range(const std::string& path, int n) { return imp.ReadStoeRange(path, n, header, range, counts); }

    StoeFileHeader header;
    StoeRangeHeader range;
    std::vector<float> counts;
};

std::vector<std::int32_t> Ramp(int n) {
    std::vector<std::int32_t> v;
    for (int i = 0; i < n; ++i) v.push_back(i + 1);
    return v;
}

std::vector<float> RampF(int n) {
    std::vector<float> v;
    for (int i = 0; i < n; ++i) v.push_back(static_cast<float>(i + 1));
    return v;
}

}  // namespace

TEST_F(Stoe, CurrentVersionHeaderRadiationAndPoints) {
    StoeFile f;
    f.magic = "RAW_1.06Powdat";
    f.date = "2004-03-25";
    f.sample = "  silicon  ";
    f.comment = "NIST 640c ";
    f.anodeIndex = 2;  // Mo
    f.radiationCode = 1;
    f.wavelength = 0.7093f;
    StoeRange r = StoeCounts(2, {10, 70000, -3});
    r.start = 5.0f;
    r.step = 0.015f;
    f.ranges = {r, StoeCounts(1, {9})};
    const std::string path = Put(WriteStoe(f));

    ASSERT_TRUE(imp.IsStoeFile(path));
    EXPECT_FALSE(imp.IsDiffracAtFile(path));
    ASSERT_EQ(imp.ReadStoeFile(path), 1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(target.m_strSampleName, "silicon");
    EXPECT_EQ(target.m_strSampleInfo, "NIST 640c");
    EXPECT_EQ(target.m_CollectionDate, COleDateTime(2004, 3, 25, 0, 0, 0));
    EXPECT_EQ(target.m_Radiation.GetTargetName(), "Mo");
    EXPECT_EQ(target.m_Radiation.IsKa2(), 0);
    const double start = 5.0f, step = 0.015f;
    EXPECT_EQ(Column(CGraphData::X), (std::vector<double>{start, start + step, start + 2 * step}));
    EXPECT_EQ(Column(CGraphData::Y), (std::vector<double>{10, 70000, -3}));

    // Range 2 through the range reader.
    ASSERT_EQ(Range(path, 2), 1);
    EXPECT_EQ(counts, std::vector<float>{9});
    EXPECT_EQ(range.DataType(), 1);
}

TEST_F(Stoe, CountsAreSplitOverRecordsAndScaledByTheCountingTime) {
    StoeFile f;
    f.ranges = {StoeCounts(1, Ramp(300)), StoeCounts(2, Ramp(300))};
    f.ranges[0].countingTime = 2.0f;
    f.ranges[1].countingTime = 0.5f;
    const std::string path = Put(WriteStoe(f));
    // int16: 256 in the first data record, 44 in the second; int32: 128, 128 and 44.
    EXPECT_EQ(f.ranges.size(), 2u);
    EXPECT_EQ(testing_support::ReadFile(path).size(), 512u * (1 + 1 + 2 + 1 + 3));
    ASSERT_EQ(Range(path, 1), 1);
    std::vector<float> half;
    for (int i = 1; i <= 300; ++i) half.push_back(static_cast<float>(i * 0.5));
    EXPECT_EQ(counts, half);
    ASSERT_EQ(Range(path, 2), 1);
    EXPECT_EQ(counts, RampF(300));
    EXPECT_EQ(header.RangeRecord(2), 5);
}

TEST_F(Stoe, OldVersionsAreRepaired) {
    StoeFile f;
    f.magic = "RAW_1.02";  // below '3' and below '5'
    f.date = "03/25/04XY      ";
    f.sample = "quartz" + std::string(73, ' ');  // blank-padded to byte 110
    f.comment = "comment" + std::string(184, ' ');
    f.text440 = "0123456789ABCDEF";
    f.radiationCode = 4;
    f.flags = 0x0007;
    StoeRange r = StoeCounts(1, {1, 2});
    r.text0 = "abcdefghijKLMNOP";
    r.text16 = "ABCDEFGHIJklmnop";
    r.flagCopy = 0x55;
    f.ranges = {r};
    std::string bytes = WriteStoe(f);
    bytes[15] = 'Z';
    bytes[111] = 'Z';  // the last byte of the sample field
    bytes[303] = 'Z';
    const std::string path = Put(bytes);

    ASSERT_EQ(Range(path, 1), 1);
    const BYTE* h = header.bytes;
    EXPECT_EQ(h[15], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(h + 16), 16), std::string("03/25/04XY     \0", 16));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(h + 440), 16), std::string("0123456789BCDEF\0", 16));
    EXPECT_EQ(std::memcmp(h + 32, "quartz\0\0\0\0\0\0", 12), 0);
    EXPECT_EQ(h[111], 0);
    EXPECT_EQ(std::memcmp(h + 112, "comment\0\0\0\0", 11), 0);
    EXPECT_EQ(h[303], 0);
    EXPECT_EQ(header.RadiationCode(), 102);
    EXPECT_EQ(header.Flags(), 1);  // only bit 0 is kept...
    EXPECT_EQ(range.Flags(), 1);   // ...and copied
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(range.bytes), 16), std::string("abcdefghijLMNOP\0", 16));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(range.bytes + 16), 16), std::string("ABCDEFGHIJlmnop\0", 16));

    // Version '4': the texts are repaired, the flag word is not copied.
    bytes[7] = '4';
    ASSERT_EQ(Range(Put(bytes), 1), 1);
    EXPECT_EQ(range.Flags(), 0x55);
    EXPECT_EQ(header.Flags(), 7);
    EXPECT_EQ(range.bytes[15], 0);
    EXPECT_EQ(header.RadiationCode(), 102);
    // Version '5': nothing is touched.
    bytes[7] = '5';
    ASSERT_EQ(Range(Put(bytes), 1), 1);
    EXPECT_EQ(header.RadiationCode(), 4);
    EXPECT_EQ(range.bytes[15], 'P');
    EXPECT_EQ(header.bytes[111], 'Z');
    EXPECT_TRUE(ui.messages.empty());

    // The repaired texts reach the pattern; radiation code 102 means no K-alpha2.
    bytes[7] = '2';
    ASSERT_EQ(imp.ReadStoeFile(Put(bytes)), 1);
    EXPECT_EQ(target.m_strSampleName, "quartz");
    EXPECT_EQ(target.m_Radiation.IsKa2(), 0);
}

TEST_F(Stoe, RangeCountWordAndFailures) {
    StoeFile f;
    f.ranges = {StoeCounts(1, {4, 5})};
    f.rangeCount = 0;
    f.extraRange = 1;  // one more range than stored
    ASSERT_EQ(imp.ReadStoeFile(Put(WriteStoe(f))), 1);
    EXPECT_EQ(target.GetSize(), 2);

    auto expectFail = [&](const std::string& path, int n, const std::string& text) {
        ui.messages.clear();
        EXPECT_EQ(Range(path, n), 0) << text;
        ASSERT_EQ(ui.messages.size(), 1u) << text;
        EXPECT_EQ(ui.messages[0].text, text);
        EXPECT_EQ(ui.messages[0].type, static_cast<unsigned>(MB_ICONSTOP));
        EXPECT_TRUE(counts.empty());
    };
    const std::string missing = box.dir.file("none.raw");
    expectFail(missing, 1, "Raw data file cannot be opened : " + missing);
    expectFail(Put("RAW1.01 and more"), 1, "Invalid file format or version.");
    expectFail(Put("RAW"), 1, "Invalid file format or version.");
    f.extraRange = 0;
    expectFail(Put(WriteStoe(f)), 1, "Raw data file has no data for range number 1.");
    f.rangeCount = 1;
    f.dataPresent = 0;
    expectFail(Put(WriteStoe(f)), 1, "Raw data file does not contain any data.");
    f.dataPresent = 1;
    expectFail(Put(WriteStoe(f)), 2, "Raw data file has no data for range number 2.");
    expectFail(Put(WriteStoe(f)), 0, "Raw data file has no data for range number 0.");
    f.ranges[0].pointCount = 0;
    expectFail(Put(WriteStoe(f)), 1, "Raw data file has no data for range number 1.");
    f.ranges[0].pointCount = -2;
    expectFail(Put(WriteStoe(f)), 1, "Raw data file has no data for range number 1.");
    f.ranges[0].pointCount.reset();
    // Header record numbers outside the file.
    for (std::int16_t record : {0, -1, 4, 32767}) {
        f.ranges[0].record = record;
        expectFail(Put(WriteStoe(f)), 1, "Raw data file has no data for range number 1.");
    }
    f.ranges[0].record.reset();
    // A range header with no data record after it.
    expectFail(Put(WriteStoe(f).substr(0, 1024)), 1, "Raw data file has no data for range number 1.");
    // The file header holds the record numbers of 16 ranges; the 17th has none.
    f.rangeCount = 20;
    expectFail(Put(WriteStoe(f)), 17, "Raw data file has no data for range number 17.");

    // The driver shows the message once and leaves the pattern alone.
    ui.messages.clear();
    f.rangeCount = 1;
    f.dataPresent = 0;
    target.CGraphData::RemoveAll();
    target.Add(1, 1);
    EXPECT_EQ(imp.ReadStoeFile(Put(WriteStoe(f))), 0);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(target.GetSize(), 1);
}

TEST_F(Stoe, LongRangesShortFilesAndUnknownAnodes) {
    StoeFile f;
    f.anodeIndex = 7;  // outside the table: the wavelength names the radiation
    f.wavelength = 1.78897f;
    f.ranges = {StoeCounts(2, Ramp(20000))};  // more than 16384 points
    const std::string bytes = WriteStoe(f);
    ASSERT_EQ(imp.ReadStoeFile(Put(bytes)), 1);
    EXPECT_EQ(target.GetSize(), 20000);
    EXPECT_EQ(target.GetAt(CGraphData::Y, 19999), 20000.0);
    EXPECT_EQ(target.m_Radiation.GetTargetName(), "Co");
    EXPECT_EQ(target.m_Radiation.IsKa2(), 1);

    f.anodeIndex = 0;
    f.wavelength = 1.2345f;
    f.ranges = {StoeCounts(1, Ramp(300))};
    ASSERT_EQ(imp.ReadStoeFile(Put(WriteStoe(f))), 1);
    EXPECT_FALSE(target.m_Radiation.IsValidTarget());
    EXPECT_EQ(target.m_Radiation.GetLambda(), static_cast<double>(1.2345f));

    // A file that ends inside the data gives the whole counts it holds.
    const std::string cut = WriteStoe(f).substr(0, 1024 + 512 + 21);
    ASSERT_EQ(Range(Put(cut), 1), 1);
    EXPECT_EQ(counts, RampF(266));
    EXPECT_TRUE(ui.messages.empty());
    // Into the pattern: the same points, with the counts claimed and found.
    ASSERT_EQ(imp.ReadStoeFile(Put(cut)), 1);
    EXPECT_EQ(target.GetSize(), 266);
    EXPECT_EQ(Texts(), std::vector<std::string>{"range 1: header claims 300 points, file holds 266"});
}
