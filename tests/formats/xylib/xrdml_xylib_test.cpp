// The XRDML sample xylib 1.6 reads (its reader takes only <intensities>) read by the format core and by xylib:
// the same number of points, the same counts, and 2Theta values within a rounding of the even spread.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <xylib/xylib.h>

#include "support/support.h"
#include "xrddata/formats/read.h"

TEST(XylibXrdml, IntensitiesSampleReadsTheSameValues) {
    XRD_REQUIRE_SAMPLES();
    const std::string path = testing_support::SamplesDir() + "/xrdml/ACZCTS_5-60_181.xrdml";
    const xrddata::formats::Measurement m = xrddata::formats::read_file(path, 14);
    std::unique_ptr<xylib::DataSet> ds(xylib::load_file(path, "xrdml"));
    ASSERT_EQ(ds->get_block_count(), 1);
    const xylib::Block* block = ds->get_block(0);
    const int n = block->get_point_count();
    ASSERT_EQ(m.scans.size(), 1u);
    const xrddata::formats::Scan& s = m.scans[0];
    ASSERT_EQ(static_cast<int>(s.size()), n);
    int yDiff = 0;
    double xMax = 0;
    for (int i = 0; i < n; ++i) {
        yDiff += s.counts[static_cast<std::size_t>(i)] != block->get_column(2).get_value(i);
        xMax = std::max(xMax, std::fabs(s.two_theta[static_cast<std::size_t>(i)] - block->get_column(1).get_value(i)));
    }
    EXPECT_EQ(yDiff, 0);
    EXPECT_LT(xMax, 1e-9);
    std::printf("ACZCTS_5-60_181.xrdml %d points, counts differ at %d, largest 2Theta difference %.3g\n", n, yDiff, xMax);
}
