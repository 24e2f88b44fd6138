// Savitzky-Golay coefficients against closed forms, and the filter built on them.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "xrddata/numeric/alloc.h"
#include "xrddata/numeric/savgol.h"
#include "xrddata/numeric/sgfilter.h"

namespace {

std::string Raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const char* msg) {
        return msg;
    }
    return "";
}

// Coefficients of offsets -nl..nr (index 0 is offset -nl) through the filter's offset table.
std::vector<double> Coefs(int nl, int nr, int m, int ld) {
    CSGFilter f(nl, nr, m, ld);
    std::vector<double> v;
    if (!f.m_pCoef) return v;
    for (int k = -nl; k <= nr; ++k) v.push_back(f.m_pCoef[k]);
    return v;
}

void ExpectCoefs(int nl, int nr, int m, int ld, const std::function<double(int)>& closed) {
    std::vector<double> got = Coefs(nl, nr, m, ld);
    ASSERT_EQ(got.size(), size_t(nl + nr + 1)) << nl << "," << nr << "," << m << "," << ld;
    for (int k = -nl; k <= nr; ++k)
        EXPECT_NEAR(got[k + nl], closed(k), 1e-12) << "nl=" << nl << " nr=" << nr << " m=" << m << " ld=" << ld
                                                   << " k=" << k;
}

}  // namespace

TEST(SavitkyGolay, SymmetricWindowsMatchClosedForms) {
    ExpectCoefs(2, 2, 2, 0, [](int k) { return std::vector<double>{-3, 12, 17, 12, -3}[k + 2] / 35; });
    ExpectCoefs(2, 2, 2, 1, [](int k) { return k / 10.0; });
    for (int M : {3, 12, 25}) {
        // Quadratic (and cubic) smoothing: 3(3M²+3M-1-5k²) / ((2M+3)(2M+1)(2M-1)).
        auto smooth = [M](int k) {
            return 3.0 * (3.0 * M * M + 3.0 * M - 1 - 5.0 * k * k) / ((2.0 * M + 3) * (2.0 * M + 1) * (2.0 * M - 1));
        };
        ExpectCoefs(M, M, 2, 0, smooth);
        ExpectCoefs(M, M, 3, 0, smooth);
        // Linear (and quadratic) first derivative: 3k / (M(M+1)(2M+1)).
        auto slope = [M](int k) { return 3.0 * k / (M * (M + 1.0) * (2.0 * M + 1)); };
        ExpectCoefs(M, M, 1, 1, slope);
        ExpectCoefs(M, M, 2, 1, slope);
    }
}

TEST(SavitkyGolay, AsymmetricWindowsMatchClosedForms) {
    // Moving average: 1/N whatever the window.
    ExpectCoefs(4, 1, 0, 0, [](int) { return 1.0 / 6; });
    // Straight line through offsets -nl..nr: value at 0 is 1/N - k̄(k-k̄)/S, slope (k-k̄)/S, with k̄ the mean offset
    // and S the sum of (k-k̄)².
    for (auto [nl, nr] : {std::pair{1, 3}, {0, 4}, {3, 1}, {5, 2}, {0, 1}}) {
        double N = nl + nr + 1, mean = (nr - nl) / 2.0, S = 0;
        for (int k = -nl; k <= nr; ++k) S += (k - mean) * (k - mean);
        ExpectCoefs(nl, nr, 1, 0, [&](int k) { return 1 / N - mean * (k - mean) / S; });
        ExpectCoefs(nl, nr, 1, 1, [&](int k) { return (k - mean) / S; });
    }
    // As many points as coefficients: the interpolating quadratic through offsets 0, 1, 2. Its value, first
    // derivative and half the second derivative at 0.
    ExpectCoefs(0, 2, 2, 0, [](int k) { return std::vector<double>{1, 0, 0}[k]; });
    ExpectCoefs(0, 2, 2, 1, [](int k) { return std::vector<double>{-1.5, 2, -0.5}[k]; });
    ExpectCoefs(0, 2, 2, 2, [](int k) { return std::vector<double>{0.5, -1, 0.5}[k]; });
    ExpectCoefs(2, 0, 2, 1, [](int k) { return std::vector<double>{0.5, -2, 1.5}[k + 2]; });
}

TEST(SavitkyGolay, CoefficientsReproduceThePolynomialCoefficientOfTheirOrder) {
    // Applied to k^j the coefficients of derivative order ld give 1 for j = ld and 0 for the other j <= m.
    for (auto [nl, nr, m, ld] : {std::tuple{7, 3, 4, 2}, {2, 9, 5, 3}, {6, 6, 6, 4}, {10, 0, 3, 1}}) {
        std::vector<double> c = Coefs(nl, nr, m, ld);
        ASSERT_EQ(c.size(), size_t(nl + nr + 1));
        for (int j = 0; j <= m; ++j) {
            double s = 0;
            for (int k = -nl; k <= nr; ++k) s += c[k + nl] * std::pow(k, j);
            EXPECT_NEAR(s, j == ld ? 1.0 : 0.0, 1e-9) << nl << "," << nr << "," << m << "," << ld << " j=" << j;
        }
    }
}

TEST(SavitkyGolay, WrapAroundOrderWithALongerArray) {
    double c[7];
    std::fill(c, c + 7, 99.0);
    SavitkyGolay(OneBased(c), 7, 1, 3, 0, 1);
    // c[1] offset 0, c[2] offset -1, c[7] +1, c[6] +2, c[5] +3; the rest zero.
    std::vector<double> want = {0.3, 0.4, 0, 0, 0.0, 0.1, 0.2};
    for (int i = 0; i < 7; ++i) EXPECT_NEAR(c[i], want[i], 1e-14) << i + 1;
    EXPECT_EQ(c[2], 0.0);
    EXPECT_EQ(c[3], 0.0);
}

TEST(SavitkyGolay, BadArgumentsRaiseTheMessage) {
    double* c = dvector(1, 20);
    const std::string bad = "bad args in SavitkyGolay";
    EXPECT_EQ(Raised([&] { SavitkyGolay(c, 4, 2, 2, 0, 2); }), bad);   // np < nl + nr + 1
    EXPECT_EQ(Raised([&] { SavitkyGolay(c, 5, -1, 5, 0, 2); }), bad);  // nl < 0
    EXPECT_EQ(Raised([&] { SavitkyGolay(c, 5, 5, -1, 0, 2); }), bad);  // nr < 0
    EXPECT_EQ(Raised([&] { SavitkyGolay(c, 5, 2, 2, 3, 2); }), bad);   // ld > m
    EXPECT_EQ(Raised([&] { SavitkyGolay(c, 5, 1, 1, 0, 3); }), bad);   // nl + nr < m
    EXPECT_EQ(Raised([&] { SavitkyGolay(c, 5, 2, 2, -1, 2); }), bad);  // ld < 0 would index outside b
    EXPECT_EQ(Raised([&] { SavitkyGolay(c, 20, 2147483647, 2147483647, 0, 2); }), bad);
    EXPECT_EQ(Raised([&] { SavitkyGolay(c, 5, 2, 2, 2, 2); }), "");
    free_dvector(c, 1, 20);
}

TEST(SGFilter, EvaluatesWithClampedEndsAndPropagatesErrors) {
    CSGFilter avg;  // three-point moving average
    EXPECT_EQ(avg.m_nPoints, 3);
    for (int k = -1; k <= 1; ++k) EXPECT_NEAR(avg.m_pCoef[k], 1.0 / 3, 1e-15);
    double data[3] = {3, 6, 9};
    const double* d = OneBased(static_cast<const double*>(data));
    EXPECT_NEAR(avg.Evaluate(d, 1, 3), 4.0, 1e-14);  // (3 + 3 + 6) / 3
    EXPECT_NEAR(avg.Evaluate(d, 2, 3), 6.0, 1e-14);
    EXPECT_NEAR(avg.Evaluate(d, 3, 3), 8.0, 1e-14);  // (6 + 9 + 9) / 3
    EXPECT_EQ(avg.Evaluate(d, 0, 3), 0.0);
    EXPECT_EQ(avg.Evaluate(d, 4, 3), 0.0);
    EXPECT_EQ(avg.Evaluate(nullptr, 1, 3), 0.0);
    double err[3] = {1, 1, 1};
    const double* e = OneBased(static_cast<const double*>(err));
    EXPECT_NEAR(avg.Noise(e, 2, 3), std::sqrt(1.0 / 3), 1e-15);
    EXPECT_EQ(avg.Noise(e, 0, 3), 0.0);
    double zero[3] = {0, 0, 0};
    EXPECT_EQ(avg.Noise(OneBased(static_cast<const double*>(zero)), 2, 3), 0.0);

    // A wide window over a single point reads that point everywhere.
    CSGFilter wide(4, 4, 2, 0);
    double one[1] = {2.5};
    EXPECT_NEAR(wide.Evaluate(OneBased(static_cast<const double*>(one)), 1, 1), 2.5, 1e-12);

    CSGFilter deriv(2, 2, 2, 1);
    EXPECT_EQ(deriv.GetNormalisation(0.5), 0.5);
    EXPECT_EQ(CSGFilter(2, 2, 4, 3).GetNormalisation(2.0), 8.0 / 6);
    EXPECT_EQ(avg.GetNormalisation(0.01), 1.0);
    // A line of slope 3 at spacing 0.5: the derivative filter gives 1.5 per point, divided by 0.5 gives 3.
    double line[5] = {0, 1.5, 3, 4.5, 6};
    EXPECT_NEAR(deriv.Evaluate(OneBased(static_cast<const double*>(line)), 3, 5) / deriv.GetNormalisation(0.5), 3.0,
                1e-13);
}

TEST(SGFilter, BadParametersLeaveNoCoefficients) {
    double data[3] = {3, 6, 9};
    const double* d = OneBased(static_cast<const double*>(data));
    for (auto [nl, nr, m, ld] : {std::tuple{1, 1, 3, 0}, {-1, 2, 0, 0}, {2, -3, 0, 0}, {2, 2, 2, 3}, {2, 2, 2, -1},
                                 {2147483647, 1, 0, 0}}) {
        CSGFilter f(nl, nr, m, ld);
        EXPECT_EQ(f.m_pRaw, nullptr);
        EXPECT_EQ(f.m_pCoef, nullptr);
        EXPECT_EQ(f.Evaluate(d, 2, 3), 0.0);
        EXPECT_EQ(f.Noise(d, 2, 3), 0.0);
        CSGFilter copy(f);
        EXPECT_EQ(copy.m_pCoef, nullptr);
    }
}

TEST(SGFilter, CopiesOwnTheirCoefficients) {
    double data[5] = {1, 4, 2, 8, 5};
    const double* d = OneBased(static_cast<const double*>(data));
    auto* src = new CSGFilter(2, 2, 2, 0);
    double want = src->Evaluate(d, 3, 5);
    CSGFilter copy(*src);
    CSGFilter assigned(1, 1, 0, 0);
    assigned = *src;
    EXPECT_NE(copy.m_pCoef, src->m_pCoef);
    EXPECT_NE(assigned.m_pRaw, src->m_pRaw);
    EXPECT_EQ(assigned.m_nLeft, 2);
    EXPECT_EQ(assigned.m_nPoints, 5);
    delete src;  // the copies must not depend on the source's tables
    EXPECT_EQ(copy.Evaluate(d, 3, 5), want);
    EXPECT_EQ(assigned.Evaluate(d, 3, 5), want);
    EXPECT_EQ(assigned.m_pRaw[1], assigned.m_pCoef[0]);
    assigned = assigned;
    EXPECT_EQ(assigned.Evaluate(d, 3, 5), want);
    CSGFilter none(1, 1, 5, 0);
    assigned = none;
    EXPECT_EQ(assigned.Evaluate(d, 3, 5), 0.0);
}
