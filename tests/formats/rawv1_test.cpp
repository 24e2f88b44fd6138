// The Bruker RAW version 1 reader: chains of ranges with and without a repeated magic, ranges cut short, headers
// that cannot be right, detection beside the other "RAW" magics, and the real files.
#include <cstring>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "support/bruker_raw_writer.h"
#include "support/support.h"
#include "format_test.h"
#include "xrddata/formats/read.h"

using namespace xrddata::formats;
using testing_support::RawV1Range;
using testing_support::WriteRawV1;

namespace {

constexpr int kRawV1 = 11;

const auto Range = testing_support::RangeAt<RawV1Range>;

ReadError ErrorOf(const std::string& bytes) { return formats_test::ReadErrorOf(bytes, "t.raw", kRawV1); }

}  // namespace

TEST(RawV1, ReadsEveryRangeWithOrWithoutARepeatedMagic) {
    std::vector<RawV1Range> ranges = {Range(4.98f, {665, 632, 637}), Range(20.0f, {10, 11}), Range(30.0f, {7})};
    ranges[1].magic = false;  // early files do not repeat "RAW " before later ranges
    ranges[1].step = 0.5f;
    ranges[1].step_time = 15.0f;
    ranges[2].sample = "other";
    const std::string bytes = WriteRawV1(ranges);
    const Measurement m = formats_test::ReadDetected(bytes, "t.raw", kRawV1);
    EXPECT_EQ(m.meta.format, "RawV1");
    EXPECT_EQ(m.meta.sample, "VINAIGRE");  // blank padding removed
    EXPECT_EQ(*m.meta.wavelength, 1.5406f);
    EXPECT_EQ(*m.meta.ka2_wavelength, 1.54443f);
    EXPECT_TRUE(m.meta.anode.empty());  // the format names none
    ASSERT_EQ(m.scans.size(), 3u);
    const Scan& a = m.scans[0];
    EXPECT_EQ(a.counts, (std::vector<double>{665, 632, 637}));
    EXPECT_EQ(a.two_theta[2], double{4.98f} + 2 * double{0.04f});
    EXPECT_EQ(*a.step_time, 4.0);
    EXPECT_EQ(*a.end, a.two_theta.back());
    EXPECT_FALSE(find_property(a.properties, "chi start"));  // -1e6: not recorded
    const Scan& b = m.scans[1];
    EXPECT_EQ(b.two_theta, (std::vector<double>{20.0, 20.5}));
    EXPECT_EQ(*b.step_time, 15.0);
    EXPECT_EQ(m.scans[2].counts, (std::vector<double>{7}));
    EXPECT_EQ(*find_property(m.scans[2].properties, "sample"), "other");
    EXPECT_TRUE(m.warnings.empty());
}

TEST(RawV1, RangesCutShortKeepTheirPointsAndSaySo) {
    // The last range ends after 2 of its 5 points (and a stray half value): no allocation for the 5.
    std::string bytes = WriteRawV1({Range(5.0f, {1, 2, 3, 4, 5})});
    bytes.resize(bytes.size() - 3 * 4 + 2);
    Measurement m = read_bytes(AsBytes(bytes), "t.raw");
    ASSERT_EQ(m.scans.size(), 1u);
    EXPECT_EQ(m.scans[0].counts, (std::vector<double>{1, 2}));
    ASSERT_EQ(m.warnings.size(), 1u);
    EXPECT_NE(m.warnings[0].find("2 of its 5 points"), std::string::npos);

    // A step count of four billion in a short file reads the points there are.
    RawV1Range huge = Range(5.0f, {9, 8});
    huge.steps = 0xFFFFFFF0u;
    m = read_bytes(AsBytes(WriteRawV1({huge})), "t.raw", kRawV1);
    EXPECT_EQ(m.scans[0].counts, (std::vector<double>{9, 8}));
    EXPECT_EQ(m.warnings.size(), 1u);

    // A range announced by the flag that the file does not hold; bytes after the last range.
    RawV1Range announcing = Range(5.0f, {1});
    announcing.follows = 1;
    m = read_bytes(AsBytes(WriteRawV1({announcing})), "t.raw");
    ASSERT_EQ(m.warnings.size(), 1u);
    EXPECT_NE(m.warnings[0].find("announces another range"), std::string::npos);
    m = read_bytes(AsBytes(WriteRawV1({Range(5.0f, {1})}) + "xyz"), "t.raw");
    ASSERT_EQ(m.warnings.size(), 1u);
    EXPECT_NE(m.warnings[0].find("3 bytes after the last range"), std::string::npos);

    // A second range whose header is cut: an error (its header cannot be read), naming the place.
    std::string two = WriteRawV1({Range(5.0f, {1}), Range(6.0f, {2})});
    two.resize(two.size() - 4 - 10);
    const ReadError e = ErrorOf(two);
    EXPECT_EQ(e.problem(), Problem::inconsistent);
    EXPECT_EQ(*e.offset(), 4u + 152 + 4 + 4);
}

TEST(RawV1, RefusesHeadersThatCannotBeRight) {
    EXPECT_EQ(ErrorOf("RAW ").problem(), Problem::inconsistent);
    RawV1Range r = Range(5.0f, {1, 2});
    r.step = 0.0f;
    EXPECT_EQ(ErrorOf(WriteRawV1({r})).problem(), Problem::malformed);
    r = Range(std::numeric_limits<float>::quiet_NaN(), {1});
    EXPECT_EQ(ErrorOf(WriteRawV1({r})).problem(), Problem::malformed);
    RawV1Range empty = Range(5.0f, {});
    EXPECT_EQ(ErrorOf(WriteRawV1({empty})).problem(), Problem::no_data);
}

TEST(RawV1, DetectionKeepsToItsOwnMagic) {
    const std::string v1 = WriteRawV1({Range(5.0f, {1, 2})});
    for (const char* other : {"RAW1.01", "RAW2", "RAW_", "RAW4.00", ".RAW\r"}) {
        std::string bytes = v1;
        bytes.replace(0, std::strlen(other), other);
        const FormatInfo* f = detect(AsBytes(bytes));
        EXPECT_TRUE(!f || f->code != kRawV1) << other;
    }
    // Text that starts with "RAW " has printable bytes where the binary step count stands.
    const FormatInfo* text = detect(AsBytes(std::string("RAW data of sample 7\n1 2\n3 4\n")));
    EXPECT_TRUE(!text || text->code != kRawV1);
}

TEST(RawV1, RealFiles) {
    XRD_REQUIRE_SAMPLES();
    const std::string dir = testing_support::SamplesDir();
    const std::string path = dir + "/bruker-raw1/sample6.raw";
    const std::string bytes = formats_test::Slurp(path);
    for (const Measurement& m : {read_file(path), read_bytes(AsBytes(bytes), "sample6.raw")}) {
        EXPECT_EQ(m.meta.format_code, kRawV1);
        EXPECT_EQ(m.meta.sample, "BOB 529");
        EXPECT_FLOAT_EQ(*m.meta.wavelength, 1.54056f);
        ASSERT_EQ(m.scans.size(), 1u);
        const Scan& s = m.scans[0];
        ASSERT_EQ(s.size(), 5801u);
        EXPECT_FLOAT_EQ(s.two_theta.front(), 3.99f);
        EXPECT_NEAR(s.two_theta.back(), 119.99, 1e-4);
        EXPECT_EQ(*s.step_time, 37.0);
        EXPECT_EQ(s.counts.front(), 29285);
        EXPECT_EQ(s.counts.back(), 1039);
        EXPECT_TRUE(m.warnings.empty());
    }
    const Measurement v = read_file(dir + "/other/brk_raw1.raw");
    EXPECT_EQ(v.meta.sample, "VINAIGRE");
    ASSERT_EQ(v.scans.size(), 1u);
    EXPECT_EQ(v.scans[0].size(), 876u);
    EXPECT_FLOAT_EQ(v.scans[0].two_theta.front(), 4.98f);
    EXPECT_EQ(v.scans[0].counts.front(), 665);
    EXPECT_EQ(v.scans[0].counts.back(), 266);

    // Every cut: a header cut fails cleanly, a cut in the points keeps the whole points before it.
    std::size_t kept = 0;
    for (std::size_t n : formats_test::PrefixLengths(bytes.size())) {
        try {
            const Measurement m = read_bytes(AsBytes(std::string_view(bytes).substr(0, n)), "cut", kRawV1);
            EXPECT_EQ(m.scans[0].size(), (n - 156) / 4);
            EXPECT_EQ(m.warnings.size(), 1u);
            ++kept;
        } catch (const ReadError& e) {
            EXPECT_LT(n, 160u) << e.what();
        }
    }
    EXPECT_GT(kept, 0u);
}
