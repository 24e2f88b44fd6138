// Scalar helpers and PI.
#include <gtest/gtest.h>

#include <cmath>

#include "xrddata/numeric/scalar.h"

TEST(Scalar, HelpersAndPi) {
    EXPECT_EQ(PI, 3.141592653589793);
    EXPECT_EQ(RadianToDegree(PI), 180.0);
    EXPECT_DOUBLE_EQ(DegreeToRadian(90.0), PI / 2);
    // Ties give the second argument: 0.0 and -0.0 compare equal, the sign shows which came back.
    EXPECT_TRUE(std::signbit(Maximum(0.0, -0.0)));
    EXPECT_FALSE(std::signbit(Minimum(-0.0, 0.0)));
    EXPECT_TRUE(std::signbit(Maximum(0.0f, -0.0f)));
    EXPECT_EQ(Maximum(1L << 40, 3L), 1L << 40);  // long is not cut to 32 bits
    EXPECT_EQ(Minimum(-4, 7), -4);
    EXPECT_EQ(Sign(3, 0), -3.0);
    EXPECT_EQ(Sign(-3, 2), 3.0);
    long la = 1L << 40, lb = 5;
    Swap(la, lb);
    EXPECT_EQ(lb, 1L << 40);
    EXPECT_NEAR(TruncateToPrecision(1.26, 0.1), 1.3, 1e-12);
    EXPECT_EQ(TruncateToPrecision(7, 5), 5.0);
    EXPECT_EQ(TruncateToPrecision(8, 5), 10.0);
}
