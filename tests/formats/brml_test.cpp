// The BRML reader: raw data members in the container's order, columns found through the data views, positions
// from the scan axis where no column holds them, detector frames, and archives that are forged or cut.
#include <string>

#include <gtest/gtest.h>

#include "support/brml_writer.h"
#include "support/support.h"
#include "support/zip_writer.h"
#include "format_test.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/read.h"

using namespace xrddata::formats;
using testing_support::BrmlFile;
using testing_support::BrmlScan;
using testing_support::WriteBrml;

namespace {

constexpr int kBrml = 13;

BrmlScan Scan3(double first) {
    BrmlScan s;
    s.counts = {first, first + 1, first + 2};
    return s;
}

ReadError ErrorOf(const std::string& bytes) { return formats_test::ReadErrorOf(bytes, "t.brml", kBrml); }

}  // namespace

TEST(Brml, ReadsEveryRawDataThroughItsDataViews) {
    BrmlFile f;
    f.scans = {Scan3(100), Scan3(200), Scan3(300), Scan3(400)};
    f.scans[1].extra_columns = 3;        // a temperature recording before the counts
    f.scans[2].two_theta_view = false;   // no 2Theta column: start + i * increment
    f.scans[2].start = 38.0;
    f.scans[2].increment = 0.25;
    f.scans[3].frame = true;             // one Datum, the counts as detector channels
    f.scans[3].start = 39.9;
    f.scans[3].increment = 0.5;
    const std::string zip = WriteBrml(f);
    const Measurement m = formats_test::ReadDetected(zip, "t.brml", kBrml);
    EXPECT_EQ(m.meta.format, "BRML");
    EXPECT_EQ(m.meta.format_version, "7.5.2.0");
    EXPECT_EQ(m.meta.sample, "sample A");
    formats_test::ExpectRadiation(m.meta, {"Cu", 1.5406, 1.54439, 1.39222, 0.5});
    EXPECT_EQ(*m.meta.date.text, "2025-02-26T10:47:52.8708798+00:00");
    EXPECT_EQ(FormatDate(*m.meta.date.value), "2025-02-26 10:47:52Z");
    ASSERT_EQ(m.scans.size(), 4u);  // the archive stores them in reverse: the container's order wins
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(*find_property(m.scans[k].properties, "member"), "Experiment0/RawData" + std::to_string(k) + ".xml");
    const Scan& s = m.scans[0];
    EXPECT_EQ(s.counts, (std::vector<double>{100, 101, 102}));
    EXPECT_EQ(s.two_theta, (std::vector<double>{10.0, 10.02, 10.04}));
    EXPECT_EQ(*s.step_time, 76.8);
    EXPECT_EQ(*s.declared_points, 3);
    EXPECT_EQ(s.mode, "PsdFastScan");
    EXPECT_EQ(*find_property(s.properties, "drive Chi"), "50 \xC2\xB0");
    EXPECT_EQ(*find_property(s.properties, "TimePerStep"), "0.4");
    EXPECT_EQ(m.scans[1].counts, (std::vector<double>{200, 201, 202}));
    EXPECT_EQ(m.scans[2].two_theta, (std::vector<double>{38.0, 38.25, 38.5}));
    EXPECT_TRUE(find_property(m.scans[2].properties, "positions"));
    EXPECT_EQ(m.scans[3].counts, (std::vector<double>{400, 401, 402}));
    EXPECT_EQ(m.scans[3].two_theta, (std::vector<double>{39.9, 40.4, 40.9}));
    EXPECT_TRUE(m.warnings.empty());
}

TEST(Brml, RefusesShortRowsBombsAndCuts) {
    BrmlFile f;
    f.scans = {Scan3(1), Scan3(2)};
    const std::string zip = WriteBrml(f);

    // A Datum with fewer values than the views name.
    std::string raw = testing_support::WriteBrmlRawData(Scan3(1));
    raw.replace(raw.find(",2</Datum>"), 10, "</Datum>");
    ReadError e = ErrorOf(testing_support::ZipBytes({{"Experiment0/RawData0.xml", raw}}));
    EXPECT_EQ(e.problem(), Problem::inconsistent);
    EXPECT_NE(std::string(e.what()).find("zip member Experiment0/RawData0.xml: byte "), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("Datum 2 has 4 values; the data views need 5"), std::string::npos) << e.what();

    // A member claiming gigabytes, a member nested thousands deep: each names the member.
    std::string forged = zip;
    testing_support::SetDeclaredSize(forged, "Experiment0/RawData1.xml", 0xC0000000u);
    e = ErrorOf(forged);
    EXPECT_EQ(e.problem(), Problem::too_large);
    EXPECT_NE(std::string(e.what()).find("zip member Experiment0/RawData1.xml: the member declares"), std::string::npos);
    std::string deep = "<RawData>";
    for (int i = 0; i < 3000; ++i) deep += "<x>";
    for (int i = 0; i < 3000; ++i) deep += "</x>";
    e = ErrorOf(testing_support::ZipBytes({{"Experiment0/RawData0.xml", deep + "</RawData>"}}));
    EXPECT_STREQ(e.what(), "t.brml: zip member Experiment0/RawData0.xml: the XML is nested more than 256 elements deep");
    // A listed member the archive lacks: the others are read, a warning says what is missing.
    std::string renamed = zip;
    for (std::size_t at; (at = renamed.find("Experiment0/RawData1.xml")) != std::string::npos;)
        renamed.replace(at, 24, "Experiment0/RawDataX.xml");  // the headers' names; the container is deflated
    const Measurement m = read_bytes(AsBytes(renamed), "", kBrml);
    EXPECT_EQ(m.scans.size(), 1u);
    EXPECT_EQ(m.warnings, std::vector<std::string>{
                              "the data container lists Experiment0/RawData1.xml, which the archive does not hold"});

    EXPECT_EQ(formats_test::ReadPrefixes(zip, kBrml), 0u);
}

TEST(Brml, RealFiles) {
    XRD_REQUIRE_SAMPLES();
    const std::string dir = testing_support::SamplesDir() + "/brml/";
    const Measurement t = read_file(dir + "TiOF.brml");
    EXPECT_EQ(t.meta.format_version, "7.5.2.0");
    EXPECT_EQ(t.meta.sample, "TiOF 18F.2");
    EXPECT_EQ(FormatDate(*t.meta.date.value), "2025-02-26 10:47:52Z");
    ASSERT_EQ(t.scans.size(), 1u);
    const Scan& s = t.scans[0];
    ASSERT_EQ(s.size(), 2469u);
    EXPECT_EQ(*s.start, 9.998839261);
    EXPECT_EQ(*s.step, 0.02026496627);
    EXPECT_EQ(s.two_theta.front(), 9.998839261);
    EXPECT_EQ(s.two_theta.back(), 60.012776015);
    EXPECT_EQ(s.counts.front(), 4471);
    EXPECT_EQ(s.counts.back(), 692);
    EXPECT_EQ(*s.step_time, 124.8);

    const Measurement p = read_file(dir + "Sin2Psi.brml");
    EXPECT_EQ(p.meta.format_version, "3.3.50.0");
    ASSERT_EQ(p.scans.size(), 18u);
    for (std::size_t k = 0; k < 18; ++k) {
        const Scan& scan = p.scans[k];
        EXPECT_EQ(*find_property(scan.properties, "member"), "Experiment0/RawData" + std::to_string(k) + ".xml");
        ASSERT_EQ(scan.size(), 251u);
        EXPECT_EQ(scan.two_theta.front(), 38.0);
        EXPECT_EQ(scan.two_theta.back(), 43.0);
        EXPECT_EQ(*scan.step, 0.019999992767999998);
        EXPECT_EQ(*scan.step_time, 220.8);
    }
    EXPECT_EQ(p.scans[0].counts.front(), 306);
    EXPECT_EQ(*find_property(p.scans[0].properties, "drive Chi"), "0 \xC2\xB0");
    EXPECT_EQ(*find_property(p.scans[5].properties, "drive Chi"), "50 \xC2\xB0");
    EXPECT_TRUE(p.warnings.empty());

    for (const char* name : {"TiOF.brml", "Sin2Psi.brml"}) {
        const std::string bytes = formats_test::Slurp(dir + name);
        EXPECT_EQ(formats_test::ReadPrefixes(bytes, kBrml), 0u) << name;
    }
}
