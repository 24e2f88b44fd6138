// Scalar helpers and PI.
#include <gtest/gtest.h>

#include <cmath>

#include "xrddata/numeric/scalar.h"

TEST(Scalar, PiAndAngleConversions) {
    EXPECT_EQ(PI, 3.141592653589793);
    EXPECT_EQ(DegreeToRadian(180.0), PI * 180.0 * 0.005555555555555556);
    EXPECT_DOUBLE_EQ(DegreeToRadian(90.0), PI / 2);
    EXPECT_EQ(RadianToDegree(PI), 180.0);
    EXPECT_DOUBLE_EQ(RadianToDegree(DegreeToRadian(37.5)), 37.5);
}

TEST(Scalar, TiesGiveTheSecondArgument) {
    // 0.0 and -0.0 compare equal, so the sign shows which argument came back.
    EXPECT_TRUE(std::signbit(Maximum(0.0, -0.0)));
    EXPECT_FALSE(std::signbit(Maximum(-0.0, 0.0)));
    EXPECT_TRUE(std::signbit(Minimum(0.0, -0.0)));
    EXPECT_FALSE(std::signbit(Minimum(-0.0, 0.0)));
    EXPECT_TRUE(std::signbit(Maximum(0.0f, -0.0f)));
    EXPECT_EQ(Maximum(2.0, 3.0), 3.0);
    EXPECT_EQ(Minimum(2.0f, 3.0f), 2.0f);
    EXPECT_EQ(Maximum(-4L, 7L), 7L);
    EXPECT_EQ(Minimum(-4, 7), -4);
    EXPECT_EQ(Maximum(1L << 40, 3L), 1L << 40);  // long is not cut to 32 bits
}

TEST(Scalar, SignSqrSwapAndTruncation) {
    EXPECT_EQ(Sign(3, 0), -3.0);
    EXPECT_EQ(Sign(-3, 2), 3.0);
    EXPECT_EQ(Sign(-3, -1e-300), -3.0);
    EXPECT_EQ(Sqr(-1.5), 2.25);
    EXPECT_EQ(Sqr(3.0f), 9.0f);
    double a = 1, b = 2;
    Swap(a, b);
    EXPECT_EQ(a, 2.0);
    EXPECT_EQ(b, 1.0);
    long la = 1L << 40, lb = 5;
    Swap(la, lb);
    EXPECT_EQ(la, 5);
    EXPECT_EQ(lb, 1L << 40);
    int ia = 1, ib = 2;
    Swap(ia, ib);
    EXPECT_EQ(ia, 2);
    float fa = 1, fb = 2;
    Swap(fa, fb);
    EXPECT_EQ(fa, 2.0f);

    EXPECT_NEAR(TruncateToPrecision(1.26, 0.1), 1.3, 1e-12);
    EXPECT_EQ(TruncateToPrecision(7, 5), 5.0);
    EXPECT_EQ(TruncateToPrecision(8, 5), 10.0);
    EXPECT_EQ(TruncateToPrecision(7.5, 5), 10.0);
}
