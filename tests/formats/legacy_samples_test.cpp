// The readers of the formats the import has always read, on the real instrument files: every range, the values
// the files hold, the same measurement from read_file and read_bytes, and clean results on every truncated prefix.
#include <cmath>
#include <filesystem>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "formats/format_test.h"
#include "support/support.h"
#include "xrddata/formats/read.h"

using namespace xrddata::formats;
using formats_test::Slurp;

namespace {

std::string Sample(const std::string& name) { return testing_support::SamplesDir() + "/" + name; }

struct Range {
    std::size_t points;
    double start, step;
};

struct Expect {
    const char* file;
    int code;
    std::vector<Range> ranges;
};

// SOURCES.md: the ranges of each file.
const std::vector<Expect> kSamples = {
    {"bruker-raw3/BT86.raw", 3, {{2374, 3.0, 0.0155922}}},
    {"bruker-raw3/Cu3Au-1.raw", 3, {{3901, 22.0, 0.02}}},
    {"bruker-raw3/format1.raw", 3, {{101, 10.0, 0.1}, {26, 30.0, 0.2}, {51, 40.0, 0.1}}},
    {"bruker-raw3/Keokuk_kaolinite.RAW", 3, {{4001, 10.0, 0.02}, {3501, 80.0, 0.02}}},
    {"bruker-raw3/KGA1-CONT.RAW", 3, {{3401, 2.0, 0.02}}},
    {"bruker-raw3/LaB6_Jan2018.raw", 3, {{3040, 10.0, 0.019740}}},
    {"bruker-raw2/CORKLZ20.RAW", 4, {{2501, 10.0, 0.02}}},
    {"bruker-raw2/QTZQUIN.RAW", 4, {{301, 67.0, 0.01}}},
    {"stoe/stoe.raw", 2, {{5404, 10.0, 0.015}}},
    {"udf/ZEOLITE.UDF", 5, {{1700, 2.0, 0.04}}},
    {"udf/01R1_73.UDF", 5, {{3401, 2.0, 0.02}}},
    {"udf/sample1_convert.udf", 5, {{1696, 10.0, 0.02}}},
    {"udf/sample2.udf", 5, {{876, 5.0, 0.04}}},
    {"udf/PbCrF1.udf", 5, {{14501, 5.0, 0.01}}},
    {"cpi/pyxrd_test_cpi_parser_embedded.cpi", 6, {{36, 3.01, 0.02}}},
    {"xy/xy_text.txt", 1, {{4001, 0, 0}}},
    {"xy/with_sigma.txt", 1, {{3, 0, 0}}},
    {"xy/nacl01.dat", 1, {{840, 0, 0}}},
    {"xy/qtzquin.asc", 1, {{301, 0, 0}}},
    {"xy/corklz20.asc", 1, {{2501, 0, 0}}},
    {"xy/Tutorial_4.xye", 1, {{2701, 0, 0}}},
};

void ExpectSame(const Measurement& a, const Measurement& b, const char* file) {
    ASSERT_EQ(a.scans.size(), b.scans.size()) << file;
    for (std::size_t i = 0; i < a.scans.size(); ++i) {
        EXPECT_EQ(a.scans[i].two_theta, b.scans[i].two_theta) << file;
        EXPECT_EQ(a.scans[i].counts, b.scans[i].counts) << file;
        EXPECT_EQ(a.scans[i].sigma, b.scans[i].sigma) << file;
    }
    EXPECT_EQ(a.meta.sample, b.meta.sample) << file;
    EXPECT_EQ(a.meta.comments, b.meta.comments) << file;
    EXPECT_EQ(a.meta.date.text, b.meta.date.text) << file;
    EXPECT_EQ(a.warnings, b.warnings) << file;
}

}  // namespace

TEST(LegacySamples, EveryRangeThroughFileAndBytes) {
    XRD_REQUIRE_SAMPLES();
    for (const Expect& e : kSamples) {
        const Measurement m = read_file(Sample(e.file));
        EXPECT_EQ(m.meta.format_code, e.code) << e.file;
        ASSERT_EQ(m.scans.size(), e.ranges.size()) << e.file;
        for (std::size_t i = 0; i < e.ranges.size(); ++i) {
            const Scan& s = m.scans[i];
            ASSERT_EQ(s.size(), e.ranges[i].points) << e.file << " range " << i + 1;
            ASSERT_EQ(s.two_theta.size(), s.size());
            if (e.ranges[i].step == 0) continue;  // text: the positions are the file's own
            EXPECT_NEAR(s.two_theta[0], e.ranges[i].start, 1e-6) << e.file;
            EXPECT_NEAR(s.two_theta[1] - s.two_theta[0], e.ranges[i].step, 1e-5) << e.file;
        }
        const std::string bytes = Slurp(Sample(e.file));
        ExpectSame(m, read_bytes(AsBytes(bytes), Sample(e.file)), e.file);
    }
}

TEST(LegacySamples, Metadata) {
    XRD_REQUIRE_SAMPLES();
    Measurement m = read_file(Sample("bruker-raw3/Keokuk_kaolinite.RAW"));
    EXPECT_EQ(m.meta.anode, "CU");
    ASSERT_TRUE(m.meta.date.value);
    EXPECT_EQ(m.meta.date.value->year, 1988);
    EXPECT_EQ(m.meta.date.value->month, 3);
    EXPECT_EQ(m.meta.date.value->day, 14);
    EXPECT_TRUE(m.warnings.empty());

    m = read_file(Sample("bruker-raw3/BT86.raw"));
    EXPECT_EQ(m.meta.sample, "BT86");
    EXPECT_EQ(m.meta.wavelength, 1.5406);
    EXPECT_EQ(m.scans[0].step_time, 0.5);

    m = read_file(Sample("bruker-raw2/CORKLZ20.RAW"));
    EXPECT_EQ(m.meta.date.text, "27-Apr-1994 13:36:30");
    EXPECT_EQ(m.meta.wavelength, static_cast<double>(1.54056f));
    EXPECT_EQ(m.meta.ka2_wavelength, static_cast<double>(1.54439f));
    EXPECT_EQ(m.meta.ka2_present, true);

    // The DIFFRAC-AT counts equal its text copy, position by position to the copy's rounding.
    m = read_file(Sample("bruker-raw2/QTZQUIN.RAW"));
    const Measurement text = read_file(Sample("xy/qtzquin.asc"));
    ASSERT_EQ(text.scans[0].size(), m.scans[0].size());
    EXPECT_EQ(text.scans[0].counts, m.scans[0].counts);
    for (std::size_t i = 0; i < m.scans[0].size(); ++i)
        EXPECT_NEAR(text.scans[0].two_theta[i], m.scans[0].two_theta[i], 5e-4) << i;

    // STOE: anode index 7 names no element; the counting time per step is the range's.
    m = read_file(Sample("stoe/stoe.raw"));
    EXPECT_EQ(m.meta.sample, "This file has no Title");
    EXPECT_EQ(m.meta.anode, "");
    EXPECT_EQ(*find_property(m.meta.properties, "anode index"), "7");
    EXPECT_EQ(m.meta.wavelength, static_cast<double>(1.20793f));
    EXPECT_EQ(m.meta.ka2_present, true);

    // Decimal commas: the metadata reads them, the raw text stays.
    m = read_file(Sample("udf/sample1_convert.udf"));
    EXPECT_EQ(m.meta.wavelength, 1.5406);
    EXPECT_EQ(m.meta.anode, "Cu");
    EXPECT_EQ(m.meta.date.text, "21-janv-2002 09:16:36");
    EXPECT_EQ(m.warnings, std::vector<std::string>{"range 1: header claims 1697 points, file holds 1696"});
    m = read_file(Sample("cpi/pyxrd_test_cpi_parser_embedded.cpi"));
    EXPECT_EQ(m.meta.wavelength, 1.5406);
    EXPECT_EQ(*find_property(m.meta.properties, "wavelength"), "1,5406");
    EXPECT_EQ(m.meta.sample, "08-946 Sample");
    EXPECT_EQ(m.meta.comments, "SIETRONICS XRD SCAN");
    EXPECT_EQ(m.scans[0].counts.front(), 60.0);

    // Own errors in a third column; the file name is the sample.
    m = read_file(Sample("xy/with_sigma.txt"));
    EXPECT_EQ(m.scans[0].sigma.size(), 3u);
    EXPECT_EQ(m.meta.sample, "with_sigma.txt");
    EXPECT_TRUE(m.meta.date.from_file_time);
    EXPECT_TRUE(m.meta.date.value);
}

TEST(LegacySamples, TruncatedPrefixesReadOrFailCleanly) {
    XRD_REQUIRE_SAMPLES();
    // Every sample up to 17 KB, and the one STOE file (the larger ones differ only in length).
    for (const Expect& e : kSamples) {
        const char* file = e.file;
        if (std::filesystem::file_size(Sample(file)) > 17000 && e.code != 2) continue;
        SCOPED_TRACE(file);
        const std::string bytes = Slurp(Sample(file));
        const int code = read_bytes(AsBytes(bytes)).meta.format_code;
        EXPECT_GT(formats_test::ReadPrefixes(bytes, code), 0u);
    }
}
