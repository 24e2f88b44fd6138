// The readers of the formats the import has always read, over bytes built by the test writers: every range, the
// quirks each format keeps, files that stop short of their headers' counts, and bad input.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "formats/format_test.h"
#include "support/diffracat_writer.h"
#include "support/diffracplus_writer.h"
#include "support/mdi_writer.h"
#include "support/stoe_writer.h"
#include "xrddata/formats/read.h"
#include "xrddata/formats/cpi.h"
#include "xrddata/formats/diffracat.h"
#include "xrddata/formats/stoe.h"

using namespace xrddata::formats;
using formats_test::ReadErrorOf;
using namespace testing_support;

namespace {

Measurement Read(const std::string& bytes, int code = 0) { return read_bytes(AsBytes(bytes), "f", code); }

}  // namespace

TEST(LegacyBinary, DiffracPlusRangesAndShortFiles) {
    DiffracPlusFile f;
    f.sample = " quartz ";
    f.ranges = {PlusRange(10, 0.25, {5.5f, 7, 1e6f}), PlusRange(30, 0.5, {1, 2}), PlusRange(40, 1, {3})};
    f.ranges[0].supplementary = std::string(40, '\xAB');
    const std::string bytes = WriteDiffracPlus(f);
    Measurement m = Read(bytes);
    EXPECT_EQ(m.meta.format_code, 3);
    EXPECT_EQ(m.meta.sample, "quartz");
    EXPECT_EQ(m.meta.date.text, "03/25/04 14:22:05");
    ASSERT_EQ(m.scans.size(), 3u);
    EXPECT_EQ(m.scans[0].two_theta, (std::vector<double>{10, 10.25, 10.5}));
    EXPECT_EQ(m.scans[0].counts, (std::vector<double>{5.5, 7, 1e6}));
    EXPECT_EQ(m.scans[1].two_theta, (std::vector<double>{30, 30.5}));
    EXPECT_EQ(m.scans[2].counts, std::vector<double>{3});
    EXPECT_TRUE(m.warnings.empty());

    // Cut inside range 2's counts: range 1 whole, range 2 as far as it goes, a warning; range 3 is gone.
    m = Read(bytes.substr(0, bytes.size() - (304 + 4) - 4));
    ASSERT_EQ(m.scans.size(), 2u);
    EXPECT_EQ(m.scans[1].counts, std::vector<double>{1});
    EXPECT_EQ(m.warnings, std::vector<std::string>{"range 2: header claims 2 points, file holds 1"});
    // Cut inside range 3's header.
    m = Read(bytes.substr(0, bytes.size() - 8));
    ASSERT_EQ(m.scans.size(), 2u);
    ASSERT_EQ(m.warnings.size(), 1u);
    EXPECT_EQ(m.warnings[0], "range 3: the file ends inside its header; the file holds 2 of 3 ranges");
    // A later range header that does not begin with its length ends the ranges.
    f.ranges[1].headerLength = 300;
    m = Read(WriteDiffracPlus(f));
    ASSERT_EQ(m.scans.size(), 1u);
    EXPECT_EQ(m.warnings,
              std::vector<std::string>{"range 2: its header does not begin with its length 304; the file holds 1 of 3 ranges"});

    // A header claiming 2^31 - 1 points in a file of a few KiB costs what the file holds.
    f.ranges = {PlusRange(10, 1, {1, 2, 3, 4})};
    f.ranges[0].pointCount = 0x7fffffff;
    m = Read(WriteDiffracPlus(f));
    EXPECT_EQ(m.scans[0].size(), 4u);
    EXPECT_LE(m.scans[0].counts.capacity(), 4u);
    EXPECT_EQ(m.warnings, std::vector<std::string>{"range 1: header claims 2147483647 points, file holds 4"});
    // No points at all: the import takes the empty range, the core reports no data.
    f.ranges[0].pointCount = -5;
    EXPECT_EQ(ReadErrorOf(WriteDiffracPlus(f), "x.raw", 3).problem(), Problem::no_data);
    f.ranges[0].pointCount.reset();
    f.ranges[0].headerLength = 300;
    EXPECT_EQ(ReadErrorOf(WriteDiffracPlus(f), "x.raw", 3).problem(), Problem::unrecognised);
}

TEST(LegacyBinary, DiffracAtRanges) {
    DiffracAtFile f;
    f.ka2 = 0;
    DiffracAtRange r;
    r.start = 67.0f;
    r.step = 0.01f;
    r.counts = {100.5f, 200, 300};
    DiffracAtRange r2 = r;
    r2.headerLength = 70;
    r2.counts = {9};
    f.ranges = {r, r2};
    Measurement m = Read(WriteDiffracAt(f));
    EXPECT_EQ(m.meta.format_code, 4);
    EXPECT_EQ(m.meta.ka2_present, false);
    EXPECT_FALSE(m.meta.ka2_wavelength);
    ASSERT_EQ(m.scans.size(), 2u);
    const double start = 67.0f, step = 0.01f;
    EXPECT_EQ(m.scans[0].two_theta, (std::vector<double>{start, start + step, start + 2 * step}));
    EXPECT_EQ(m.scans[1].counts, std::vector<double>{9});
    EXPECT_TRUE(m.warnings.empty());

    // Ranges the count claims but the file does not hold, or whose header is too short, end the ranges.
    f.rangeCount = 3;
    m = Read(WriteDiffracAt(f));
    EXPECT_EQ(m.scans.size(), 2u);
    EXPECT_EQ(m.warnings, std::vector<std::string>{"range 3: the file ends before its header; the file holds 2 of 3 ranges"});
    f.ranges[1].headerLength = 58;
    m = Read(WriteDiffracAt(f));
    EXPECT_EQ(m.scans.size(), 1u);
    EXPECT_EQ(m.warnings,
              std::vector<std::string>{"range 2: its header is shorter than 60 bytes; the file holds 1 of 3 ranges"});
    f.rangeCount.reset();

    // A range header shorter than 60 bytes holds no fields: a range without points.
    f.ranges = {r};
    f.ranges[0].headerLength = 58;
    const std::string empty = WriteDiffracAt(f);
    m = ReadDiffracAt(Source{AsBytes(empty), "x.raw", std::nullopt});  // the pattern's import takes it
    ASSERT_EQ(m.scans.size(), 1u);
    EXPECT_EQ(m.scans[0].size(), 0u);
    EXPECT_EQ(ReadErrorOf(WriteDiffracAt(f), "x.raw", 0).problem(), Problem::no_data);
}

TEST(LegacyBinary, StoeRangesRecordsAndFailures) {
    StoeFile f;
    f.magic = "RAW_1.06Powdat";
    f.sample = "  silicon  ";
    f.anodeIndex = 2;
    f.radiationCode = 1;
    f.ranges = {StoeCounts(2, {10, 70000, -3}, 2.0f), StoeCounts(1, {9})};
    const std::string bytes = WriteStoe(f);
    Measurement m = Read(bytes);
    EXPECT_EQ(m.meta.format_code, 2);
    EXPECT_EQ(m.meta.sample, "silicon");
    EXPECT_EQ(m.meta.anode, "Mo");
    EXPECT_EQ(m.meta.ka2_present, false);
    ASSERT_EQ(m.scans.size(), 2u);
    EXPECT_EQ(m.scans[0].counts, (std::vector<double>{10, 70000, -3}));  // as stored, not per second
    EXPECT_EQ(m.scans[0].step_time, 2.0);
    EXPECT_EQ(m.scans[1].counts, std::vector<double>{9});

    // Counts over several records: int16 256 to a record, int32 128.
    std::vector<std::int32_t> ramp;
    for (int i = 1; i <= 300; ++i) ramp.push_back(i);
    f.ranges = {StoeCounts(1, ramp), StoeCounts(2, ramp)};
    m = Read(WriteStoe(f));
    ASSERT_EQ(m.scans.size(), 2u);
    EXPECT_EQ(m.scans[0].counts.back(), 300);
    EXPECT_EQ(m.scans[1].counts.back(), 300);
    // Cut 21 bytes into the second data record of range 1: whole counts only, and a warning.
    m = Read(WriteStoe(f).substr(0, 1024 + 512 + 21), 2);
    EXPECT_EQ(m.scans[0].size(), 266u);
    EXPECT_EQ(m.warnings.front(), "range 1: header claims 300 points, file holds 266");

    // The record reader gives range n with its repaired records.
    f.magic = "RAW_1.02";
    f.date = "03/25/04XY      ";
    const StoeRangeRecords rec = ReadStoeRange(AsBytes(WriteStoe(f)), 2);
    EXPECT_EQ(rec.counts.size(), 300u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rec.file.data() + 16), 16),
              std::string("03/25/04XY     \0", 16));

    auto problem = [](const std::string& b, int n) {
        return formats_test::ErrorOf([&] { ReadStoeRange(AsBytes(b), n); }).problem();
    };
    EXPECT_EQ(problem("RAW1.01", 1), Problem::unrecognised);
    EXPECT_EQ(problem(WriteStoe(f), 3), Problem::missing_scan);
    EXPECT_EQ(problem(WriteStoe(f), 0), Problem::missing_scan);
    EXPECT_EQ(problem(WriteStoe(f).substr(0, 1024), 1), Problem::missing_scan);
    f.dataPresent = 0;
    EXPECT_EQ(problem(WriteStoe(f), 1), Problem::no_data);
    f.dataPresent = 1;
    // A broken later range is left out with a warning; a broken range 1 fails the read.
    f.ranges[1].record = 99;
    m = Read(WriteStoe(f));
    EXPECT_EQ(m.scans.size(), 1u);
    EXPECT_EQ(m.warnings, std::vector<std::string>{"range 2: its header record 99 is not in the file; left out"});
    f.ranges[0].pointCount = 0;
    EXPECT_EQ(ReadErrorOf(WriteStoe(f), "s.raw", 0).problem(), Problem::missing_scan);
}

TEST(LegacyText, PlainTextRules) {
    // Unsorted, one line with its own error, a zero intensity, a last line without a line end.
    Measurement m = Read("12.5 16\n10.0 0\r\n11.0\t9 0.5\n13 4", 1);
    EXPECT_EQ(m.scans[0].two_theta, (std::vector<double>{12.5, 10.0, 11.0}));
    EXPECT_EQ(m.scans[0].sigma, (std::vector<double>{4.0, 2.2250738585072014e-308, 0.5}));
    EXPECT_EQ(Read("1 4\n2 9\n", 1).scans[0].sigma.size(), 0u);
    // Lines of two numbers after the first own error get the counting error too.
    EXPECT_EQ(Read("1 4\n2 9 0.5\n3 16\n", 1).scans[0].sigma, (std::vector<double>{2.0, 0.5, 4.0}));
    EXPECT_EQ(Read("1 4\n2 9\n", 0).meta.format_code, 1);
    EXPECT_EQ(Read("1 4\n2 9\n", 1).meta.sample, "f");

    // Blank lines that end the file are ignored; anywhere else they are an error naming the line.
    EXPECT_EQ(Read("1 4\n2 9\n\n \t\r\n\n", 1).scans[0].size(), 2u);
    EXPECT_EQ(Read("1 4\n2 9\n\n  ", 1).scans[0].size(), 2u);
    ReadError e = ReadErrorOf("1 4\n\n2 9\n", "a.xy", 1);
    EXPECT_EQ(e.problem(), Problem::malformed);
    EXPECT_EQ(e.line(), 2u);
    e = ReadErrorOf("1 4\n2 9\n3 x\n", "a.xy", 1);
    EXPECT_EQ(e.line(), 3u);
    EXPECT_EQ(std::string(e.what()).rfind("a.xy: line 3: ", 0), 0u);
    // An over-long line arrives in pieces: only the last is a line.
    EXPECT_EQ(ReadErrorOf("1 2\n" + std::string(600, '7') + "\n", "a.xy", 1).line(), 2u);
    EXPECT_EQ(ReadErrorOf("1.78897\n10 20\n", "a.xy", 1).problem(), Problem::unrecognised);
}

// nan and inf are numbers to the scanner but no point of a pattern: plain text, asked for or found by content, and
// the tolerant reader refuse them with the line.
TEST(LegacyText, NonFiniteValuesAreRefusedWithTheirLine) {
    for (const std::string bad : {"nan 11\n", "12 inf\n", "12 11 -inf\n", "NAN 3\n"}) {
        const std::string text = "10 1\n10.5 1\n" + bad + "11 2\n";
        for (int code : {1, 0, 17}) {
            const ReadError e = ReadErrorOf(text, "t.xy", code);
            EXPECT_EQ(e.problem(), Problem::malformed) << bad << code;
            EXPECT_EQ(e.line(), std::optional<std::uint64_t>(3)) << bad << code;
        }
    }
}

TEST(LegacyText, CranfieldCpiMdiUdf) {
    const std::string cranfield = "Cranfield title   \n3\n10\n0.02\n";
    Measurement m = Read(cranfield + "5\nx\n7\n9", 8);
    EXPECT_EQ(m.meta.sample, "Cranfield title");
    EXPECT_EQ(m.scans[0].two_theta, (std::vector<double>{10.0, 10.0 + 0.02}));
    EXPECT_EQ(m.warnings, std::vector<std::string>{"range 1: header claims 3 points, file holds 2"});
    EXPECT_EQ(ReadErrorOf(cranfield, "c", 8).problem(), Problem::no_data);
    EXPECT_EQ(Read(cranfield + "5\n6\n").meta.format_code, 8);
    // A plain four-line x-y file passes the Cranfield test without holding its data: plain text reads it.
    m = Read("1 2\n3 4\n5 6\n7 8\n", 0);
    EXPECT_EQ(m.meta.format_code, 1);
    EXPECT_EQ(m.scans[0].counts, (std::vector<double>{2, 4, 6, 8}));

    const std::string cpi = "Title line\n10.0\n10.1\n0.02\nCu\n1.5406\n03/25/2004 14:22:05\nunused\nMy sample\nscandata\n";
    m = Read(cpi + "100\n0\n-4\n", 0);
    EXPECT_EQ(m.meta.format_code, 6);
    EXPECT_EQ(m.scans[0].two_theta, (std::vector<double>{10.0, 10.0 + 0.02, 10.0 + 0.02 + 0.02}));
    EXPECT_EQ(m.meta.date.value->hour, 14);
    EXPECT_EQ(m.meta.anode, "Cu");
    const ReadError e = ReadErrorOf(cpi + "5\nabc\n", "p.cpi", 6);
    EXPECT_EQ(e.problem(), Problem::malformed);
    EXPECT_EQ(e.line(), 12u);
    EXPECT_EQ(ReadCpi(Source{AsBytes(cpi), "p.cpi", std::nullopt}).scans[0].size(), 0u);

    MdiFile f;
    for (int i = 0; i < 20; ++i) f.counts.push_back(100 + i);
    f.title = "2004-03-25 junk XRD1Quartz (fine)  ";
    m = Read(WriteMdi(f));
    EXPECT_EQ(m.meta.format_code, 7);
    EXPECT_EQ(m.meta.comments, "XRD1");
    EXPECT_EQ(m.meta.sample, "Quartz (fine)  ");
    EXPECT_EQ(m.meta.date.text, "2004-03-");
    EXPECT_EQ(m.scans[0].size(), 20u);
    EXPECT_TRUE(m.warnings.empty());
    f.pointCount = 21;
    EXPECT_EQ(Read(WriteMdi(f)).warnings, std::vector<std::string>{"range 1: header claims 21 points, file holds 20"});

    const std::string udf = "SampleIdent,Quartz std ,/\r\nTitle1,First,/\r\nTitle2,Second,/\r\nAnode,Cu,/\r\n"
                            "MonochromatorUsed,NO  ,/\r\nGeneratorVoltage,  40,/\r\nDataAngleRange,   10.0000,  "
                            "10.1400,/\r\nScanStepSize,   0.020,/\r\nRawScan\r\n";
    m = Read(udf + "1, 2, 3, 4, 5, 6, 7, 8\r\n9,/\r\n\x1a");
    EXPECT_EQ(m.meta.format_code, 5);
    EXPECT_EQ(m.meta.sample, "Quartz std");
    EXPECT_EQ(m.meta.comments, "First\nSecond");
    EXPECT_EQ(m.meta.ka2_present, true);
    EXPECT_EQ(*find_property(m.meta.properties, "GeneratorVoltage"), "40");
    EXPECT_EQ(m.scans[0].size(), 9u);
    EXPECT_EQ(m.scans[0].declared_points, 8);
    EXPECT_EQ(ReadErrorOf(udf, "u", 5).problem(), Problem::no_data);
    EXPECT_EQ(ReadErrorOf("DataAngleRange,10.0,80.0\nRawScan\n1, 2\n", "u", 5).problem(), Problem::malformed);
}

// nan and inf in a header number or an intensity of these formats: refused with the line, read by code or found by
// content (a nan start fails the CPI and MDI tests, inf passes them).
TEST(LegacyText, CranfieldCpiMdiUdfRefuseNonFiniteNumbers) {
    const std::string cpiTail = "\nCu\n1.54\n03/25/2004 14:22:05\nunused\nMy sample\nSCANDATA\n5\n";
    const std::string mdiHead = "03/25/04        XRD1quartz\r\n", mdiData = "\r\n1 2 3 4 5 6 7 8\r\n";
    const std::string udfHead = "DataAngleRange,10, 10.18,/\r\nScanStepSize,0.02,/\r\n";
    const std::string udfData = "RawScan\r\n1, 2, 3, 4, 5, 6, 7, 8\r\n9, ";
    struct Case {
        std::string bytes;
        int code;
        std::uint64_t line;
        bool detected = true;
    };
    const std::vector<Case> cases = {
        {"t\n3\ninf\n0.02\n5\n", 8, 3},
        {"t\n3\n10\n0.02\n5\nnan\n7\n", 8, 6},
        {"t\n3\n10\n0.02\n5\n-inf\n", 8, 6},
        {"T\nnan\n20\n0.02" + cpiTail, 6, 2, false},
        {"T\n10\n20\ninf" + cpiTail, 6, 4},
        {"T\n10\n20\n0.02" + cpiTail + "INF\n", 6, 12},
        {mdiHead + "nan 0.02 1 CU 1.5406 10.18 10" + mdiData + "9 10\r\n", 7, 2, false},
        {mdiHead + "10 0.02 1 CU inf 10.18 10" + mdiData + "9 10\r\n", 7, 2},
        {mdiHead + "10 0.02 1 CU 1.5406 10.18 10" + mdiData + "9 -inf", 7, 4},  // no line end
        {"DataAngleRange,nan, 10.18,/\r\nScanStepSize,0.02,/\r\n" + udfData + "1\r\n", 5, 1},
        {"LabdaAlpha1,inf,/\r\n" + udfHead + udfData + "1\r\n", 5, 1},
        {udfHead + udfData + "nan\r\n", 5, 5},
        {udfHead + udfData + "inf\r\n", 5, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const auto* found = detect(AsBytes(c.bytes));
        EXPECT_EQ(found && found->code == c.code, c.detected);
        for (int code : {c.code, c.detected ? 0 : c.code}) {
            const ReadError e = ReadErrorOf(c.bytes, "f", code);
            EXPECT_EQ(e.problem(), Problem::malformed) << code;
            EXPECT_EQ(e.line(), std::optional<std::uint64_t>(c.line)) << code;
            EXPECT_NE(e.reason().find("not a finite number"), std::string::npos) << e.what();
        }
    }
}

// Every prefix of a small file of each format reads or fails with a reason; none crashes.
TEST(LegacyBadInput, TruncatedPrefixes) {
    DiffracPlusFile plus;
    plus.ranges = {PlusRange(10, 1, {1, 2, 3}), PlusRange(20, 1, {4})};
    plus.ranges[0].supplementary = std::string(40, 'S');
    DiffracAtFile at;
    at.ranges = {DiffracAtRange{}, DiffracAtRange{}};
    at.ranges[0].counts = at.ranges[1].counts = {1, 2, 3};
    StoeFile stoe;
    stoe.magic = "RAW_1.02";
    stoe.ranges = {StoeCounts(1, {1, 2, 3}), StoeCounts(2, {4, 5})};
    MdiFile mdi;
    mdi.counts = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::vector<std::pair<std::string, int>> files = {
        {WriteDiffracPlus(plus), 3}, {WriteDiffracAt(at), 4}, {WriteStoe(stoe), 2}, {WriteMdi(mdi), 7},
        {"1 2\n3 4 0.5\n5 6\n", 1},  {"t\n3\n10\n0.02\n5\n6\n7\n", 8},
        {"DataAngleRange,1,2,/\nScanStepSize,0.5,/\nRawScan\n1,2,3,4,5,6,7,8\n", 5},
    };
    for (const auto& [bytes, code] : files) {
        SCOPED_TRACE(code);
        EXPECT_GT(formats_test::ReadPrefixes(bytes, code), 0u);
        EXPECT_EQ(detect(AsBytes(bytes))->code, code);
    }
}
