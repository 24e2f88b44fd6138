// The tolerant x-y(-sigma) text reader: headers, comments and blocks, blank lines and separators of every kind,
// a third column as sigma, the rows' errors with their line, detection that leaves other files alone, and the
// real exports.
#include <string>

#include <gtest/gtest.h>

#include "support/support.h"
#include "format_test.h"
#include "xrddata/formats/read.h"

using namespace xrddata::formats;

namespace {

constexpr int kTolerant = 17;

ReadError ErrorOf(const std::string& text) { return formats_test::ReadErrorOf(text, "t.xy", kTolerant); }

Measurement Read(const std::string& text) { return read_bytes(AsBytes(text), "t.xy", kTolerant); }

const FormatInfo* Detected(const std::string& text) { return detect(AsBytes(text)); }
// Whether tolerant text is the format detection settles on (the plain text format, tried before it, takes every
// file whose line 1 starts with two numbers).
bool TakenByTolerant(const std::string& text) {
    const FormatInfo* f = Detected(text);
    return f && f->code == kTolerant;
}

}  // namespace

TEST(TolerantText, ReadsColumnsAmongHeadersCommentsAndBlankLines) {
    const std::string text =
        "/* instrument export\r\n"
        "# Calibrated wavelength = 0.414581\r\n"
        "# */\r\n"
        "Sample quartz\r\n"
        "\r\n"
        "2theta  counts  esd\r\n"
        "! a comment\r\n"
        "10.00\t100\t10\r\n"
        "10.02, 121, 11\r\n"
        "\r\n"
        "; between rows\r\n"
        "10.04;144;12\r\n"
        "  10.06   169.5 \t 13  \r\n"
        "/* a block */\r\n"
        "1.008e1 ,196 ,14\r\n"
        "\r\n\r\n   \r\n";
    ASSERT_TRUE(Detected(text));
    EXPECT_EQ(Detected(text)->code, kTolerant);
    const Measurement m = read_bytes(AsBytes(text), "t.xy");
    EXPECT_EQ(m.meta.format, "TolerantText");
    ASSERT_EQ(m.scans.size(), 1u);
    const Scan& s = m.scans[0];
    EXPECT_EQ(s.two_theta, (std::vector<double>{10.0, 10.02, 10.04, 10.06, 10.08}));
    EXPECT_EQ(s.counts, (std::vector<double>{100, 121, 144, 169.5, 196}));
    EXPECT_EQ(s.sigma, (std::vector<double>{10, 11, 12, 13, 14}));
    EXPECT_EQ(m.meta.comments,
              "instrument export\nCalibrated wavelength = 0.414581\nSample quartz\n2theta  counts  esd\na comment");
    EXPECT_EQ(*find_property(m.meta.properties, "Calibrated wavelength"), "0.414581");
    EXPECT_TRUE(m.warnings.empty());

    // LF and lone CR line ends read the same; a DOS end-of-file byte ends the text.
    std::string lf = text, cr = text;
    for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
    for (std::size_t at; (at = cr.find("\r\n")) != std::string::npos;) cr.erase(at + 1, 1);
    EXPECT_EQ(Read(lf).scans[0].counts, s.counts);
    EXPECT_EQ(Read(cr).scans[0].counts, s.counts);
    EXPECT_EQ(Read(lf + "\x1a\x00garbage").scans[0].size(), 5u);
}

TEST(TolerantText, NumbersAboveTheColumnsAreHeader) {
    // A lone wavelength, then a date written in numbers above two columns: both header.
    const Measurement m = Read("1.78897\n2024 05 01\n7.00\t3690\n7.02\t3611\n");
    EXPECT_EQ(m.scans[0].two_theta, (std::vector<double>{7.0, 7.02}));
    EXPECT_FALSE(m.scans[0].sigma.size());
    EXPECT_EQ(m.meta.comments, "1.78897\n2024 05 01");
    // A single row is a file of one point; more than three values: x and y, with a warning.
    EXPECT_EQ(Read("5 6\n").scans[0].counts, (std::vector<double>{6}));
    const Measurement wide = Read("1 2 3 4\n2 3 4 5\n");
    EXPECT_EQ(wide.scans[0].counts, (std::vector<double>{2, 3}));
    EXPECT_TRUE(wide.scans[0].sigma.empty());
    EXPECT_EQ(wide.warnings.size(), 1u);
}

TEST(TolerantText, RowsThatBreakTheColumnsFailWithTheirLine) {
    ReadError e = ErrorOf("title\n1 2\n3 4\n5\n");
    EXPECT_EQ(e.problem(), Problem::malformed);
    EXPECT_EQ(*e.line(), 4u);
    e = ErrorOf("1 2 0.5\n3 4 0.5\n5 6\n");
    EXPECT_EQ(*e.line(), 3u);
    e = ErrorOf("1 2\n3 4\nEND of data\n5 6\n");
    EXPECT_EQ(*e.line(), 3u);
    EXPECT_NE(std::string(e.what()).find("t.xy"), std::string::npos);
    e = ErrorOf("1 2\n3 4\n5 nan\n");  // not a number: text between rows
    EXPECT_EQ(*e.line(), 3u);
    // Decimal commas: splitting "0,29" at its comma would make two values of each; refused, not misread.
    for (const char* text : {"41110,0001736 0,29\n41110,5 0,31\n", "10,0;100;1,5\n10,5;121;1,6\n"}) {
        e = ErrorOf(text);
        EXPECT_EQ(e.problem(), Problem::malformed) << text;
        EXPECT_EQ(*e.line(), 1u) << text;
        EXPECT_FALSE(Detected(text)) << text;
    }
    EXPECT_EQ(Read("10.0,100,10\n10.5,121,11\n").scans[0].sigma, (std::vector<double>{10, 11}));
    EXPECT_EQ(ErrorOf("only a title\n\n# and a comment\n").problem(), Problem::no_data);
    EXPECT_EQ(ErrorOf("").problem(), Problem::no_data);
    EXPECT_EQ(ErrorOf("/* never closed\n1 2\n3 4\n").problem(), Problem::no_data);
}

TEST(TolerantText, DetectionLeavesOtherFilesAlone) {
    EXPECT_FALSE(Detected("just some prose\nwith words\n"));
    EXPECT_FALSE(TakenByTolerant(std::string("1 2\n3 4\n\0\0binary", 16)));  // a zero byte
    EXPECT_FALSE(TakenByTolerant("1 2\n3 4\nnot numbers\n"));                   // as the reader would fail
    EXPECT_FALSE(TakenByTolerant("1 2\n3 4\n5 6 7\n"));
    // A large file whose columns end in a line of another kind (a keyed format's closing "/").
    std::string big = "RawScan\n";
    while (big.size() < 100000) big += "66, 56, 45, 50, 61, 70, 58, 49,\n";
    EXPECT_EQ(Detected(big)->code, kTolerant);
    EXPECT_FALSE(Detected(big + "66, 56, 45, 50,/\n"));
}

// Files whose line 1 starts with two numbers go to plain text first; what its strict rules refuse, the tolerant
// reader takes when the format is recognised by content. Asked for by its code, plain text still refuses it.
TEST(TolerantText, TakesWhatPlainTextRefuses) {
    const std::string text = "20 100\n20.5 110\n# detector moved\n21 120\n\n";
    const Measurement m = read_bytes(AsBytes(text), "mixed.xy");
    EXPECT_EQ(m.meta.format_code, kTolerant);
    ASSERT_EQ(m.scans.size(), 1u);
    EXPECT_EQ(m.scans[0].counts, (std::vector<double>{100, 110, 120}));
    EXPECT_THROW(read_bytes(AsBytes(text), "mixed.xy", 1), ReadError);
}

TEST(TolerantText, RealFiles) {
    XRD_REQUIRE_SAMPLES();
    const std::string dir = testing_support::SamplesDir() + "/xy/";
    struct Expected {
        const char* file;
        std::size_t points;
        bool sigma;
        double first_x, last_x;
    };
    const Expected files[] = {
        {"xy_text.txt", 4001, false, 20.0, 100.0},         {"with_sigma.txt", 3, true, 20.0, 20.04},
        {"nacl01.dat", 840, false, 19.9143, 52.3751},      {"qtzquin.asc", 301, false, 67.0, 70.0},
        {"corklz20.asc", 2501, false, 10.0, 60.0},         {"Tutorial_4.xye", 2701, true, 7.0, 61.0},
        {"Tutorial_04.xye", 2701, false, 7.0, 61.0},       {"example_bmb.xye", 575, true, 0.5, 1.073103125},
        {"example_evadiffract.xy", 28, false, 5.0001, 5.2743},
    };
    for (const Expected& x : files) {
        const std::string bytes = formats_test::Slurp(dir + x.file);
        for (const Measurement& m : {read_file(dir + x.file, kTolerant), read_bytes(AsBytes(bytes), x.file, kTolerant)}) {
            ASSERT_EQ(m.scans.size(), 1u) << x.file;
            const Scan& s = m.scans[0];
            EXPECT_EQ(s.size(), x.points) << x.file;
            EXPECT_EQ(s.sigma.size(), x.sigma ? x.points : 0u) << x.file;
            EXPECT_EQ(s.two_theta.front(), x.first_x) << x.file;
            EXPECT_EQ(s.two_theta.back(), x.last_x) << x.file;
            EXPECT_TRUE(m.warnings.empty()) << x.file;
        }
        // Every cut of the small files (of the larger ones, every cut in the header and the first rows).
        if (bytes.size() <= 8192) {
            EXPECT_GT(formats_test::ReadPrefixes(bytes, kTolerant), 0u) << x.file;
        } else {
            for (std::size_t n = 0; n < 2048; ++n) {
                try {
                    Read(bytes.substr(0, n));
                } catch (const ReadError& e) {
                    // Nothing read yet, or a last row cut inside its values.
                    EXPECT_TRUE(e.problem() == Problem::no_data || e.line()) << x.file << " " << n;
                }
            }
        }
    }
    // The headers other text formats refuse are found by detection: a "/*" block, a quoted title, a wavelength.
    for (const char* file : {"example_bmb.xye", "example_evadiffract.xy", "Tutorial_04.xye"})
        EXPECT_EQ(read_file(dir + file).meta.format_code, kTolerant) << file;
    const Measurement bmb = read_file(dir + "example_bmb.xye");
    EXPECT_EQ(*find_property(bmb.meta.properties, "User sample name"), "eel69B");
    EXPECT_EQ(*bmb.scans[0].step_time, 0.1);
    EXPECT_EQ(read_file(dir + "Tutorial_04.xye").meta.comments, "1.78897");
    const Measurement eva = read_file(dir + "example_evadiffract.xy");
    EXPECT_EQ(eva.meta.anode, "Cu");
    EXPECT_EQ(*eva.scans[0].step_time, 96.0);
    EXPECT_EQ(eva.scans[0].axis, "Coupled TwoTheta/Theta");
}
