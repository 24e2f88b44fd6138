// The point files of a point set: the number text, the .xye and CSV columns, the error of each mode, a file that
// cannot be written.
#include <gtest/gtest.h>

#include <cmath>

#include "support/support.h"
#include "xrddata/arrays/graphdata.h"
#include "xrddata/arrays/pointfile.h"
#include "xrddata/formats/decimal.h"
#include "xrddata/platform/exceptions.h"

using xrddata::formats::ShortestText;

TEST(PointFile, NumbersColumnsAndFiles) {
    // The numbers of every point file: the shortest text that reads back to the same double.
    EXPECT_EQ(ShortestText(20.0), "20");
    EXPECT_EQ(ShortestText(0.02), "0.02");
    EXPECT_EQ(ShortestText(20.0 + 3 * 0.02), "20.06");
    EXPECT_EQ(ShortestText(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(ShortestText(1.5e-300), "1.5e-300");
    EXPECT_EQ(ShortestText(-0.0), "-0");
    EXPECT_EQ(ShortestText(std::nan("")), "nan");
    EXPECT_EQ(ShortestText(-HUGE_VAL), "-inf");

    const double x[] = {1.0, 2.0}, y[] = {4.0, 9.0}, e[] = {0.5, 0.25};
    CGraphData counting(2, x, y, nullptr);
    EXPECT_EQ(XyeText(counting), "1 4 2\n2 9 3\n");  // counting errors in that mode
    CGraphData custom(2, x, y, e);
    EXPECT_EQ(CsvText(custom), "two_theta,intensity,error\n1,4,0.5\n2,9,0.25\n");
    EXPECT_EQ(PointColumns(custom, '\t', "\r\n"), "1\t4\t0.5\r\n2\t9\t0.25\r\n");
    EXPECT_THROW(WriteXyeFile(custom, "/nonexistent-dir/x.xye"), CFileException);

    testing_support::TempDir dir;
    WriteCsvFile(custom, dir.file("p.csv"));
    EXPECT_EQ(testing_support::ReadFile(dir.file("p.csv")), CsvText(custom));
    WriteXyeFile(counting, dir.file("p.xye"));
    EXPECT_EQ(testing_support::ReadFile(dir.file("p.xye")), XyeText(counting));
}
