// The Bruker RAW version 4 reader: several ranges with their own extra records and point sizes, the tube and
// named-value segments, ranges cut short, records whose lengths cannot be right, and the real files.
#include <algorithm>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "support/bruker_raw_writer.h"
#include "support/support.h"
#include "format_test.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/read.h"

using namespace xrddata::formats;
using testing_support::RawV4File;
using testing_support::RawV4NamedValue;
using testing_support::RawV4Range;
using testing_support::RawV4Record;
using testing_support::WriteRawV4;

namespace {

constexpr int kRawV4 = 12;

const auto Range = testing_support::RangeAt<RawV4Range>;

RawV4File File(std::vector<RawV4Range> ranges) {
    RawV4File f;
    f.ranges = std::move(ranges);
    return f;
}

ReadError ErrorOf(const std::string& bytes) { return formats_test::ReadErrorOf(bytes, "t.raw", kRawV4); }

// The offset of the first range header in a file written by WriteRawV4.
std::size_t FirstRange(const std::string& bytes) {
    return 61 + (static_cast<unsigned char>(bytes[56]) | static_cast<unsigned char>(bytes[57]) << 8);
}

}  // namespace

TEST(RawV4, ReadsEveryRangeWithItsRecordsAndTheMetadata) {
    RawV4File f = File({Range(10.0, {557, 602, 625}), Range(40.0, {1.5f, -2.25f})});
    // The value is not zero-terminated: it runs to the end of its record.
    f.segments.push_back(RawV4NamedValue("SITE", "Germany"));
    RawV4Range& b = f.ranges[1];
    b.datum = 8;  // value and status word
    b.step = 0.5;
    b.step_time = 310.003f;
    b.extra.push_back(RawV4NamedValue("PSD_DISCRIM", "0.11;0.25", 8));
    b.extra.push_back(RawV4NamedValue("OPTICS_V5", std::string(700, 'A')));
    b.extra.push_back({40, std::string(4, '\0') + "LynxEye" + std::string(120, '\0')});
    b.extra.push_back({110, std::string(24, '\x7f')});  // unknown: skipped by its length
    const std::string bytes = WriteRawV4(f);
    const Measurement m = formats_test::ReadDetected(bytes, "t.raw", kRawV4);
    EXPECT_EQ(m.meta.format, "RawV4");
    EXPECT_EQ(m.meta.sample, "TiO2");
    EXPECT_EQ(m.meta.comments, "a comment");
    EXPECT_EQ(*m.meta.date.text, "07/11/2018 15:55:31");
    EXPECT_EQ(FormatDate(*m.meta.date.value), "2018-07-11 15:55:31");  // month first
    formats_test::ExpectRadiation(m.meta, {"Cu", 1.5406, 1.54439, std::nullopt, 0.5});
    EXPECT_TRUE(*m.meta.ka2_present);
    EXPECT_EQ(*find_property(m.meta.properties, "CREATOR"), "writer");
    EXPECT_EQ(*find_property(m.meta.properties, "SITE"), "Germany");
    EXPECT_FALSE(find_property(m.meta.properties, "USER"));  // empty
    ASSERT_EQ(m.scans.size(), 2u);
    const Scan& a = m.scans[0];
    EXPECT_EQ(a.counts, (std::vector<double>{557, 602, 625}));
    EXPECT_EQ(a.two_theta, (std::vector<double>{10.0, 10.02, 10.0 + 2 * 0.02}));
    EXPECT_EQ(a.axis, "Locked Coupled");
    EXPECT_EQ(*a.step_time, 76.8f);
    EXPECT_EQ(*find_property(a.properties, "2Theta start"), "10");
    const Scan& s = m.scans[1];
    EXPECT_EQ(s.counts, (std::vector<double>{1.5, -2.25}));  // the status words are not values
    EXPECT_EQ(s.two_theta, (std::vector<double>{40.0, 40.5}));
    EXPECT_EQ(*find_property(s.properties, "PSD_DISCRIM"), "0.11;0.25");
    EXPECT_EQ(*find_property(s.properties, "OPTICS_V5"), "(700 bytes, not kept)");
    EXPECT_EQ(*find_property(s.properties, "detector"), "LynxEye");
    EXPECT_TRUE(m.warnings.empty()) << m.warnings[0];
}

TEST(RawV4, RangesCutShortOrOddKeepWhatCanBeRead) {
    // The second range ends inside its points: the whole points before the cut, and a warning.
    std::string bytes = WriteRawV4(File({Range(10.0, {1, 2}), Range(20.0, {3, 4, 5, 6})}));
    bytes.resize(bytes.size() - 7);
    Measurement m = read_bytes(AsBytes(bytes), "t.raw");
    ASSERT_EQ(m.scans.size(), 2u);
    EXPECT_EQ(m.scans[1].counts, (std::vector<double>{3, 4}));
    ASSERT_EQ(m.warnings.size(), 1u);
    EXPECT_NE(m.warnings[0].find("range 2 ends after 2 of its 4 points"), std::string::npos);

    // Four billion steps declared in a small file: only the points present are read (and allocated).
    RawV4Range huge = Range(10.0, {7, 8, 9});
    huge.steps = 0xFFFFFFFFu;
    m = read_bytes(AsBytes(WriteRawV4(File({huge}))), "t.raw");
    EXPECT_EQ(m.scans[0].counts, (std::vector<double>{7, 8, 9}));

    // A range of 12-byte points is skipped with its bytes; the range after it is read.
    RawV4Range odd = Range(10.0, {1, 2, 3});
    odd.datum = 12;
    const std::string skipped = WriteRawV4(File({Range(5.0, {1}), odd, Range(30.0, {4})}));
    m = read_bytes(AsBytes(skipped), "t.raw");
    ASSERT_EQ(m.scans.size(), 2u);
    EXPECT_EQ(m.scans[1].counts, (std::vector<double>{4}));
    ASSERT_EQ(m.warnings.size(), 1u);
    EXPECT_NE(m.warnings[0].find("12 bytes"), std::string::npos);

    // Extra records that do not fill their declared length: the length still places the points.
    RawV4Range loose = Range(10.0, {1, 2});
    loose.extra.push_back({50, std::string(8, '\0')});
    loose.extra_length = 2 * 92 + 16 + 4;
    std::string padded = WriteRawV4(File({loose}));
    padded.insert(padded.size() - 8, 4, '\0');
    m = read_bytes(AsBytes(padded), "t.raw");
    EXPECT_EQ(m.scans[0].counts, (std::vector<double>{1, 2}));
    EXPECT_EQ(m.warnings.size(), 1u);

    // A later range header cut short, and bytes after the last range that start no range.
    std::string cut = WriteRawV4(File({Range(10.0, {1}), Range(20.0, {2})}));
    cut.resize(cut.size() - 4 - 184 - 100);
    m = read_bytes(AsBytes(cut), "t.raw");
    EXPECT_EQ(m.scans.size(), 1u);
    EXPECT_EQ(m.warnings.size(), 1u);
    m = read_bytes(AsBytes(WriteRawV4(File({Range(10.0, {1})})) + "\x07junk"), "t.raw");
    EXPECT_EQ(m.warnings.size(), 1u);
}

TEST(RawV4, RefusesLengthsAndHeadersThatCannotBeRight) {
    EXPECT_EQ(ErrorOf("RAW4.00").problem(), Problem::inconsistent);  // no 61-byte header
    const std::string good = WriteRawV4(File({Range(10.0, {1, 2})}));
    // A segment length below its own 8 bytes (a reader trusting it would loop forever), or past the end.
    for (std::uint32_t length : {0u, 7u, 1u << 30}) {
        std::string bytes = good;
        for (int k = 0; k < 4; ++k) bytes[65 + k] = static_cast<char>(length >> (8 * k));
        const ReadError e = ErrorOf(bytes);
        EXPECT_EQ(e.problem(), Problem::inconsistent) << length;
        EXPECT_EQ(*e.offset(), 61u);
    }
    // The first range: its header cut, its extra records longer than the file, a step that is no step.
    const std::size_t range = FirstRange(good);
    EXPECT_EQ(ErrorOf(good.substr(0, range + 100)).problem(), Problem::inconsistent);
    std::string bytes = good;
    bytes[range + 143] = '\x7f';
    EXPECT_EQ(ErrorOf(bytes).problem(), Problem::inconsistent);
    RawV4Range flat = Range(10.0, {1});
    flat.step = 0;
    EXPECT_EQ(ErrorOf(WriteRawV4(File({flat}))).problem(), Problem::malformed);
    // Segments only: no range.
    EXPECT_EQ(ErrorOf(good.substr(0, range)).problem(), Problem::no_data);
}

TEST(RawV4, RealFiles) {
    XRD_REQUIRE_SAMPLES();
    const std::string dir = testing_support::SamplesDir();
    const std::string path = dir + "/bruker-raw4/TiO2.raw";
    const std::string bytes = formats_test::Slurp(path);
    for (const Measurement& m : {read_file(path), read_bytes(AsBytes(bytes), "TiO2.raw")}) {
        EXPECT_EQ(m.meta.format_code, kRawV4);
        EXPECT_EQ(m.meta.sample, "TiO2");
        EXPECT_EQ(FormatDate(*m.meta.date.value), "2018-07-11 15:55:31");
        EXPECT_EQ(m.meta.anode, "Cu");
        EXPECT_EQ(*m.meta.wavelength, 1.5406);
        EXPECT_EQ(*m.meta.ka2_wavelength, 1.54439);
        ASSERT_EQ(m.scans.size(), 1u);
        const Scan& s = m.scans[0];
        ASSERT_EQ(s.size(), 1647u);
        EXPECT_EQ(s.two_theta.front(), 10.0);
        EXPECT_EQ(*s.step, 0.036477);
        EXPECT_NEAR(s.two_theta.back(), 70.041142, 1e-9);
        EXPECT_FLOAT_EQ(*s.step_time, 77.9f);
        EXPECT_EQ(*find_property(s.properties, "voltage"), "30 kV");
        EXPECT_EQ(*find_property(s.properties, "current"), "10 mA");
        EXPECT_EQ(s.counts.front(), 557);
        EXPECT_TRUE(m.warnings.empty());
    }

    // 8-byte points, K-alpha1 only, negative and fractional values.
    const Measurement eva = read_file(dir + "/bruker-raw4/bruker4_diffrac_eva.raw");
    EXPECT_EQ(eva.meta.sample, "HeOx-1001-nsp-sps-900C-10min-01-poliert");
    EXPECT_EQ(FormatDate(*eva.meta.date.value).substr(0, 10), "2025-04-07");
    EXPECT_FLOAT_EQ(*eva.meta.wavelength, 1.5406f);
    EXPECT_FALSE(eva.meta.ka2_wavelength);
    EXPECT_FALSE(*eva.meta.ka2_present);
    ASSERT_EQ(eva.scans.size(), 1u);
    const Scan& e = eva.scans[0];
    ASSERT_EQ(e.size(), 7134u);
    EXPECT_NEAR(e.two_theta.back(), 85.0413, 1e-4);
    EXPECT_FLOAT_EQ(*e.step_time, 310.003f);
    std::size_t negative = 0;
    double least = 0;
    for (double c : e.counts) {
        negative += c < 0;
        least = std::min(least, c);
        EXPECT_FALSE(c != 0 && std::abs(c) < 1e-30);  // a status word read as a value
    }
    EXPECT_EQ(negative, 2320u);
    EXPECT_NEAR(least, -164.534, 1e-3);
    EXPECT_TRUE(eva.warnings.empty());

    const Measurement other = read_file(dir + "/other/bruker_raw4.raw");
    EXPECT_EQ(other.meta.sample, "Cu-12%Ag_500C1700h_P5n5rpm1_RT");
    EXPECT_EQ(*find_property(other.meta.properties, "USER"), "Yanyan");  // not zero-terminated
    ASSERT_EQ(other.scans[0].size(), 4059u);
    EXPECT_EQ(other.scans[0].two_theta.front(), 37.0001);

    // Every cut: before the points it fails cleanly; within them it keeps the whole points, with a warning.
    const std::size_t data = 10994 - 4 * 1647;
    std::size_t kept = 0;
    for (std::size_t n : formats_test::PrefixLengths(bytes.size())) {
        try {
            const Measurement m = read_bytes(AsBytes(std::string_view(bytes).substr(0, n)), "cut", kRawV4);
            EXPECT_EQ(m.scans[0].size(), (n - data) / 4);
            EXPECT_EQ(m.warnings.size(), 1u);
            ++kept;
        } catch (const ReadError& e) {
            EXPECT_LT(n, data + 4) << e.what();
        }
    }
    EXPECT_GT(kept, 0u);
}
