// The writers of the refinement programs' formats: each output reads back through the format's reader to the same
// doubles, carries the metadata it has room for, and is read by the peer library xylib where it reads the kind.
#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "support/support.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/decimal.h"
#include "xrddata/formats/read.h"
#include "xrddata/formats/writer.h"

using namespace xrddata::formats;

namespace {

Bytes B(const std::string& s) { return {reinterpret_cast<const std::byte*>(s.data()), s.size()}; }

struct Columns {
    std::vector<double> x, y, e;
    Points points(bool errors = true) const { return Points{x, y, errors ? std::span<const double>(e) : std::span<const double>()}; }
};

// Positions on a computed step (not short decimals), intensities with and without fractions, irrational errors.
Columns Pattern(std::size_t n, bool whole) {
    Columns c;
    for (std::size_t i = 0; i < n; ++i) {
        c.x.push_back(5.0 + static_cast<double>(i) * 0.0131303);
        c.y.push_back(whole ? std::floor(1000 + 900 * std::sin(0.1 * i)) : 1000.0 / 3.0 + i * 0.7);
        c.e.push_back(std::sqrt(c.y.back()) * (1 + 1e-3 * i));
    }
    c.x.push_back(-0.000123);  // a negative position and a tiny error
    c.y.push_back(0);
    c.e.push_back(1.5e-7);
    return c;
}

std::string Write(const char* writer, const Points& p, const WriteContext& context = {}) {
    const WriterInfo* w = find_writer(writer);
    EXPECT_NE(w, nullptr) << writer;
    StringSink sink;
    w->write(sink, p, context);
    return sink.text;
}

}  // namespace

TEST(PeerWriters, ChosenByNameOrExtension) {
    EXPECT_STREQ(find_writer(".fxye")->name.data(), "fxye");
    EXPECT_STREQ(find_writer("DAT")->name.data(), "fullprof");
    EXPECT_STREQ(find_writer("cif")->name.data(), "cif");
    EXPECT_STREQ(find_writer(".tab")->name.data(), "tsv");
}

TEST(PeerWriters, EachReadsBackToTheSameDoubles) {
    const struct {
        const char* writer;
        int code;
        bool whole;
    } cases[] = {{"fxye", 25, false}, {"fullprof", 26, false}, {"cif", 24, true}, {"cif", 24, false}, {"tsv", 30, false}};
    for (const auto& c : cases) {
        const Columns p = Pattern(500, c.whole);
        for (bool errors : {true, false}) {
            const std::string text = Write(c.writer, p.points(errors));
            const Measurement m = read_bytes(B(text), c.writer);
            EXPECT_EQ(m.meta.format_code, c.code) << c.writer;
            ASSERT_EQ(m.scans.size(), 1u);
            EXPECT_EQ(m.scans[0].two_theta, p.x) << c.writer;
            EXPECT_EQ(m.scans[0].counts, p.y) << c.writer;
            if (errors) {
                EXPECT_EQ(m.scans[0].sigma, p.e) << c.writer;
            } else if (std::string(c.writer) == "fxye") {
                EXPECT_EQ(m.scans[0].sigma.at(0), std::sqrt(p.y[0]));  // FXYE always has a deviation column
            } else {
                EXPECT_TRUE(m.scans[0].sigma.empty()) << c.writer;
            }
            EXPECT_TRUE(m.warnings.empty()) << c.writer << ": " << m.warnings.at(0);
        }
    }
}

// A file larger than the writers' 64 KiB buffer is handed over in several pieces, none much larger than the
// buffer, that together read back to every point: no line lost or written twice where a piece ends.
TEST(PeerWriters, LargeFilesGoOutInPiecesThatReadBackWhole) {
    struct PieceSink : Sink {
        void write(std::string_view bytes) override {
            if (!bytes.empty()) pieces.emplace_back(bytes);
        }
        std::vector<std::string> pieces;
    };
    const Columns p = Pattern(6000, false);
    const struct {
        const char* writer;
        int code;
    } cases[] = {{"fxye", 25}, {"fullprof", 26}, {"cif", 24}, {"tsv", 30}};
    for (const auto& c : cases) {
        PieceSink sink;
        find_writer(c.writer)->write(sink, p.points(), {});
        EXPECT_GE(sink.pieces.size(), 3u) << c.writer;
        std::string text;
        for (const std::string& piece : sink.pieces) {
            EXPECT_LE(piece.size(), (1u << 16) + 256) << c.writer;
            text += piece;
        }
        EXPECT_EQ(text, Write(c.writer, p.points())) << c.writer;
        const Measurement m = read_bytes(B(text), c.writer);
        EXPECT_EQ(m.meta.format_code, c.code) << c.writer;
        ASSERT_EQ(m.scans.size(), 1u) << c.writer;
        EXPECT_EQ(m.scans[0].two_theta, p.x) << c.writer;
        EXPECT_EQ(m.scans[0].counts, p.y) << c.writer;
        EXPECT_EQ(m.scans[0].sigma, p.e) << c.writer;
    }
}

TEST(PeerWriters, MetadataTheFormatsHaveRoomFor) {
    Metadata meta;
    meta.sample = "Corundum 'NIST' 676";
    meta.anode = "Cu";
    meta.wavelength = 1.5406;
    meta.ka2_wavelength = 1.54439;
    meta.ka2_ratio = 0.5;
    meta.date.value = ParseDate("2024-02-03T04:05:06");
    WriteContext context;
    context.meta = &meta;
    context.source = "scan.raw";
    context.processing = {"K-alpha2 stripped", "background subtracted"};
    const Columns p = Pattern(3, false);

    const Measurement cif = read_bytes(B(Write("cif", p.points(), context)));
    EXPECT_EQ(cif.meta.sample, meta.sample);
    EXPECT_EQ(cif.meta.anode, "Cu");
    EXPECT_EQ(cif.meta.wavelength, 1.5406);
    EXPECT_EQ(cif.meta.ka2_wavelength, 1.54439);
    EXPECT_EQ(cif.meta.ka2_ratio, 0.5);
    EXPECT_EQ(FormatDate(*cif.meta.date.value), "2024-02-03 04:05:06");
    EXPECT_EQ(cif.meta.comments, "K-alpha2 stripped\nbackground subtracted");
    EXPECT_EQ(*find_property(cif.scans[0].properties, "intensity"), "_pd_proc_intensity_net");

    const std::string fp = Write("fullprof", p.points(), context);
    EXPECT_EQ(fp.substr(0, fp.find("\n! 2theta")),
              "XYDATA\n! Corundum 'NIST' 676\n! Source: scan.raw\n! Radiation: Cu lambda1 1.5406 lambda2 1.54439\n"
              "! Processing: K-alpha2 stripped, background subtracted");
    EXPECT_EQ(read_bytes(B(fp)).scans[0].counts, p.y);

    const std::string fxye = Write("fxye", p.points(), context);
    EXPECT_EQ(fxye.substr(0, fxye.find('\n', fxye.find('\n') + 1)),
              "Corundum 'NIST' 676\nBANK 1 4 4 CONST 500 " + ScaledText((p.x[3] - p.x[0]) / 3, 2) + " 0 0 FXYE");
    EXPECT_EQ(read_bytes(B(fxye)).meta.sample, meta.sample);

    // Values these kinds cannot hold are refused, not written.
    Columns bad = Pattern(2, false);
    bad.y[1] = NAN;
    for (const char* w : {"fxye", "fullprof", "cif"}) EXPECT_THROW(Write(w, bad.points()), std::runtime_error) << w;
    EXPECT_NO_THROW(Write("tsv", bad.points()));  // TSV writes "nan" as the CSV writer does
}

TEST(PeerWriters, DecimalScalingIsExact) {
    EXPECT_EQ(ScaledText(20.02, 2), "2002");
    EXPECT_EQ(ScaledText(15.0066, 2), "1500.66");
    EXPECT_EQ(ScaledText(1.5e-5, 2), "0.0015");
    EXPECT_EQ(ScaledText(-0.5, 0), "-0.5");
    EXPECT_EQ(ScaledText(1e21, -2), "10000000000000000000");
    EXPECT_EQ(ScaledText(0.0, 2), "0");
    double v;
    ASSERT_TRUE(ParseScaled("2002", -2, v));
    EXPECT_EQ(v, 20.02);
    ASSERT_TRUE(ParseScaled(" 1.5e3 ", -2, v));
    EXPECT_EQ(v, 15.0);
    EXPECT_FALSE(ParseScaled("1.5x", -2, v));
    // Degrees to centidegrees and back, on many doubles that are not short decimals.
    for (int i = 0; i < 20000; ++i) {
        const double x = -10.0 + i * 0.0131303 + i * 1e-9;
        ASSERT_TRUE(ParseScaled(ScaledText(x, 2), -2, v));
        ASSERT_EQ(v, x) << ScaledText(x, 2);
    }
    ASSERT_TRUE(ParseFortranField("  1234", 2, v));
    EXPECT_EQ(v, 12.34);
    ASSERT_TRUE(ParseFortranField(" 12.5 ", 2, v));
    EXPECT_EQ(v, 12.5);
    ASSERT_TRUE(ParseFortranField("      ", 2, v));
    EXPECT_EQ(v, 0.0);
    EXPECT_FALSE(ParseFortranField(" 1 2  ", 0, v));
}

TEST(PeerWriters, XylibReadsTheCifAndTsvOutput) {
    if (access("/usr/bin/xyconv", X_OK) != 0) GTEST_SKIP() << "no xyconv";
    testing_support::TempDir dir;
    const Columns p = Pattern(200, true);
    const struct {
        const char* writer;
        const char* file;
        const char* type;
    } cases[] = {{"cif", "p.cif", "pdcif"}, {"tsv", "p.tsv", "csv"}};
    for (const auto& c : cases) {
        testing_support::WriteFile(dir.file(c.file), Write(c.writer, p.points()));
        const std::string command = "xyconv -s -t " + std::string(c.type) + " " + dir.file(c.file) + " - 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::vector<std::pair<double, double>> rows;
        char line[512];
        while (fgets(line, sizeof line, pipe)) {
            double x, y;
            if (line[0] != '#' && std::sscanf(line, "%lf %lf", &x, &y) == 2) rows.emplace_back(x, y);
        }
        pclose(pipe);
        ASSERT_EQ(rows.size(), p.x.size()) << c.writer;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            ASSERT_NEAR(rows[i].first, p.x[i], 1e-6) << c.writer << " " << i;  // xyconv prints six decimals
            ASSERT_NEAR(rows[i].second, p.y[i], 1e-6) << c.writer << " " << i;
        }
    }
}
