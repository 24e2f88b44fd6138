// Free spline functions, the tridiagonal solver and the weighted average: hand-computed cases, exactness on a
// cubic, and the second derivatives against a dense solve of the spline equations.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "support/support.h"
#include "xrddata/numeric/alloc.h"
#include "xrddata/numeric/gaussjordan.h"
#include "xrddata/numeric/spline.h"

namespace {

using Vec = std::vector<double>;

using testing_support::Raised;

Vec Derivs(Vec& x, Vec& y, double yp1, double ypn) {
    Vec y2(x.size(), 99.0);
    Spline(OneBased(x.data()), OneBased(y.data()), int(x.size()), yp1, ypn, OneBased(y2.data()));
    return y2;
}

double Interp(Vec& x, Vec& y, Vec& y2, double at) {
    double v;
    SplineInterpolate(OneBased(x.data()), OneBased(y.data()), OneBased(y2.data()), int(x.size()), at, &v);
    return v;
}

}  // namespace

TEST(Spline, HandComputedCasesAndACubic) {
    Vec x = {0, 1, 2}, y = {0, 1, 0}, y2 = Derivs(x, y, 1e30, 1e30);
    EXPECT_EQ(y2, (Vec{0, -3, 0}));
    EXPECT_EQ(Interp(x, y, y2, 0.5), 0.6875);
    EXPECT_EQ(Interp(x, y, y2, 1.5), 0.6875);
    EXPECT_EQ(Interp(x, y, y2, -1.0), -1.0);  // the end cubic continues: a = 2, b = -1 on [0, 1]
    // The natural-end threshold: 9.9e+29 is still a derivative, 1e+30 is not.
    EXPECT_LT(Derivs(x, y, 9.9e29, 1e30)[0], -1e29);

    // With the true end slopes a clamped spline reproduces a cubic exactly.
    auto f = [](double t) { return t * t * t - 2 * t * t + 0.5 * t + 1; };
    auto df = [](double t) { return 3 * t * t - 4 * t + 0.5; };
    Vec cx = {-1, -0.3, 0.2, 1.5, 1.6, 3}, cy;
    for (double t : cx) cy.push_back(f(t));
    Vec c2 = Derivs(cx, cy, df(-1), df(3));
    for (double t = -1; t <= 3; t += 0.05) EXPECT_NEAR(Interp(cx, cy, c2, t), f(t), 1e-12) << t;
}

TEST(Spline, SecondDerivativesMatchADenseSolve) {
    const int n = 14;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> step(0.1, 2.0), val(-5, 5);
    Vec x(n), y(n);
    x[0] = 0.5;
    for (int i = 1; i < n; ++i) x[i] = x[i - 1] + step(rng);
    for (double& v : y) v = val(rng);
    auto h = [&](int i) { return x[i] - x[i - 1]; };  // one-based h_i and slopes d_i
    auto d = [&](int i) { return (y[i] - y[i - 1]) / h(i); };
    for (auto [yp1, ypn] : {std::pair{0.3, -1.2}, {1e30, 1e30}, {1e30, 4.0}}) {
        Vec y2 = Derivs(x, y, yp1, ypn);
        // Interior rows h_{i-1}/6 M_{i-1} + (h_{i-1}+h_i)/3 M_i + h_i/6 M_{i+1} = d_i - d_{i-1}; clamped ends
        // h_1/3 M_1 + h_1/6 M_2 = d_1 - yp1 and h/6 M_{n-1} + h/3 M_n = ypn - d_{n-1}; natural ends M = 0.
        double** a = dmatrix(1, n, 1, n);
        double** b = dmatrix(1, n, 1, 1);
        for (int r = 1; r <= n; ++r) std::fill(&a[r][1], &a[r][1] + n, 0.0), b[r][1] = 0;
        for (int i = 2; i < n; ++i) {
            a[i][i - 1] = h(i - 1) / 6, a[i][i] = (h(i - 1) + h(i)) / 3, a[i][i + 1] = h(i) / 6;
            b[i][1] = d(i) - d(i - 1);
        }
        if (yp1 > 9.9e29) a[1][1] = 1;
        else a[1][1] = h(1) / 3, a[1][2] = h(1) / 6, b[1][1] = d(1) - yp1;
        if (ypn > 9.9e29) a[n][n] = 1;
        else a[n][n - 1] = h(n - 1) / 6, a[n][n] = h(n - 1) / 3, b[n][1] = ypn - d(n - 1);
        GaussJordan(a, n, b, 1);
        for (int i = 1; i <= n; ++i) EXPECT_NEAR(y2[i - 1], b[i][1], 1e-9 * (1 + std::fabs(b[i][1]))) << i;
        for (int i = 0; i < n; ++i) EXPECT_NEAR(Interp(x, y, y2, x[i]), y[i], 1e-12);
        free_dmatrix(a, 1, n, 1, n);
        free_dmatrix(b, 1, n, 1, 1);
    }
}

TEST(Spline, ZeroWideIntervalsAndTooFewPoints) {
    Vec x = {0, 1, 1}, nx = {0, NAN, 2}, y = {0, 1, 2}, y2 = {0, 0, 0}, one = {2};
    const std::string bad = "Bad xa input to routine SplineInterpolate";
    EXPECT_EQ(Raised([&] { Interp(x, y, y2, 1.0); }), bad);
    EXPECT_EQ(Raised([&] { Interp(x, y, y2, 5.0); }), bad);
    EXPECT_EQ(Raised([&] { Interp(x, y, y2, 0.5); }), "");
    EXPECT_EQ(Raised([&] { Interp(nx, y, y2, 1.0); }), bad);
    EXPECT_EQ(Raised([&] { Interp(one, one, one, 2.0); }), bad);
    Vec none;
    EXPECT_EQ(Raised([&] { Interp(none, none, none, 2.0); }), bad);
    // Spline refuses zero-wide or NaN intervals instead of filling the derivatives with infinities.
    EXPECT_EQ(Raised([&] { Derivs(x, y, 1e30, 1e30); }), "Bad x input to routine Spline");
    EXPECT_EQ(Raised([&] { Derivs(nx, y, 0, 0); }), "Bad x input to routine Spline");
    // One point: no curvature; none: nothing written.
    EXPECT_EQ(Derivs(one, one, 0, 0), Vec{0.0});
    EXPECT_EQ(Derivs(none, none, 0, 0), Vec{});
}

TEST(Tridiagonal, SolvesAndReportsZeroPivots) {
    // Rows (2 1 0 0), (1 3 1 0), (0 1 4 1), (0 0 2 5) times (1, -1, 2, 0.5).
    Vec a = {0, 1, 1, 2}, b = {2, 3, 4, 5}, c = {1, 1, 1, 0}, r = {1, 0, 7.5, 6.5}, u(4, 7.0);
    auto solve = [&](int n) {
        Tridiagonal(OneBased(a.data()), OneBased(b.data()), OneBased(c.data()), OneBased(r.data()),
                    OneBased(u.data()), n);
    };
    solve(0);
    EXPECT_EQ(u[0], 7.0);
    solve(4);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(u[i], (Vec{1, -1, 2, 0.5})[i], 1e-14) << i;
    b[0] = NAN;
    EXPECT_EQ(Raised([&] { solve(4); }), "Error 1 in Tridiagonal");
    b = {0, 3, 4, 5};
    EXPECT_EQ(Raised([&] { solve(4); }), "Error 1 in Tridiagonal");
    b = {1, 1, 4, 5};  // bet = 1 - 1·1 = 0 in the second row
    EXPECT_EQ(Raised([&] { solve(4); }), "Error 2 in Tridiagonal");
}

TEST(AverageEstimates, WeightsByInverseErrorOverPositiveEstimates) {
    double est[3] = {2, -1, 4}, err[3] = {1, 1, 0.5}, mean = -7, meanErr = -7;
    EXPECT_EQ(AverageEstimates(est, err, 3, &mean, &meanErr), 2);
    EXPECT_DOUBLE_EQ(mean, 10.0 / 3);
    EXPECT_DOUBLE_EQ(meanErr, 1 / std::sqrt(5.0 / 2));
    EXPECT_EQ(AverageEstimates(est, err, 3, nullptr, nullptr), 2);
    double bad[3] = {0, -2, NAN};  // nothing usable: outputs untouched
    mean = meanErr = -7;
    EXPECT_EQ(AverageEstimates(bad, err, 3, &mean, &meanErr), 0);
    EXPECT_EQ(AverageEstimates(est, err, 0, &mean, &meanErr), 0);
    EXPECT_EQ(mean, -7.0);
    EXPECT_EQ(meanErr, -7.0);
    double e2[2] = {1, 3}, z[2] = {0, 1};  // a zero error weighs as the smallest normal error and dominates
    EXPECT_EQ(AverageEstimates(e2, z, 2, &mean, nullptr), 2);
    EXPECT_DOUBLE_EQ(mean, 1.0);
}
