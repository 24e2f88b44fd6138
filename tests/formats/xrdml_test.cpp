// The XRDML reader: positions from start/end or a list, raw counts times the attenuation factors, corrected
// intensities as they are, common or per-point counting times, rates turned into counts, scans that do not move
// 2Theta, bad lists, and the real files.
#include <string>

#include <gtest/gtest.h>

#include "support/support.h"
#include "support/xrdml_writer.h"
#include "format_test.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/read.h"

using namespace xrddata::formats;
using testing_support::WriteXrdml;
using testing_support::XrdmlFile;
using testing_support::XrdmlScan;

namespace {

constexpr int kXrdml = 14;

Measurement Read(const std::string& text) { return read_bytes(AsBytes(text), "t.xrdml", 0); }

ReadError ErrorOf(const std::string& bytes) { return formats_test::ReadErrorOf(bytes, "t.xrdml", kXrdml); }

}  // namespace

TEST(Xrdml, ReadsPositionsCountsAndTheirCorrections) {
    XrdmlFile f;
    f.sample_id = "id-7";
    XrdmlScan a;  // raw counts, one of them behind the attenuator
    a.y = {100, 200, 10, 400};
    a.attenuation = {1, 1, 148, 1};
    a.start = 10.0;
    a.end = 13.0;
    XrdmlScan b;  // corrected intensities on listed positions, each point counted for its own time
    b.y = {5, 6, 7};
    b.intensities = true;
    b.attenuation = {1, 2, 1};
    b.list = {20.0, 20.5, 21.25};
    b.counting_times = {1, 2, 4};
    f.scans = {a, b};
    const Measurement m = Read(WriteXrdml(f));
    EXPECT_EQ(m.meta.format, "XRDML");
    EXPECT_EQ(m.meta.format_code, kXrdml);
    EXPECT_EQ(m.meta.format_version, "2.1");
    EXPECT_EQ(m.meta.sample, "id-7");  // no name: the id
    EXPECT_EQ(m.meta.comments, "Configuration=test\nPHD Lower Level = 4.02 (keV)");
    formats_test::ExpectRadiation(m.meta, {"Cu", 1.540598, 1.544426, 1.39225, 0.5});
    EXPECT_TRUE(*m.meta.ka2_present);
    EXPECT_EQ(*m.meta.date.text, "2021-03-16T13:10:14+03:00");
    EXPECT_EQ(FormatDate(*m.meta.date.value), "2021-03-16 13:10:14+03:00");
    ASSERT_EQ(m.scans.size(), 2u);
    const Scan& s = m.scans[0];
    EXPECT_EQ(s.two_theta, (std::vector<double>{10, 11, 12, 13}));
    EXPECT_EQ(s.counts, (std::vector<double>{100, 200, 1480, 400}));
    EXPECT_EQ(*s.step_time, 2.0);
    EXPECT_EQ(*s.step, 1.0);
    EXPECT_EQ(s.mode, "Continuous");
    EXPECT_EQ(*find_property(s.properties, "Z position"), "7.868 mm");
    const Scan& t = m.scans[1];
    EXPECT_EQ(t.two_theta, b.list);
    EXPECT_EQ(t.counts, b.y);  // intensities are already corrected
    EXPECT_EQ(t.time_per_point, b.counting_times);
    EXPECT_FALSE(t.step_time);
    EXPECT_TRUE(m.warnings.empty());

    // Schema 1.0 with a byte-order mark and no declaration; a monochromatised beam; a single point; a rate.
    f = XrdmlFile{};
    f.version = "1.0";
    f.declaration = false;
    f.bom = true;
    f.sample_name = "quartz";
    f.intended = "K-Alpha 1";
    XrdmlScan one;
    one.y = {3.5};
    one.y_unit = "cps";
    one.common_time = 4.0;
    f.scans = {one};
    const Measurement r = Read(WriteXrdml(f));
    EXPECT_EQ(r.meta.format_version, "1.0");
    EXPECT_EQ(r.meta.sample, "quartz");
    EXPECT_FALSE(*r.meta.ka2_present);
    EXPECT_EQ(r.scans[0].two_theta, (std::vector<double>{10.0}));
    EXPECT_EQ(r.scans[0].counts, (std::vector<double>{14.0}));
    EXPECT_NE(find_property(r.meta.properties, "intensity")->find("counts per second (cps)"), std::string::npos);

    // A rocking curve: 2Theta stands still, the x values are the Omega positions, and a warning says so.
    XrdmlScan rock;
    rock.y = {1, 2, 3};
    rock.x_axis = "Omega";
    rock.scan_axis = "Omega";
    rock.start = 20.0;
    rock.end = 21.0;
    f.scans = {rock};
    const Measurement o = Read(WriteXrdml(f));
    EXPECT_EQ(o.scans[0].two_theta, (std::vector<double>{20.0, 20.5, 21.0}));
    EXPECT_EQ(*find_property(o.scans[0].properties, "x axis"), "Omega");
    ASSERT_EQ(o.warnings.size(), 1u);
    EXPECT_EQ(o.warnings[0], "scan 1 does not move 2Theta: its x values are the Omega positions");
}

TEST(Xrdml, RefusesBadListsWithTheirPlace) {
    XrdmlFile f;
    XrdmlScan s;
    s.y = {1, 2, 3};
    s.list = {1, 2};
    f.scans = {s};
    ReadError e = ErrorOf(WriteXrdml(f));
    EXPECT_EQ(e.problem(), Problem::inconsistent);
    EXPECT_EQ(e.reason(), "scan 1: 2 positions for 3 intensities");
    EXPECT_TRUE(e.offset().has_value());
    EXPECT_EQ(e.file(), "t.xrdml");

    s.list.clear();
    s.attenuation = {1, 1};
    f.scans = {s};
    EXPECT_EQ(ErrorOf(WriteXrdml(f)).reason(), "scan 1: 2 attenuation factors for 3 intensities");

    s.attenuation.clear();
    f.scans = {s};
    std::string text = WriteXrdml(f);
    text.replace(text.find(">1 2 3<"), 7, ">1 2 x<");
    EXPECT_EQ(ErrorOf(text).reason(), "scan 1: value 3 of counts is not a number");
    EXPECT_EQ(ErrorOf(WriteXrdml(XrdmlFile{})).problem(), Problem::no_data);
    f.scans = {s};
    const std::string cut = WriteXrdml(f);
    EXPECT_EQ(ErrorOf(cut.substr(0, cut.size() - 40)).problem(), Problem::malformed);
    EXPECT_EQ(ErrorOf("<xrdMeasurement/>").problem(), Problem::unrecognised);
}

TEST(Xrdml, RealFiles) {
    XRD_REQUIRE_SAMPLES();
    const std::string dir = testing_support::SamplesDir() + "/xrdml/";
    const Measurement a = read_file(dir + "ACZCTS_5-60_181.xrdml");
    EXPECT_EQ(a.meta.format_version, "1.5");
    ASSERT_EQ(a.scans.size(), 1u);
    const Scan& s = a.scans[0];
    ASSERT_EQ(s.size(), 5331u);
    EXPECT_EQ(s.two_theta.front(), 10.00656514);
    EXPECT_EQ(s.two_theta.back(), 79.99097181);
    EXPECT_NEAR(*s.step, 0.0131303, 1e-7);
    EXPECT_EQ(s.counts.front(), 2086);
    EXPECT_EQ(*s.step_time, 49.47);
    EXPECT_EQ(*a.meta.ka2_wavelength, 1.544426);

    const std::string map_path = dir + "m82762_rc1mm_1_16dg_src_slit_phi-101_3dg_-420_mesh_long.xrdml";
    const Measurement m = read_file(map_path);
    EXPECT_EQ(m.meta.format_version, "2.1");
    ASSERT_EQ(m.scans.size(), 101u);
    for (const Scan& scan : m.scans) {
        ASSERT_EQ(scan.size(), 255u);
        EXPECT_EQ(scan.two_theta.front(), 67.45053915);
        EXPECT_EQ(scan.two_theta.back(), 69.95146085);
        EXPECT_EQ(*scan.step_time, 358.92);
    }
    EXPECT_EQ(*find_property(m.scans[0].properties, "Omega position"), "60.9727 deg");
    EXPECT_EQ(*find_property(m.scans[100].properties, "Omega position"), "61.9727 deg");

    // A cut file is no well-formed XML; only cuts in the line end after the root's end tag still read.
    for (const std::string& path : {dir + "ACZCTS_5-60_181.xrdml", map_path}) {
        const std::string bytes = formats_test::Slurp(path);
        EXPECT_EQ(formats_test::ReadPrefixes(bytes, kXrdml), 2u) << path;
    }
}
