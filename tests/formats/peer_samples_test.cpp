// The readers of the peer formats on the real instrument files: the values the files hold, the format detection
// picks, and clean failures on every truncated prefix.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/support.h"
#include "format_test.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/read.h"

using namespace xrddata::formats;

namespace {

std::string Sample(const char* name) { return testing_support::SamplesDir() + "/" + name; }

Measurement Read(const char* name) { return read_file(Sample(name)); }

struct Expect {
    const char* file;
    int code;
    std::size_t points;
    double first_x, step, last_x, first_y, last_y;
};

// SOURCES.md: points, start, step, first and last counts (the Philips values are v * v / 100).
const Expect kSamples[] = {
    {"uxd/BT86_.UXD", 21, 2374, 3.0, 0.016, 40.0, 187, 269},
    {"rigaku-dat/sample2r.dat", 22, 876, 5.0, 0.04, 40.0, 665, 266},
    {"philips-rd/CPD-1A.RD", 23, 7251, 5.0, 0.02, 150.0, 153.76, 21.16},
    {"pdcif/data.cif", 24, 3728, 8.0, 0.022, 89.994, 1733, 202},
    {"gsas/NIST660CBI.gsas", 25, 8378, 15.0066, 0.0131303, 124.9991231, 2364, 370},
    {"other/garnet.raw", 25, 2679, 24.0, 0.05, 157.9, 162, 135},
    {"fullprof/pbsox.dat", 26, 6001, 10.0, 0.025, 160.0, 179, 368},
    {"riet7/D1A5.dat", 28, 1680, -10.0, 0.1, 157.9, 0.8, 155.1},
    {"dbws/si3n4r.dat", 29, 1700, 4.0, 0.08, 139.92, 1471, 2225},
};

}  // namespace

TEST(PeerSamples, ReadTheValuesTheFilesHold) {
    XRD_REQUIRE_SAMPLES();
    for (const Expect& e : kSamples) {
        const Measurement m = Read(e.file);
        EXPECT_EQ(m.meta.format_code, e.code) << e.file;
        ASSERT_EQ(m.scans.size(), 1u) << e.file;
        const Scan& s = m.scans[0];
        ASSERT_EQ(s.size(), e.points) << e.file;
        EXPECT_NEAR(s.two_theta.front(), e.first_x, 1e-12) << e.file;
        EXPECT_NEAR(s.two_theta[1] - s.two_theta[0], e.step, 1e-9) << e.file;
        EXPECT_NEAR(s.two_theta.back(), e.last_x, 1e-9) << e.file;
        EXPECT_EQ(s.counts.front(), e.first_y) << e.file;
        EXPECT_EQ(s.counts.back(), e.last_y) << e.file;
    }
}

TEST(PeerSamples, MetadataOfEachFile) {
    XRD_REQUIRE_SAMPLES();
    const Measurement uxd = Read("uxd/BT86_.UXD");
    EXPECT_EQ(uxd.meta.sample, "BT86");
    formats_test::ExpectRadiation(uxd.meta, {"Cu", 1.5406, 1.54439, 1.39222, 0.5});
    EXPECT_EQ(uxd.meta.format_version, "2");
    ASSERT_TRUE(uxd.meta.date.value);
    EXPECT_EQ(FormatDate(*uxd.meta.date.value), "2010-03-04 20:59:14");
    EXPECT_EQ(uxd.scans[0].step, 0.015592);  // the header's step; the x column is rounded
    EXPECT_EQ(uxd.scans[0].step_time, 0.5);
    EXPECT_EQ(uxd.scans[0].axis, "COUPLED");
    EXPECT_TRUE(uxd.warnings.empty());

    const Measurement dat = Read("rigaku-dat/sample2r.dat");
    EXPECT_EQ(dat.meta.sample, "SAMPLE-2");
    formats_test::ExpectRadiation(dat.meta, {"Cu", 1.54056, 1.5444, std::nullopt, std::nullopt});  // *TARGET = 29
    EXPECT_EQ(dat.scans[0].declared_points, 876);
    EXPECT_EQ(dat.scans[0].step_time, 10.0);
    int slitNames = 0;
    for (const auto& p : dat.meta.properties) slitNames += p.first == "SLIT_NAME";
    EXPECT_EQ(slitNames, 3);  // repeated keys are all kept

    const Measurement rd = Read("philips-rd/CPD-1A.RD");
    EXPECT_EQ(rd.meta.sample, "CPD RR Sample 1A");
    formats_test::ExpectRadiation(rd.meta, {"Cu", 1.540562, 1.54439, std::nullopt, 0.5});
    EXPECT_EQ(*find_property(rd.meta.properties, "diffractometer"), "PW3710 based system");
    EXPECT_EQ(*find_property(rd.meta.properties, "focus"), "LFF");
    EXPECT_EQ(*find_property(rd.meta.properties, "file name"), "CPD-1A");
    EXPECT_EQ(rd.scans[0].counts[0], 124.0 * 124.0 / 100.0);  // exact, not truncated to 153

    const Measurement cif = Read("pdcif/data.cif");
    EXPECT_EQ(cif.meta.wavelength, 1.540598);
    EXPECT_EQ(cif.meta.ka2_wavelength, 1.54439);
    EXPECT_DOUBLE_EQ(*cif.meta.ka2_ratio, 0.38);
    EXPECT_EQ(cif.scans[0].declared_points, 3728);
    EXPECT_TRUE(cif.scans[0].sigma.empty());
    EXPECT_EQ(*find_property(cif.scans[0].properties, "block"), "1501688");

    const Measurement gsas = Read("gsas/NIST660CBI.gsas");
    EXPECT_EQ(gsas.meta.sample, "Sample ID - Anode and Instrument");
    EXPECT_TRUE(find_property(gsas.meta.properties, "positions"));  // centidegrees, said so
    EXPECT_TRUE(gsas.scans[0].sigma.empty());                       // one counter everywhere
    const Measurement garnet = Read("other/garnet.raw");
    // STD records carry the number of counters summed: sigma = sqrt(y / counters), 1..10 counters here.
    const Scan& g = garnet.scans[0];
    ASSERT_EQ(g.sigma.size(), g.size());
    EXPECT_EQ(g.sigma[0], std::sqrt(162.0));
    EXPECT_EQ(g.counts[1080], 166.0);  // line 111: "10   16610   155..." packs counters and counts
    EXPECT_EQ(g.counts[1081], 155.0);
    EXPECT_EQ(g.sigma[1080], std::sqrt(166.0 / 10.0));

    const Measurement d1a = Read("riet7/D1A5.dat");
    ASSERT_EQ(d1a.scans[0].sigma.size(), 1680u);  // the e.s.d.s after the intensities
    EXPECT_EQ(d1a.scans[0].sigma.front(), 0.58);
    EXPECT_EQ(d1a.scans[0].sigma.back(), 7.35);
    EXPECT_EQ(d1a.meta.sample, "D1A5 Title: 1.9114 A  LaNi2Mn3Dx 13.9.01");
    EXPECT_TRUE(d1a.warnings.empty());

    EXPECT_EQ(Read("fullprof/pbsox.dat").meta.sample, "PbSO4 XrayDif (Rietveld Round Robin, R.J. Hill, JApC 2");
    EXPECT_EQ(Read("dbws/si3n4r.dat").meta.sample, "SI3N4  RR     1.470 ANG    295.0 K     1999-04-22");
}

TEST(PeerSamples, OlderFormatsSamplesAreNotTakenByTheNewDetectors) {
    XRD_REQUIRE_SAMPLES();
    // Every file of the formats the import has always read, and the negative cases: none of the new formats
    // claims them (they keep the format they have always had).
    const char* const files[] = {"bruker-raw3/BT86.raw", "bruker-raw3/format1.raw",  "bruker-raw2/CORKLZ20.RAW",
                                 "stoe/stoe.raw",        "udf/ZEOLITE.UDF",          "udf/sample2.udf",
                                 "xy/xy_text.txt",       "xy/with_sigma.txt",        "xy/nacl01.dat",
                                 "xy/qtzquin.asc",       "xy/corklz20.asc",          "xy/Tutorial_4.xye",
                                 "xy/Tutorial_04.xye",   "xy/example_bmb.xye",       "xy/example_evadiffract.xy",
                                 "other/sio250.raw",     "other/brk_raw1.raw",       "other/bruker_raw4.raw",
                                 "cpi/pyxrd_test_cpi_parser_embedded.cpi"};
    for (const char* name : files) {
        const FileBytes f = load_file(Sample(name));
        for (const FormatInfo& format : format_table())
            if (format.code >= 21 && format.code <= 30) {
                EXPECT_FALSE(format.detect(f.bytes())) << name << " " << format.name;
            }
    }
}

TEST(PeerSamples, EveryTruncatedPrefixFailsCleanlyOrReadsWhatItHolds) {
    XRD_REQUIRE_SAMPLES();
    for (const Expect& e : kSamples) {
        const FileBytes f = load_file(Sample(e.file));
        const Bytes all = f.bytes();
        // Every prefix of the first 4 KiB (the headers) and of the last 512 bytes, a dense spread between.
        std::vector<std::size_t> lengths;
        for (std::size_t n = 0; n < all.size(); ++n)
            if (n < 4096 || n + 512 > all.size() || n % 127 == 0) lengths.push_back(n);
        for (std::size_t n : lengths) {
            try {
                const Measurement m = read_bytes(all.subspan(0, n), e.file, e.code);
                ASSERT_LE(m.total_points(), e.points) << e.file << " " << n;
                for (const Scan& s : m.scans) ASSERT_EQ(s.two_theta.size(), s.counts.size());
            } catch (const ReadError& err) {
                ASSERT_FALSE(std::string(err.what()).empty());
            }
        }
    }
}

TEST(PeerSamples, XylibReadsTheSameValues) {
    XRD_REQUIRE_SAMPLES();
    if (access("/usr/bin/xyconv", X_OK) != 0) GTEST_SKIP() << "no xyconv";
    const struct {
        const char* file;
        const char* type;
        int xColumn, yColumn;  // xylib's pdcif gives the range's positions twice (proc and meas) before the counts
        bool truncated;        // xylib keeps v * v / 100 as a whole number
    } cases[] = {{"uxd/BT86_.UXD", "uxd", 0, 1, false},
                 {"rigaku-dat/sample2r.dat", "rigaku_dat", 0, 1, false},
                 {"philips-rd/CPD-1A.RD", "philips_rd", 0, 1, true},
                 {"pdcif/data.cif", "pdcif", 1, 2, false},
                 {"riet7/D1A5.dat", "riet7", 0, 1, false},
                 {"dbws/si3n4r.dat", "dbws", 0, 1, false},
                 {"fullprof/pbsox.dat", "riet7", 0, 1, false}};
    for (const auto& c : cases) {
        const Measurement m = Read(c.file);
        const std::string command = "xyconv -s -t " + std::string(c.type) + " " + Sample(c.file) + " - 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::vector<std::pair<double, double>> rows;
        char line[512];
        while (fgets(line, sizeof line, pipe)) {
            double v[4];
            const int n = line[0] == '#' ? 0 : std::sscanf(line, "%lf %lf %lf %lf", &v[0], &v[1], &v[2], &v[3]);
            if (n > c.yColumn) rows.emplace_back(v[c.xColumn], v[c.yColumn]);
        }
        pclose(pipe);
        const Scan& s = m.scans.at(0);
        ASSERT_EQ(rows.size(), s.size()) << c.file;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const double y = c.truncated ? std::floor(s.counts[i]) : s.counts[i];
            ASSERT_NEAR(rows[i].first, s.two_theta[i], 1e-6) << c.file << " " << i;  // six decimals printed
            ASSERT_NEAR(rows[i].second, y, 1e-6) << c.file << " " << i;
        }
    }
}
