// The Rigaku RASX reader: every profile a scan in the order of its number, the conditions of each, rates and step
// times, and archives that are damaged or cut.
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "support/rigaku_writer.h"
#include "support/support.h"
#include "support/zip_writer.h"
#include "format_test.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/read.h"

using namespace xrddata::formats;
using testing_support::RigakuScan;
using testing_support::WriteRasx;

namespace {

constexpr int kRasx = 16;

RigakuScan Profile(double first) {
    RigakuScan s = testing_support::RisingScan({8.5, 8.51, 8.52}, first);
    s.start = 8.5;
    s.step = 0.01;
    s.speed = 1.0;
    s.start_time = "2022-11-10T17:20:52Z";
    return s;
}

ReadError ErrorOf(const std::string& bytes) { return formats_test::ReadErrorOf(bytes, "t.rasx", kRasx); }


}  // namespace

TEST(Rasx, ReadsEveryProfileInTheOrderOfItsNumber) {
    std::vector<RigakuScan> scans;
    for (int k = 0; k < 11; ++k) scans.push_back(Profile(100.0 * k));
    scans[0].sample = "first";
    scans[3].factor = {1, 4, 1};
    scans[5].mode = "STEP";
    scans[5].speed = 1.2;
    scans[5].speed_unit = "sec";
    scans[7].unit_y = "cps";
    // Stored 10, 9, ..., 0: neither the archive's order nor a string sort ("Data10" before "Data2") is the order.
    const std::string zip = WriteRasx(scans, {10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0});
    const Measurement m = formats_test::ReadDetected(zip, "t.rasx", kRasx);
    EXPECT_EQ(m.meta.format_version, "1.1.0.0");
    EXPECT_EQ(m.meta.sample, "first");
    EXPECT_EQ(m.meta.comments, "memo 0");
    formats_test::ExpectRadiation(m.meta, {"Cu", 1.540593, std::nullopt, 1.392246, std::nullopt});
    EXPECT_FALSE(*m.meta.ka2_present);  // WaveType Ka1
    EXPECT_EQ(FormatDate(*m.meta.date.value), "2022-11-10 17:20:52Z");
    ASSERT_EQ(m.scans.size(), 11u);
    for (int k = 0; k < 11; ++k) {
        const Scan& s = m.scans[static_cast<std::size_t>(k)];
        EXPECT_EQ(*find_property(s.properties, "member"), "Data" + std::to_string(k) + "/Profile" + std::to_string(k) + ".txt");
        EXPECT_EQ(s.two_theta, scans[0].x);
        EXPECT_EQ(*s.declared_points, 3);
        EXPECT_EQ(s.axis, "TwoThetaTheta");
        EXPECT_EQ(*find_property(s.properties, "MEAS_SCAN_MODE_INTERNAL"), "TDI_1D");
        if (k == 3 || k == 5 || k == 7) continue;
        EXPECT_EQ(s.counts, scans[static_cast<std::size_t>(k)].y) << k;
        EXPECT_DOUBLE_EQ(*s.step_time, 0.6) << k;  // 0.01 deg at 1 deg/min
    }
    EXPECT_EQ(m.scans[3].counts, (std::vector<double>{300, 1204, 302}));
    EXPECT_TRUE(find_property(m.scans[3].properties, "attenuation"));
    EXPECT_EQ(*m.scans[5].step_time, 1.2);
    EXPECT_DOUBLE_EQ(m.scans[7].counts[1], 701 * 0.6);
    EXPECT_TRUE(find_property(m.meta.properties, "intensity"));
}

TEST(Rasx, RefusesDamagedAndCutArchives) {
    const std::string zip = WriteRasx({Profile(1)});
    const std::string empty = testing_support::ZipBytes({{"root.xml", "<Root/>"}});
    EXPECT_EQ(detect(AsBytes(empty)), nullptr);
    EXPECT_EQ(ErrorOf(empty).reason(), "the archive holds no DataN/ProfileN.txt");

    // A profile row that is no row names the member and its line.
    RigakuScan bad = Profile(1);
    bad.y[1] = std::numeric_limits<double>::infinity();  // written as "inf"
    ReadError e = ErrorOf(WriteRasx({bad}));
    EXPECT_STREQ(e.what(), "t.rasx: zip member Data0/Profile0.txt: line 2: not a data row of two or three numbers");

    // Damaged stored data: the CRC fails, the member is named.
    const std::string stored = testing_support::ZipBytes(
        {{"Data0/Profile0.txt", "8.5\t100\t1\r\n8.51\t101\t1\r\n", false}, {"root.xml", "<Root Version=\"1\"/>"}});
    EXPECT_EQ(read_bytes(AsBytes(stored), "", kRasx).scans[0].counts, (std::vector<double>{100, 101}));
    std::string damaged = stored;
    damaged[damaged.find("\t101")] = ' ';
    e = ErrorOf(damaged);
    EXPECT_EQ(e.problem(), Problem::malformed);
    EXPECT_NE(std::string(e.what()).find("zip member Data0/Profile0.txt: the member is damaged"), std::string::npos)
        << e.what();

    // Cut archives: the central directory at the end is gone, so none reads, and each says why.
    EXPECT_EQ(formats_test::ReadPrefixes(zip, kRasx), 0u);
    const std::string cut = zip.substr(0, zip.size() - 30);
    const FormatInfo* format = detect(AsBytes(cut));  // recognised by its first member, refused with the reason
    ASSERT_TRUE(format);
    EXPECT_EQ(format->code, kRasx);
    EXPECT_TRUE(ErrorOf(cut).reason().starts_with("the zip archive cannot be read"));
}

TEST(Rasx, RealFiles) {
    XRD_REQUIRE_SAMPLES();
    const std::string dir = testing_support::SamplesDir() + "/rigaku-rasx/";
    const Measurement a = read_file(dir + "RM20220915Si01.rasx");
    EXPECT_EQ(a.meta.sample, "RM20220915Si01");
    EXPECT_EQ(*a.meta.date.text, "2022-11-10T17:20:52Z");
    ASSERT_EQ(a.scans.size(), 1u);
    ASSERT_EQ(a.scans[0].size(), 2151u);
    EXPECT_EQ(a.scans[0].two_theta.front(), 8.5);
    EXPECT_EQ(a.scans[0].two_theta.back(), 30.0);
    EXPECT_EQ(a.scans[0].counts.front(), 591);
    EXPECT_DOUBLE_EQ(*a.scans[0].step_time, 0.6);
    const Measurement b = read_file(dir + "Sample_Repeated_Measurement.rasx");
    EXPECT_EQ(b.meta.sample, "NIST1976c");
    ASSERT_EQ(b.scans.size(), 1u);
    ASSERT_EQ(b.scans[0].size(), 121u);
    EXPECT_EQ(b.scans[0].two_theta.front(), 127.4);
    EXPECT_EQ(b.scans[0].two_theta.back(), 128.0);
    EXPECT_DOUBLE_EQ(*b.scans[0].step_time, 0.15);  // 0.005 deg at 2 deg/min
    for (const char* name : {"RM20220915Si01.rasx", "Sample_Repeated_Measurement.rasx"})
        EXPECT_EQ(formats_test::ReadPrefixes(formats_test::Slurp(dir + name), kRasx), 0u) << name;
}
