// The DIFFRAC-plus and DIFFRAC-AT samples read by our readers and by xylib: the same number of points and the
// same x and y values, exactly.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <xylib/xylib.h>

#include "binary_fixture.h"
#include "support/support.h"

using binary_testing::ReaderTest;

namespace {

using XylibBruker = ReaderTest;

}  // namespace

TEST_F(XylibBruker, SamplesReadTheSameValues) {
    XRD_REQUIRE_SAMPLES();
    const char* const files[] = {"bruker-raw3/BT86.raw",          "bruker-raw3/Cu3Au-1.raw",
                                 "bruker-raw3/format1.raw",       "bruker-raw3/Keokuk_kaolinite.RAW",
                                 "bruker-raw3/KGA1-CONT.RAW",     "bruker-raw3/LaB6_Jan2018.raw",
                                 "bruker-raw2/CORKLZ20.RAW",      "bruker-raw2/QTZQUIN.RAW"};
    for (const char* name : files) {
        const std::string path = testing_support::SamplesDir() + "/" + name;
        const bool plus = std::string(name).find("raw3") != std::string::npos;
        ASSERT_EQ(plus ? imp.ReadDiffracPlusFile(path) : imp.ReadDiffracAtFile(path), 1) << name;
        std::unique_ptr<xylib::DataSet> ds(xylib::load_file(path, "bruker_raw"));
        const xylib::Block* block = ds->get_block(0);
        const int n = block->get_point_count();
        ASSERT_EQ(target.GetSize(), n) << name;
        int xDiff = 0, yDiff = 0;
        for (int i = 0; i < n; ++i) {
            xDiff += target.GetAt(CGraphData::X, i) != block->get_column(1).get_value(i);
            yDiff += target.GetAt(CGraphData::Y, i) != block->get_column(2).get_value(i);
        }
        EXPECT_EQ(xDiff, 0) << name;
        EXPECT_EQ(yDiff, 0) << name;
        std::printf("%-36s %5d points, x differ at %d, y at %d\n", name, n, xDiff, yDiff);
    }
    EXPECT_TRUE(ui.messages.empty());
}
