// The Rigaku RAS reader: several scans with their own headers, the attenuation factor column, rates and step
// times, header values kept as bytes, files that end inside a scan, bad rows, and the real file.
#include <string>

#include <gtest/gtest.h>

#include "support/rigaku_writer.h"
#include "support/support.h"
#include "format_test.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/read.h"

using namespace xrddata::formats;
using testing_support::RigakuScan;
using testing_support::WriteRas;

namespace {

constexpr int kRas = 15;

RigakuScan Scan3(double first) { return testing_support::RisingScan({2.0, 2.02, 2.04}, first); }

ReadError ErrorOf(const std::string& bytes) { return formats_test::ReadErrorOf(bytes, "t.ras", kRas); }

}  // namespace

TEST(Ras, ReadsEveryScanWithItsHeader) {
    RigakuScan a = Scan3(100);
    // Shift-JIS "検出器|Detector": kept byte for byte, not converted.
    a.extra_header = "*HW_COUNTER_NAME-4 \"\x8C\x9F\x8F\x6F\x8A\xED|Detector\"\r\n*FILE_MEMO \"memo text\"\r\n";
    RigakuScan b = Scan3(10);
    b.factor = {1, 10, 1};
    b.mode = "STEP";
    b.speed = 2.0;
    b.speed_unit = "sec";
    b.unit_y = "cps";
    b.sample = "second";
    const Measurement m = read_bytes(AsBytes(WriteRas({a, b})), "t.ras");
    EXPECT_EQ(m.meta.format, "RAS");
    EXPECT_EQ(m.meta.format_version, "1.0000000000");
    EXPECT_EQ(m.meta.sample, "MB120718Si3");  // the first scan's header
    EXPECT_EQ(m.meta.comments, "memo text");
    EXPECT_EQ(*m.meta.date.text, "11/01/12 12:55:51");
    EXPECT_EQ(FormatDate(*m.meta.date.value), "2012-11-01 12:55:51");  // month first
    formats_test::ExpectRadiation(m.meta, {"Cu", 1.540593, 1.544414, 1.39225, std::nullopt});
    EXPECT_FALSE(m.meta.ka2_ratio);
    EXPECT_TRUE(*m.meta.ka2_present);
    ASSERT_EQ(m.scans.size(), 2u);
    const Scan& s = m.scans[0];
    EXPECT_EQ(s.two_theta, a.x);
    EXPECT_EQ(s.counts, a.y);
    EXPECT_DOUBLE_EQ(*s.step_time, 4.8);  // 0.02 deg at 0.25 deg/min
    EXPECT_EQ(*s.declared_points, 3);
    EXPECT_EQ(*s.start, 2.0);
    EXPECT_EQ(*s.end, 30.0);
    EXPECT_EQ(s.axis, "2-Theta");
    EXPECT_EQ(s.mode, "CONTINUOUS");
    EXPECT_EQ(*find_property(s.properties, "HW_COUNTER_NAME-4"), "\x8C\x9F\x8F\x6F\x8A\xED|Detector");
    EXPECT_FALSE(find_property(s.properties, "attenuation"));
    const Scan& t = m.scans[1];
    // Each intensity times its factor, then times the 2 s of a step: counts per second made counts.
    EXPECT_EQ(t.counts, (std::vector<double>{20, 220, 24}));
    EXPECT_EQ(*t.step_time, 2.0);
    EXPECT_EQ(*find_property(t.properties, "FILE_SAMPLE"), "second");
    EXPECT_TRUE(find_property(t.properties, "attenuation"));
    EXPECT_TRUE(find_property(m.meta.properties, "intensity"));
    EXPECT_TRUE(m.warnings.empty());

    // LF line ends and two-column rows read the same.
    std::string lf = WriteRas({Scan3(5)});
    for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
    for (std::size_t at; (at = lf.find(" 1\n")) != std::string::npos;) lf.erase(at, 2);
    EXPECT_EQ(read_bytes(AsBytes(lf), "", 0).scans[0].counts, (std::vector<double>{5, 6, 7}));
}

TEST(Ras, KeepsTheRowsOfACutScanAndRefusesBadRows) {
    const Measurement m = read_bytes(AsBytes(WriteRas({Scan3(1), Scan3(4)}, false)), "t.ras", kRas);
    ASSERT_EQ(m.scans.size(), 2u);
    EXPECT_EQ(m.scans[1].counts, (std::vector<double>{4, 5, 6}));
    EXPECT_EQ(m.warnings, (std::vector<std::string>{"scan 1 ends without *RAS_INT_END after 3 rows",
                                                    "scan 2 ends without *RAS_INT_END after 3 rows"}));

    std::string bad = WriteRas({Scan3(1)});
    bad.replace(bad.find("2.02 2 1"), 8, "2.02 2 x");
    ReadError e = ErrorOf(bad);
    EXPECT_EQ(e.problem(), Problem::malformed);
    EXPECT_STREQ(e.what(), "t.ras: line 23: not a data row of two or three numbers");
    EXPECT_EQ(ErrorOf("*RAS_DATA_START\r\n*RAS_HEADER_START\r\n*A \"1\"\r\n*RAS_HEADER_END\r\n*RAS_DATA_END\r\n").problem(),
              Problem::no_data);
    EXPECT_EQ(ErrorOf("*RAS_DATA_START\r\nstray text\r\n").reason(), "text outside the header and data blocks");
    EXPECT_EQ(ErrorOf("*RAS_DATA_STARTED\r\n").problem(), Problem::unrecognised);
    EXPECT_EQ(detect(AsBytes(std::string("*RAS_DATA_START\n")))->code, kRas);
    EXPECT_EQ(detect(AsBytes(std::string("*RAS_DATA_STARTX\n"))), nullptr);
}

TEST(Ras, RealFile) {
    XRD_REQUIRE_SAMPLES();
    const std::string path = testing_support::SamplesDir() + "/rigaku-ras/MB120718Si3.ras";
    const Measurement m = read_file(path);
    EXPECT_EQ(m.meta.format_code, kRas);
    EXPECT_EQ(m.meta.sample, "MB120718Si3");
    EXPECT_EQ(FormatDate(*m.meta.date.value), "2012-11-01 12:55:51");
    ASSERT_EQ(m.scans.size(), 1u);
    const Scan& s = m.scans[0];
    ASSERT_EQ(s.size(), 1401u);
    EXPECT_EQ(*s.declared_points, 1401);
    EXPECT_EQ(s.two_theta.front(), 2.0);
    EXPECT_EQ(s.two_theta.back(), 30.0);
    EXPECT_EQ(s.counts.front(), 7994);
    EXPECT_EQ(s.counts.back(), 1150);
    EXPECT_DOUBLE_EQ(*s.step_time, 4.8);
    EXPECT_EQ(s.axis, "TwoTheta");
    // The Shift-JIS tube name is kept as the file's bytes: "3kW " then the first byte of a two-byte character.
    const std::string* tube = find_property(s.properties, "HW_XG_NAME");
    ASSERT_TRUE(tube);
    EXPECT_EQ(tube->substr(0, 5), "3kW \x95");
    EXPECT_NE(tube->find("|3kW Sealed tube(ID:1200)"), std::string::npos);
    EXPECT_TRUE(m.warnings.empty());

    const std::string bytes = formats_test::Slurp(path);
    // Cuts inside the rows keep the rows before them; cuts in the header fail cleanly.
    EXPECT_GT(formats_test::ReadPrefixes(bytes, kRas), 0u);
}
