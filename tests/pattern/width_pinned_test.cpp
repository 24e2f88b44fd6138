// The feature width detected on real instrument files and on featureless synthetic data, pinned to the values the
// plain trial loop gives: the width is one of the trial values, so a faster detection must find the very same one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/registry_sandbox.h"
#include "support/support.h"
#include "support/synthetic.h"
#include "xrddata/pattern/xrddata.h"

namespace {

struct PinnedWidth {
    const char* file;
    int points;
    double width;     // detected on import
    double stripped;  // detected again after K-alpha2 stripping; 0: the file carries no K-alpha2
};

const PinnedWidth kSamples[] = {
    {"bruker-raw2/CORKLZ20.RAW", 2501, 0.12, 0.090000000000000011},
    {"bruker-raw2/QTZQUIN.RAW", 301, 0.059999999999999998, 0.059999999999999998},
    {"bruker-raw3/BT86.raw", 2374, 0.059999999999999998, 0.044999999999999998},
    {"bruker-raw3/Cu3Au-1.raw", 3901, 0.029999999999999999, 0.029999999999999999},
    {"bruker-raw3/KGA1-CONT.RAW", 3401, 0.13500000000000001, 0.12},
    {"bruker-raw3/Keokuk_kaolinite.RAW", 4001, 0.12, 0.090000000000000011},
    {"bruker-raw3/LaB6_Jan2018.raw", 3040, 0.090000000000000011, 0.075000000000000011},
    {"bruker-raw3/format1.raw", 101, 0.15000000000000002, 0.15000000000000002},
    {"cpi/pyxrd_test_cpi_parser_embedded.cpi", 36, 0.030000000000000027, 0.030000000000000027},
    {"dbws/si3n4r.dat", 171, 91.742647058823536, 91.742647058823536},
    {"stoe/stoe.raw", 5404, 0.10000000000000001, 0},
    {"udf/01R1_73.UDF", 3401, 0.23999999999999999, 0},
    {"udf/PbCrF1.udf", 14501, 0.044999999999999998, 0.044999999999999998},
    {"udf/ZEOLITE.UDF", 1700, 0.12000000000000002, 0.12000000000000002},
    {"udf/sample1_convert.udf", 1696, 0.13500000000000001, 0.10500000000000001},
    {"udf/sample2.udf", 876, 0.21000000000000002, 0.18000000000000002},
    {"xy/Tutorial_4.xye", 2701, 0.14999999999999999, 0.12},
    {"xy/corklz20.asc", 2501, 0.12, 0.090000000000000011},
    {"xy/nacl01.dat", 840, 0.23213921334922533, 0.23213921334922533},
    {"xy/qtzquin.asc", 301, 0.059999999999999998, 0.059999999999999998},
    {"xy/with_sigma.txt", 3, 0.014999999999999999, 0.014999999999999999},
    {"xy/xy_text.txt", 4001, 0.33000000000000007, 0.30000000000000004},
};

}  // namespace

TEST(WidthPinned, RealSamples) {
    XRD_REQUIRE_SAMPLES();
    testing_support::RegistrySandbox box;
    testing_support::RecordingUi ui;
    for (const PinnedWidth& s : kSamples) {
        SCOPED_TRACE(s.file);
        CXRDData d;
        ASSERT_EQ(d.DoReadFile((testing_support::SamplesDir() + "/" + s.file).c_str(), 0), 1);
        ASSERT_EQ(d.GetSize(), s.points);
        EXPECT_EQ(d.m_dDetectedWidth, s.width);
        d.StripKa2();
        EXPECT_EQ(d.IsKa2Stripped() ? d.m_dDetectedWidth : 0.0, s.stripped);
    }
}

// Featureless data, where the score never falls to half its best and every trial up to the limit runs, and peaks
// on a fine step, where the windows are long.
TEST(WidthPinned, SyntheticPatterns) {
    testing_support::RegistrySandbox box;
    std::vector<testing_support::SyntheticPattern> patterns(5);
    patterns[0].xFirst = 10.0, patterns[0].xLast = 60.0, patterns[0].step = 0.02;  // ramp
    patterns[0].background = {100.0, 20.0, 0.05};
    patterns[1].xFirst = 5.0, patterns[1].xLast = 80.0, patterns[1].step = 0.01;  // amorphous hump with noise
    patterns[1].peaks = {{24.0, 900.0, 9.0, 0.3}};
    patterns[1].background = {150.0, -1.0};
    patterns[1].noiseSeed = 17;
    patterns[2].xFirst = 5.0, patterns[2].xLast = 105.0, patterns[2].step = 0.001;  // fine ramp, long windows
    patterns[2].background = {100.0, 20.0, 0.05};
    patterns[3].xFirst = 5.0, patterns[3].xLast = 105.0, patterns[3].step = 0.005;  // peaks on a fine step
    patterns[3].peaks = {{18.0, 2000, 0.1}, {29.4, 5000, 0.12, 0.4}, {55.7, 3000, 0.2}, {88.0, 800, 0.3}};
    patterns[3].background = {300.0, -2.0};
    patterns[3].noiseSeed = 7;
    patterns[4].xFirst = 20.0, patterns[4].xLast = 30.0, patterns[4].step = 0.03;  // noise alone
    patterns[4].background = {200.0};
    patterns[4].noiseSeed = 5;
    const double pinned[] = {0.014999999999999999, 0.014999999999999999, 0.014999999999999999, 0.12, 0.045000000000000012};
    for (size_t k = 0; k < patterns.size(); ++k) {
        CXRDData d;
        testing_support::MakeSynthetic(patterns[k]).AssignTo(d);
        EXPECT_EQ(d.DetectFeatureWidth(5.0, 0), pinned[k]) << k;
    }
}
