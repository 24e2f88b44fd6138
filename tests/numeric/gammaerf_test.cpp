// Log-gamma, binomial coefficients, incomplete gamma and error functions, checked against the C library.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "support/support.h"
#include "xrddata/numeric/gammaerf.h"

namespace {

using testing_support::Raised;

// P(a, x) from the C library: P(1/2, x) = erf(√x), P(1, x) = 1 - e^-x and P(a+1, x) = P(a, x) - x^a e^-x / Γ(a+1).
double ReferenceP(double a, double x) {
    bool whole = a == std::floor(a);
    double p = whole ? 1.0 - std::exp(-x) : std::erf(std::sqrt(x));
    for (double s = whole ? 1.0 : 0.5; s < a; s += 1.0) p -= std::pow(x, s) * std::exp(-x) / std::tgamma(s + 1.0);
    return p;
}

}  // namespace

TEST(Special, GammLnAndBinomialCoefficients) {
    for (double x : {0.1, 0.5, 1.0, 3.7, 55.5, 171.0, 1e4})
        EXPECT_NEAR(GammLn(x), std::lgamma(x), 1e-9 * std::max(1.0, std::fabs(std::lgamma(x)))) << x;
    EXPECT_EQ(BinomialCoeff(5, 2), 10.0);
    EXPECT_EQ(BinomialCoeff(5, 2), 10.0);  // second time from the cache
    EXPECT_EQ(BinomialCoeff(150, 1), 150.0);
    EXPECT_EQ(BinomialCoeff(52, 5), 2598960.0);
    EXPECT_NEAR(BinomialCoeff(100, 50), 1.0089134454556419e29, 1e20);
    for (auto [n, k] : {std::pair{3, 5}, {-1, 0}, {4, -1}, {2147483647, -2147483647}})
        EXPECT_EQ(Raised([n = n, k = k] { BinomialCoeff(n, k); }), "Negative factorial in routine factln");
}

TEST(Special, IncompleteGammaAndErrorFunctionMatchTheCLibrary) {
    for (double a : {0.5, 1.0, 1.5, 3.0, 4.5, 10.0, 20.0}) {
        for (double x : {0.01, 0.3, 1.0, 2.5, 5.0, 9.0, 11.5, 20.0, 35.0}) {
            EXPECT_NEAR(gammp(a, x), ReferenceP(a, x), 1e-7) << "P(" << a << ", " << x << ")";
            EXPECT_NEAR(gammq(a, x), 1.0 - ReferenceP(a, x), 1e-7) << "Q(" << a << ", " << x << ")";
        }
    }
    for (double x = -6.0; x <= 6.0; x += 0.01) {
        EXPECT_NEAR(erff(x), std::erf(x), 1e-7) << x;
        EXPECT_NEAR(erffc(x), std::erfc(x), x > 0 ? 5e-7 * std::erfc(x) : 1e-7) << x;  // relative in the tail
    }
    EXPECT_EQ(gammp(1, 0), 0.0);
    EXPECT_EQ(erff(0.0), 0.0);
    EXPECT_EQ(erffc(0.0), 1.0);
}

TEST(Special, InvalidArgumentsAndNonConvergenceRaiseTheirMessages) {
    const double nan = std::nan("");
    EXPECT_EQ(Raised([] { gammq(0, 1); }), "Invalid arguments in routine gammq");
    EXPECT_EQ(Raised([] { gammq(1, -1); }), "Invalid arguments in routine gammq");
    EXPECT_EQ(Raised([] { gammp(-1, 1); }), "Invalid arguments in routine gammp");
    EXPECT_EQ(Raised([=] { gammp(nan, 1); }), "Invalid arguments in routine gammp");
    EXPECT_EQ(Raised([=] { gammp(1, nan); }), "Invalid arguments in routine gammp");
    EXPECT_EQ(Raised([=] { erffc(nan); }), "Invalid arguments in routine gammp");
    // The series (x < a + 1) and the continued fraction both give up after 100 terms for a large a near x.
    EXPECT_EQ(Raised([] { gammp(1000, 1000); }), "a too large,ITMAX too small in routine gser");
    EXPECT_EQ(Raised([] { gammq(1e4, 1e4 + 1.5); }), "a too large,ITMAX too small in gcf");
}
