// The peer formats' readers on files built here: every layout variant, the conversions they make and say, and the
// errors bad input gets (with its line or offset).
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "support/support.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/read.h"

using namespace xrddata::formats;

namespace {

Bytes B(const std::string& s) { return {reinterpret_cast<const std::byte*>(s.data()), s.size()}; }

Measurement Read(const std::string& text, int code = 0) { return read_bytes(B(text), "t", code); }

// The error's text, or "" when the read succeeds.
std::string ErrorOf(const std::string& text, int code = 0) {
    try {
        Read(text, code);
    } catch (const ReadError& e) {
        return e.what();
    }
    return "";
}

int Detected(const std::string& text) {
    const FormatInfo* f = detect(B(text));
    return f ? f->code : 0;
}

}  // namespace

TEST(PeerFormats, UxdRangesRatesAndPairs) {
    const std::string uxd =
        "; converted\n_FILEVERSION=1\n_SAMPLE='Quartz'\n_WL1=1.5406\n_ANODE='Cu'\n"
        "; (Data for Range number 1)\n_DRIVE='COUPLED'\n_STEPTIME=2.0\n_STEPSIZE=0.5\n_START=10.0\n_STEPCOUNT=5\n"
        "_COUNTS\n   10   20   30\n   40\n"
        "; (Data for Range number 2)\n_STEPTIME=2.0\n_STEPSIZE=0.1\n_2THETA=30\n_2THETACPS\n30.0 1.5\n30.1\t2.25\n";
    EXPECT_EQ(Detected(uxd), 21);
    const Measurement m = Read(uxd);
    EXPECT_EQ(m.meta.sample, "Quartz");
    EXPECT_EQ(m.meta.comments, "converted");
    ASSERT_EQ(m.scans.size(), 2u);
    EXPECT_EQ(m.scans[0].two_theta, (std::vector<double>{10, 10.5, 11, 11.5}));
    EXPECT_EQ(m.scans[0].counts, (std::vector<double>{10, 20, 30, 40}));
    EXPECT_EQ(m.scans[1].two_theta, (std::vector<double>{30.0, 30.1}));
    EXPECT_EQ(m.scans[1].counts, (std::vector<double>{3.0, 4.5}));  // counts per second times 2 s
    EXPECT_EQ(m.scans[1].start, 30.0);
    EXPECT_NE(find_property(m.meta.properties, "intensity"), nullptr);
    ASSERT_EQ(m.warnings.size(), 1u);
    EXPECT_EQ(m.warnings[0], "range 1 holds 4 points where _STEPCOUNT gives 5");

    EXPECT_EQ(ErrorOf("_FILEVERSION=1\n_STEPSIZE=0.1\n_START=5\n_CPS\n1 2\n"),
              "t: line 4: range 1 gives counts per second but no positive _STEPTIME to turn them into counts");
    EXPECT_EQ(ErrorOf("_FILEVERSION=1\n_START=5\n_THETACOUNTS\n1 2\n", 21),
              "t: line 3: the data header _THETACOUNTS is not one of _COUNTS, _CPS, _2THETACOUNTS, _2THETACPS");
    EXPECT_EQ(ErrorOf("_FILEVERSION=1\n_STEPSIZE=0.1\n_START=5\n_COUNTS\n1 2 x3\n"),
              "t: line 5: \"x3\" is not an intensity");
    EXPECT_EQ(ErrorOf("_FILEVERSION=1\n_STEPSIZE=zero\n_START=5\n_COUNTS\n1\n"),
              "t: line 4: _STEPSIZE is not a number: \"zero\"");
    const Measurement omega = Read("_FILEVERSION=1\n_DRIVE='OMEGA'\n_STEPSIZE=0.1\n_START=5\n_COUNTS\n1 2\n");
    EXPECT_EQ(omega.scans[0].axis, "OMEGA");
    EXPECT_EQ(omega.warnings.at(0), "range 1 drives OMEGA: its positions are that axis's angles, not two-theta");
}

TEST(PeerFormats, RigakuDatGroups) {
    const std::string head = "*TYPE = Raw\n*SAMPLE = Si\n*TARGET = 42\n*GROUP_COUNT = 2\n";
    const std::string dat = head +
                            "*BEGIN\n*START = 10.0\n*STOP = 10.2\n*STEP = 0.1\n*COUNT = 3\n 1, 2,\n 3\n*END\n"
                            "*BEGIN\n*START = 20\n*STEP = 0.5\n*COUNT = 4\n 5, 6\n*END\n*EOF\n";
    EXPECT_EQ(Detected(dat), 22);
    const Measurement m = Read(dat);
    EXPECT_EQ(m.meta.anode, "Mo");
    ASSERT_EQ(m.scans.size(), 2u);
    EXPECT_EQ(m.scans[0].counts, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(m.scans[0].two_theta[2], 10.0 + 2 * 0.1);
    EXPECT_EQ(m.scans[1].two_theta, (std::vector<double>{20, 20.5}));
    EXPECT_EQ(m.warnings, (std::vector<std::string>{"the group at line 13 holds 2 points where *COUNT gives 4"}));
    // A group cut off before *END keeps its points and says so.
    const Measurement cut = Read(head + "*BEGIN\n*START = 1\n*STEP = 1\n 7, 8\n");
    EXPECT_EQ(cut.scans.at(0).counts, (std::vector<double>{7, 8}));
    EXPECT_EQ(cut.warnings.at(0), "the group at line 5 has no *END; its 2 points are kept");
    EXPECT_EQ(ErrorOf(head + "*BEGIN\n*START = 1\n*STEP = 1\n 7, 8q\n*END\n"),
              "t: line 8: \"7, 8q\" is not a list of intensities");
    EXPECT_EQ(ErrorOf(head + "*BEGIN\n 7, 8\n*END\n"),
              "t: line 6: the group gives its intensities before *START and *STEP");
    // RAS files (*KEY "value") are another format.
    EXPECT_NE(Detected("*RAS_DATA_START\n*RAS_HEADER_START\n*FILE_SAMPLE \"x\"\n"), 22);
}

TEST(PeerFormats, PhilipsRdHeaderAndPoints) {
    testing_support::Bytes b;
    b.raw("V3RD").at(84).u8(1).u8(2).u8(0).at(94).f64(1.78897).f64(1.79285).f64(0.5);
    b.at(138).fixed("NAME", 8).fixed("Sample X", 20).at(214).f64(0.05).f64(20.0).f64(20.2).at(250);
    const std::string header = b.str();
    b.u16(10).u16(15).u16(1).u16(0).u16(65535);
    const Measurement m = Read(b.str());
    EXPECT_EQ(m.meta.format_code, 23);
    EXPECT_EQ(m.meta.anode, "Fe");
    EXPECT_EQ(*find_property(m.meta.properties, "diffractometer"), "PW1710 based system");
    EXPECT_EQ(m.meta.sample, "Sample X");
    ASSERT_EQ(m.scans[0].size(), 5u);
    EXPECT_EQ(m.scans[0].counts, (std::vector<double>{1.0, 2.25, 0.01, 0.0, 65535.0 * 65535.0 / 100.0}));
    EXPECT_TRUE(m.warnings.empty());
    // Fewer values than the range gives: the points there are kept and the shortfall said.
    const Measurement shortFile = Read(header + std::string("\x0a\x00\x0f", 3));
    EXPECT_EQ(shortFile.scans[0].counts, (std::vector<double>{1.0}));
    EXPECT_EQ(shortFile.warnings.at(0), "the file holds 1 of the 5 points its range gives");
    EXPECT_EQ(ErrorOf(header.substr(0, 249)), "t: byte 249: the file ends inside the 250-byte header");
    testing_support::Bytes bad;
    bad.raw("V3RD").at(214).f64(-0.05).f64(20.0).f64(20.2).at(252);
    EXPECT_EQ(ErrorOf(bad.str()), "t: byte 214: the step must be positive and the last angle above the first");
}

TEST(PeerFormats, GsasLayoutsBanksAndTimeOfFlight) {
    // ESD: five (intensity, deviation) pairs per 80-column record.
    const std::string esd =
        "ESD title\nBANK 1 6 2 CONST 1000 2.5 0 0 ESD\n"
        "     100      10     200      20     300      30     400      40     500      50\n"
        "     600    24.5\n";
    const Measurement e = Read(esd);
    EXPECT_EQ(e.meta.format_code, 25);
    EXPECT_EQ(e.scans[0].two_theta.at(1), 10.025);
    EXPECT_EQ(e.scans[0].counts, (std::vector<double>{100, 200, 300, 400, 500, 600}));
    EXPECT_EQ(e.scans[0].sigma.back(), 24.5);
    // ALT: (F8.0, F7.4, F5.4) triples; fields without a decimal point carry implied decimals.
    const std::string alt = "ALT\nBANK 2 2 1 CONST 1000 5 0 0 ALT\n    1000  12345  123  1005.5 100.0  2.5\n";
    const Measurement a = Read(alt);
    EXPECT_EQ(a.scans[0].two_theta, (std::vector<double>{10.0, 10.055}));
    EXPECT_EQ(a.scans[0].counts, (std::vector<double>{1.2345, 100.0}));
    EXPECT_EQ(a.scans[0].sigma, (std::vector<double>{0.0123, 2.5}));
    // FXYE, two banks; a time-of-flight bank between them is left out and named.
    const std::string fxye =
        "two banks\n# comment line\nBANK 1 2 2 CONST 2002 2 0 0 FXYE\n2002 5 1\n2004 6 1.5\n"
        "BANK 2 2 1 TIME_MAP 1 2 3 0 STD\n   1   2 anything\n"
        "BANK 3 1 1 CONST 500 1 0 0 FXYE\n500.25 7 2\n";
    const Measurement f = Read(fxye);
    EXPECT_EQ(f.meta.comments, "comment line");
    ASSERT_EQ(f.scans.size(), 2u);
    EXPECT_EQ(f.scans[0].two_theta, (std::vector<double>{20.02, 20.04}));
    EXPECT_EQ(f.scans[1].two_theta, (std::vector<double>{5.0025}));
    EXPECT_EQ(*find_property(f.scans[1].properties, "BANK"), "3");
    EXPECT_EQ(f.warnings.at(0),
              "bank 2 is a time-of-flight bank (TIME_MAP): its positions are flight times, not angles; the bank is "
              "not read");
    // Only time-of-flight: refused with the reason, never read as angles.
    EXPECT_EQ(ErrorOf("tof\nBANK 1 2 1 RALF 1 2 3 4 ALT\n    1000  12345  123\n"),
              "t: bank 1 is a time-of-flight bank (RALF): its positions are flight times, not angles");
    EXPECT_EQ(ErrorOf("tof\nBANK 1 3 1 CONST 1000 9000 0 0 STD\n       1       2       3\n"),
              "t: bank 1 holds positions beyond 180 degrees: a time-of-flight bank, not two-theta");
    EXPECT_EQ(ErrorOf("bad\nBANK 1 3 1 CONST 1000 5 0 0 STD\n       1       2      x3\n"), "t: line 3: \"x3\" is not an intensity");
    EXPECT_EQ(ErrorOf("bad\nBANK 1 2 1 CONST 1000 5 0 0 FXYE\n1000 1 1\n1005\n"),
              "t: line 4: an FXYE line holds a position, an intensity and a deviation");
    EXPECT_EQ(ErrorOf("bad\nBANK 1 2 1 CONST 1000 5 0 0 XYZ\n"),
              "t: line 2: the data layout XYZ is not one of STD, ESD, ALT, FXYE");
    // A bank that ends early keeps its points and says so.
    const Measurement cut = Read("cut\nBANK 1 30 3 CONST 1000 5 0 0\n       1       2       3\n");
    EXPECT_EQ(cut.scans[0].size(), 3u);
    EXPECT_EQ(cut.warnings.at(0), "bank 1 ends after 3 of its 30 points");
}

TEST(PeerFormats, FullProfXyDataHeader) {
    const std::string xy =
        "XYDATA\nINTER 1.0 2.0 0 0\nTEMP 295.5\n! Sample A\n! second comment\n! 2theta y sigma\n"
        "! a comment among the points\n10.0 100 10\n10.5 200 14.5\n\n";
    EXPECT_EQ(Detected(xy), 26);
    const Measurement m = Read(xy);
    EXPECT_EQ(m.meta.format_version, "INSTRM=10");
    EXPECT_EQ(m.meta.comments, "Sample A\nsecond comment\n2theta y sigma");
    EXPECT_EQ(*find_property(m.meta.properties, "TEMP"), "295.5");
    EXPECT_EQ(m.scans[0].two_theta, (std::vector<double>{10.0, 10.5}));
    EXPECT_EQ(m.scans[0].counts, (std::vector<double>{200, 400}));  // INTER's y factor
    EXPECT_EQ(m.scans[0].sigma, (std::vector<double>{20, 29}));
    const Measurement mixed = Read("XYDATA\n!\n!\n!\n!\n!\n1 2 3\n2 3\n");
    EXPECT_TRUE(mixed.scans[0].sigma.empty());
    EXPECT_EQ(mixed.warnings.at(0), "sigma is given for only 1 of 2 points; no point keeps one");
    EXPECT_EQ(ErrorOf("XYDATA\n!\n!\n!\n!\n!\n1 2 3\n2\n"),
              "t: line 8: a point line holds two-theta, intensity and optionally sigma");
}

TEST(PeerFormats, StepFilesOfTheRefinementPrograms) {
    // FullProf free format: range line with a title; values ten to a line.
    const Measurement fp = Read("10.0 0.5 12.0 My title\n 1 2 3 4\n 5\n");
    EXPECT_EQ(fp.meta.format_code, 26);
    EXPECT_EQ(fp.meta.sample, "My title");
    EXPECT_EQ(fp.scans[0].two_theta.back(), 12.0);
    EXPECT_EQ(fp.scans[0].counts, (std::vector<double>{1, 2, 3, 4, 5}));
    // Twice as many values: the second half are the standard deviations.
    const Measurement twice = Read("10.0 0.5 11.0 t\n 1 2 3\n 0.5 0.25 0.125\n");
    EXPECT_EQ(twice.scans[0].sigma, (std::vector<double>{0.5, 0.25, 0.125}));
    const Measurement fewer = Read("10.0 0.5 12.0 t\n 1 2 3\n");
    EXPECT_EQ(fewer.scans[0].size(), 3u);
    EXPECT_EQ(fewer.warnings.at(0), "the data end after 3 of the 5 points the range line gives");
    EXPECT_EQ(ErrorOf("10.0 0.5 12.0 t\n 1 2 3\n 4 five\n", 26), "t: line 3: \"five\" is not a number");

    // DBWS: three 8-column fields, F8.2 ("     .08").
    const Measurement dbws = Read("    4.00     .08    4.16SI3N4\n     100     200     300\n");
    EXPECT_EQ(dbws.meta.format_code, 29);
    EXPECT_EQ(dbws.meta.sample, "SI3N4");
    EXPECT_EQ(dbws.scans[0].two_theta, (std::vector<double>{4.0, 4.08, 4.0 + 2 * 0.08}));

    // XDD: comments first, over several lines; errors count lines from the start of the file.
    const std::string xdd = "/* XFIT data\n   second line */\n/* more */\n20 0.02 20.06 1.0 295\n 5 6 7 8\n";
    EXPECT_EQ(Detected(xdd), 27);
    const Measurement x = Read(xdd);
    EXPECT_EQ(x.meta.comments, "XFIT data\n   second line\nmore");
    EXPECT_EQ(x.scans[0].counts, (std::vector<double>{5, 6, 7, 8}));
    EXPECT_EQ(*find_property(x.meta.properties, "range line settings"), "1.0 295");
    EXPECT_EQ(ErrorOf("/* c\n */\n20 0.02 20.06\n 5 6 z\n", 27), "t: line 4: \"z\" is not a number");
    EXPECT_EQ(ErrorOf("/* never closed\n20 0.02 20.06\n", 27), "t: byte 0: a comment opened with /* does not end");

    // RIET7 and the ILL files: title lines, a count line, the range line.
    const std::string ill = "TITLE\n  Ident: 1\n     4  -1.0  100.0\n   1.0  0.5  2.5\n  7 8 9 10\n 1 2 3 4\n";
    EXPECT_EQ(Detected(ill), 28);
    const Measurement r = Read(ill);
    EXPECT_EQ(r.meta.sample, "TITLE");
    EXPECT_EQ(r.meta.comments, "Ident: 1");
    EXPECT_EQ(*find_property(r.meta.properties, "count line"), "4  -1.0  100.0");
    EXPECT_EQ(r.scans[0].counts, (std::vector<double>{7, 8, 9, 10}));
    EXPECT_EQ(r.scans[0].sigma, (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(Read("LHPM title\n10 0.1 10.3\n1 2 3 4\n").meta.format_code, 28);
}

TEST(PeerFormats, ColumnsOfTextAreNotTakenForStepFiles) {
    // x, y, error columns whose first line happens to look like a range (5 + 190 * 0.5 = 100): plain columns, not
    // a FullProf, DBWS or RIET7 file.
    for (const std::string& text :
         {std::string("5.00 0.50 100.00\n5.02 0.70 101.00\n5.04 0.80 99.00\n"),
          std::string("    5.00    0.50  100.00\n    5.02    0.70  101.00\n    5.04    0.80   99.00\n"),
          std::string("two-theta counts error\n5.00 0.50 100.00\n5.02 0.70 101.00\n5.04 0.80 99.00\n"),
          std::string("5.00 0.50 100.00 7\n5.02 0.70 101.00 7\n"), std::string("10 100\n10.02 120\n")}) {
        const int code = Detected(text);
        EXPECT_TRUE(code < 21 || code > 30) << text << " detected as " << code;
    }
}

TEST(PeerFormats, PowderCifBlocksAndUncertainties) {
    const std::string cif =
        "data_first\n_pd_meas_2theta_range_min 10.0\n_pd_meas_2theta_range_max 10.2\n"
        "_pd_meas_2theta_range_inc 0.1\n_diffrn_source_target Co\n_pd_spec_description 'sample one'\n"
        "_pd_meas_datetime_initiated 2021-06-01T08:00:00\n"
        "loop_\n_diffrn_radiation_wavelength\n_diffrn_radiation_wavelength_wt\n1.789 1.0\n1.793 0.5\n"
        "loop_\n_pd_meas_counts_total\n_pd_proc_ls_weight\n100(10) 0.01\n 12.5(3) 1\n 7.25e2(12) 1\n"
        "data_structure\n_cell_length_a 5.43\n"
        "data_second # a comment\n_pd_proc_info_data_reduction\n;\nstripped\n;\n"
        "loop_\n_pd_meas_angle_2theta\n_pd_meas_intensity_total\n20.0 1.5\n20.1 ?\n20.2 2.5\n";
    EXPECT_EQ(Detected(cif), 24);
    const Measurement m = Read(cif);
    EXPECT_EQ(m.meta.sample, "sample one");
    EXPECT_EQ(m.meta.anode, "Co");
    EXPECT_EQ(m.meta.wavelength, 1.789);
    EXPECT_EQ(m.meta.ka2_ratio, 0.5);
    EXPECT_EQ(FormatDate(*m.meta.date.value), "2021-06-01 08:00:00");
    ASSERT_EQ(m.scans.size(), 2u);  // the structure block holds no pattern
    EXPECT_EQ(m.scans[0].two_theta, (std::vector<double>{10.0, 10.1, 10.0 + 2 * 0.1}));
    EXPECT_EQ(m.scans[0].counts, (std::vector<double>{100, 12.5, 725}));
    EXPECT_EQ(m.scans[0].sigma, (std::vector<double>{10, 0.3, 12}));
    EXPECT_EQ(m.scans[1].two_theta, (std::vector<double>{20.0, 20.2}));
    EXPECT_TRUE(m.scans[1].sigma.empty());
    EXPECT_EQ(m.warnings, (std::vector<std::string>{"block second: 1 rows without a known position or intensity are "
                                                    "left out"}));
    EXPECT_EQ(ErrorOf("data_a\n_pd_x ;\nloop_\n_pd_meas_counts_total\n1\n;\nnever closed\n"),
              "t: line 6: a text field opened with ';' does not end");
    EXPECT_EQ(ErrorOf("data_a\nloop_\n_pd_meas_angle_2theta\n_pd_meas_counts_total\n1 2\n3\n"),
              "t: line 2: the loop's 3 values do not fill rows of 2");
    EXPECT_EQ(ErrorOf("data_a\nloop_\n_pd_meas_time_of_flight\n_pd_meas_counts_total\n1000 2\n"),
              "t: line 2: block a gives its positions as _pd_meas_time_of_flight, not two-theta");
    EXPECT_EQ(ErrorOf("data_a\nloop_\n_pd_meas_angle_2theta\n_pd_meas_counts_total\n1 2x\n"),
              "t: line 5: \"2x\" is not an intensity");
}

TEST(PeerFormats, CsvAndTsvWithHeaderRows) {
    // What the tool's CSV writer gives.
    const Measurement csv = Read("two_theta,intensity,error\n20,695,26.362852652928137\n20.02,705,nan\n");
    EXPECT_EQ(csv.meta.format_code, 30);
    EXPECT_EQ(csv.scans[0].two_theta, (std::vector<double>{20, 20.02}));
    EXPECT_EQ(csv.scans[0].sigma[0], 26.362852652928137);
    EXPECT_TRUE(std::isnan(csv.scans[0].sigma[1]));
    EXPECT_EQ(*find_property(csv.scans[0].properties, "column 2"), "intensity");
    const Measurement tsv = Read("\"2theta, deg\"\t\"counts \"\"raw\"\"\"\tbackground\n1.5\t10\t3\n");
    EXPECT_EQ(*find_property(tsv.scans[0].properties, "column 1"), "2theta, deg");
    EXPECT_EQ(*find_property(tsv.scans[0].properties, "column 2"), "counts \"raw\"");
    EXPECT_TRUE(tsv.scans[0].sigma.empty());
    EXPECT_EQ(tsv.warnings.at(0), "the columns background are not read");
    const Measurement semi = Read("x;y\n1,5;2,25\n");
    EXPECT_EQ(semi.scans[0].two_theta[0], 1.5);
    EXPECT_EQ(semi.scans[0].counts[0], 2.25);
    EXPECT_EQ(ErrorOf("x,y\n1,2\n3\n"), "t: line 3: the row holds 1 fields where the header names 2");
    EXPECT_EQ(ErrorOf("x,y\n1,2\nnan,3\n"), "t: line 3: \"nan\" is not a two-theta value");
}
