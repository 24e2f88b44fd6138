// Savitzky-Golay coefficients against closed forms, and the filter built on them.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "support/support.h"
#include "xrddata/numeric/alloc.h"
#include "xrddata/numeric/savgol.h"
#include "xrddata/numeric/sgfilter.h"

namespace {

void ExpectCoefs(int nl, int nr, int m, int ld, const std::function<double(int)>& closed) {
    CSGFilter f(nl, nr, m, ld);
    ASSERT_NE(f.m_pCoef, nullptr);
    for (int k = -nl; k <= nr; ++k)
        EXPECT_NEAR(f.m_pCoef[k], closed(k), 1e-12) << nl << "," << nr << "," << m << "," << ld << " k=" << k;
}

}  // namespace

TEST(SavitkyGolay, CoefficientsMatchClosedForms) {
    ExpectCoefs(2, 2, 2, 0, [](int k) { return std::vector<double>{-3, 12, 17, 12, -3}[k + 2] / 35; });
    ExpectCoefs(2, 2, 2, 1, [](int k) { return k / 10.0; });
    for (int M : {3, 25}) {
        // Quadratic (and cubic) smoothing 3(3M²+3M-1-5k²)/((2M+3)(2M+1)(2M-1)); first derivative 3k/(M(M+1)(2M+1)).
        auto smooth = [M](int k) {
            return 3.0 * (3.0 * M * M + 3.0 * M - 1 - 5.0 * k * k) / ((2.0 * M + 3) * (2.0 * M + 1) * (2.0 * M - 1));
        };
        auto slope = [M](int k) { return 3.0 * k / (M * (M + 1.0) * (2.0 * M + 1)); };
        ExpectCoefs(M, M, 2, 0, smooth);
        ExpectCoefs(M, M, 3, 0, smooth);
        ExpectCoefs(M, M, 2, 1, slope);
    }
    ExpectCoefs(4, 1, 0, 0, [](int) { return 1.0 / 6; });
    // Asymmetric straight line: value at 0 is 1/N - k̄(k-k̄)/S, slope (k-k̄)/S (k̄ mean offset, S = Σ(k-k̄)²).
    for (auto [nl, nr] : {std::pair{1, 3}, {0, 4}, {5, 2}}) {
        double N = nl + nr + 1, mean = (nr - nl) / 2.0, S = 0;
        for (int k = -nl; k <= nr; ++k) S += (k - mean) * (k - mean);
        ExpectCoefs(nl, nr, 1, 0, [&](int k) { return 1 / N - mean * (k - mean) / S; });
        ExpectCoefs(nl, nr, 1, 1, [&](int k) { return (k - mean) / S; });
    }
    // The interpolating quadratic through offsets 0, 1, 2: value, first derivative, half the second derivative.
    ExpectCoefs(0, 2, 2, 0, [](int k) { return std::vector<double>{1, 0, 0}[k]; });
    ExpectCoefs(0, 2, 2, 1, [](int k) { return std::vector<double>{-1.5, 2, -0.5}[k]; });
    ExpectCoefs(0, 2, 2, 2, [](int k) { return std::vector<double>{0.5, -1, 0.5}[k]; });
    // Higher orders: applied to k^j the coefficients give 1 for j = ld and 0 for the other j <= m.
    for (auto [nl, nr, m, ld] : {std::tuple{7, 3, 4, 2}, {2, 9, 5, 3}, {10, 0, 3, 1}}) {
        CSGFilter f(nl, nr, m, ld);
        for (int j = 0; j <= m; ++j) {
            double s = 0;
            for (int k = -nl; k <= nr; ++k) s += f.m_pCoef[k] * std::pow(k, j);
            EXPECT_NEAR(s, j == ld ? 1.0 : 0.0, 1e-9) << nl << "," << nr << "," << m << "," << ld << " j=" << j;
        }
    }
}

TEST(SavitkyGolay, WrapAroundOrderAndBadArguments) {
    double c[7];
    std::fill(c, c + 7, 99.0);
    SavitkyGolay(OneBased(c), 7, 1, 3, 0, 1);
    // c[1] offset 0, c[2] offset -1, c[7] +1, c[6] +2, c[5] +3; the rest zero.
    std::vector<double> want = {0.3, 0.4, 0, 0, 0.0, 0.1, 0.2};
    for (int i = 0; i < 7; ++i) EXPECT_NEAR(c[i], want[i], 1e-14) << i + 1;

    for (auto [np, nl, nr, ld, m] : {std::tuple{4, 2, 2, 0, 2}, {5, -1, 5, 0, 2}, {5, 5, -1, 0, 2}, {5, 2, 2, 3, 2},
                                     {5, 1, 1, 0, 3}, {5, 2, 2, -1, 2}, {7, 2147483647, 2147483647, 0, 2}}) {
        const std::string msg = testing_support::Raised([&] { SavitkyGolay(OneBased(c), np, nl, nr, ld, m); });
        EXPECT_EQ(msg, "bad args in SavitkyGolay") << np << "," << nl << "," << nr << "," << ld << "," << m;
    }
}

TEST(SGFilter, EvaluatesWithClampedEndsAndPropagatesErrors) {
    CSGFilter avg;  // three-point moving average
    const double data[3] = {3, 6, 9}, err[3] = {1, 1, 1};
    const double *d = OneBased(data), *e = OneBased(err);
    EXPECT_NEAR(avg.Evaluate(d, 1, 3), 4.0, 1e-14);  // (3 + 3 + 6) / 3: the missing neighbour repeats point 1
    EXPECT_NEAR(avg.Evaluate(d, 3, 3), 8.0, 1e-14);
    EXPECT_EQ(avg.Evaluate(d, 0, 3), 0.0);
    EXPECT_EQ(avg.Evaluate(d, 4, 3), 0.0);
    EXPECT_EQ(avg.Evaluate(nullptr, 1, 3), 0.0);
    EXPECT_NEAR(avg.Noise(e, 2, 3), std::sqrt(1.0 / 3), 1e-15);
    EXPECT_EQ(avg.GetNormalisation(0.01), 1.0);
    CSGFilter deriv(2, 2, 2, 1);
    EXPECT_EQ(deriv.GetNormalisation(0.5), 0.5);
    EXPECT_EQ(CSGFilter(2, 2, 4, 3).GetNormalisation(2.0), 8.0 / 6);
    // A line of slope 3 at spacing 0.5, differentiated.
    const double line[5] = {0, 1.5, 3, 4.5, 6};
    EXPECT_NEAR(deriv.Evaluate(OneBased(line), 3, 5) / deriv.GetNormalisation(0.5), 3.0, 1e-13);

    for (auto [nl, nr, m, ld] : {std::tuple{1, 1, 3, 0}, {-1, 2, 0, 0}, {2, 2, 2, -1}, {2147483647, 1, 0, 0}}) {
        CSGFilter bad(nl, nr, m, ld);
        EXPECT_EQ(bad.m_pCoef, nullptr);
        EXPECT_EQ(bad.Evaluate(d, 2, 3), 0.0);
        EXPECT_EQ(bad.Noise(e, 2, 3), 0.0);
    }
}

TEST(SGFilter, CopiesOwnTheirCoefficients) {
    const double data[5] = {1, 4, 2, 8, 5};
    const double* d = OneBased(data);
    auto* src = new CSGFilter(2, 2, 2, 0);
    double want = src->Evaluate(d, 3, 5);
    CSGFilter copy(*src), assigned;
    assigned = *src;
    EXPECT_NE(copy.m_pCoef, src->m_pCoef);
    EXPECT_NE(assigned.m_pRaw, src->m_pRaw);
    delete src;  // the copies must not depend on the source's tables
    EXPECT_EQ(copy.Evaluate(d, 3, 5), want);
    EXPECT_EQ(assigned.Evaluate(d, 3, 5), want);
    EXPECT_EQ(assigned.m_nPoints, 5);
    assigned = CSGFilter(1, 1, 5, 0);
    EXPECT_EQ(assigned.Evaluate(d, 3, 5), 0.0);
}
