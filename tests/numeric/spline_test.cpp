// Free spline functions, the tridiagonal solver and the weighted average: hand-computed cases, exactness on
// cubics, and the second derivatives against a dense solve of the spline equations.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "xrddata/numeric/alloc.h"
#include "xrddata/numeric/gaussjordan.h"
#include "xrddata/numeric/spline.h"

namespace {

std::string Raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const char* msg) {
        return msg;
    }
    return "";
}

double Interp(std::vector<double>& x, std::vector<double>& y, std::vector<double>& y2, double at) {
    double v;
    SplineInterpolate(OneBased(x.data()), OneBased(y.data()), OneBased(y2.data()), int(x.size()), at, &v);
    return v;
}

}  // namespace

TEST(Spline, HandComputedNaturalSpline) {
    std::vector<double> x = {0, 1, 2}, y = {0, 1, 0}, y2(3, 99.0);
    Spline(OneBased(x.data()), OneBased(y.data()), 3, 1e30, 1e30, OneBased(y2.data()));
    EXPECT_EQ(y2, (std::vector<double>{0, -3, 0}));
    EXPECT_EQ(Interp(x, y, y2, 0.5), 0.6875);
    EXPECT_EQ(Interp(x, y, y2, 1.5), 0.6875);
    EXPECT_EQ(Interp(x, y, y2, 1.0), 1.0);
    // Outside the range the end cubic continues: at -1, a = 2, b = -1 on [0, 1] gives -1 + (-1+1)(-3)/6 = -1.
    EXPECT_EQ(Interp(x, y, y2, -1.0), -1.0);

    // The natural-end threshold: 9.9e+29 is still a derivative, 1e+30 is not.
    std::vector<double> c2(3), n2(3);
    Spline(OneBased(x.data()), OneBased(y.data()), 3, 9.9e29, 1e30, OneBased(c2.data()));
    Spline(OneBased(x.data()), OneBased(y.data()), 3, 1e30, 1e30, OneBased(n2.data()));
    EXPECT_EQ(n2[0], 0.0);
    EXPECT_LT(c2[0], -1e29);
}

TEST(Spline, ClampedSplineReproducesACubic) {
    auto f = [](double t) { return t * t * t - 2 * t * t + 0.5 * t + 1; };
    auto df = [](double t) { return 3 * t * t - 4 * t + 0.5; };
    std::vector<double> x = {-1, -0.3, 0.2, 1.5, 1.6, 3}, y, y2(x.size());
    for (double t : x) y.push_back(f(t));
    Spline(OneBased(x.data()), OneBased(y.data()), int(x.size()), df(x.front()), df(x.back()), OneBased(y2.data()));
    for (double t = -1; t <= 3; t += 0.05) EXPECT_NEAR(Interp(x, y, y2, t), f(t), 1e-12) << t;
    for (size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(y2[i], 6 * x[i] - 4, 1e-12) << i;

    // A natural spline through a straight line has no curvature.
    std::vector<double> ly = {1, 2.4, 3.4, 6, 6.2, 9}, l2(6, 5.0);
    Spline(OneBased(x.data()), OneBased(ly.data()), 6, 2.0, 1e31, OneBased(l2.data()));
    for (double v : l2) EXPECT_NEAR(v, 0.0, 1e-12);
}

TEST(Spline, SecondDerivativesMatchADenseSolve) {
    const int n = 14;
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> step(0.1, 2.0), val(-5, 5);
    std::vector<double> x(n), y(n), y2(n);
    x[0] = 0.5;
    for (int i = 1; i < n; ++i) x[i] = x[i - 1] + step(rng);
    for (double& v : y) v = val(rng);
    for (auto [yp1, ypn] : {std::pair{0.3, -1.2}, {1e30, 1e30}, {1e30, 4.0}}) {
        Spline(OneBased(x.data()), OneBased(y.data()), n, yp1, ypn, OneBased(y2.data()));
        // The spline equations with h_i = x_{i+1} - x_i and d_i = (y_{i+1} - y_i) / h_i, one-based:
        // interior rows h_{i-1}/6 M_{i-1} + (h_{i-1}+h_i)/3 M_i + h_i/6 M_{i+1} = d_i - d_{i-1};
        // clamped ends h_1/3 M_1 + h_1/6 M_2 = d_1 - yp1 and h/6 M_{n-1} + h/3 M_n = ypn - d_{n-1}; natural M = 0.
        double** a = dmatrix(1, n, 1, n);
        double** b = dmatrix(1, n, 1, 1);
        for (int r = 1; r <= n; ++r) {
            for (int c = 1; c <= n; ++c) a[r][c] = 0;
            b[r][1] = 0;
        }
        auto h = [&](int i) { return x[i] - x[i - 1]; };  // one-based h_i
        auto d = [&](int i) { return (y[i] - y[i - 1]) / h(i); };
        for (int i = 2; i < n; ++i) {
            a[i][i - 1] = h(i - 1) / 6;
            a[i][i] = (h(i - 1) + h(i)) / 3;
            a[i][i + 1] = h(i) / 6;
            b[i][1] = d(i) - d(i - 1);
        }
        if (yp1 > 9.9e29) {
            a[1][1] = 1;
        } else {
            a[1][1] = h(1) / 3;
            a[1][2] = h(1) / 6;
            b[1][1] = d(1) - yp1;
        }
        if (ypn > 9.9e29) {
            a[n][n] = 1;
        } else {
            a[n][n - 1] = h(n - 1) / 6;
            a[n][n] = h(n - 1) / 3;
            b[n][1] = ypn - d(n - 1);
        }
        GaussJordan(a, n, b, 1);
        for (int i = 1; i <= n; ++i) EXPECT_NEAR(y2[i - 1], b[i][1], 1e-9 * (1 + std::fabs(b[i][1]))) << i;
        free_dmatrix(a, 1, n, 1, n);
        free_dmatrix(b, 1, n, 1, 1);
        // The spline passes through its points.
        for (int i = 0; i < n; ++i) EXPECT_NEAR(Interp(x, y, y2, x[i]), y[i], 1e-12);
    }
}

TEST(Spline, DegenerateInputRaisesOrIsHandledInRange) {
    std::vector<double> x = {0, 1, 1}, y = {0, 1, 2}, y2 = {0, 0, 0};
    EXPECT_EQ(Raised([&] { Interp(x, y, y2, 1.0); }), "Bad xa input to routine SplineInterpolate");
    EXPECT_EQ(Raised([&] { Interp(x, y, y2, 5.0); }), "Bad xa input to routine SplineInterpolate");
    EXPECT_EQ(Raised([&] { Interp(x, y, y2, 0.5); }), "");
    std::vector<double> one = {2}, oy = {7}, o2 = {0};
    EXPECT_EQ(Raised([&] { Interp(one, oy, o2, 2.0); }), "Bad xa input to routine SplineInterpolate");
    EXPECT_EQ(Raised([&] {
                  double v;
                  SplineInterpolate(x.data(), y.data(), y2.data(), 0, 0.0, &v);
              }),
              "Bad xa input to routine SplineInterpolate");
    std::vector<double> nx = {0, NAN, 2};
    EXPECT_EQ(Raised([&] { Interp(nx, y, y2, 1.0); }), "Bad xa input to routine SplineInterpolate");

    // Spline refuses zero-wide or NaN intervals instead of filling the derivatives with infinities.
    EXPECT_EQ(Raised([&] { Spline(OneBased(x.data()), OneBased(y.data()), 3, 1e30, 1e30, OneBased(y2.data())); }),
              "Bad x input to routine Spline");
    EXPECT_EQ(Raised([&] { Spline(OneBased(nx.data()), OneBased(y.data()), 3, 0, 0, OneBased(y2.data())); }),
              "Bad x input to routine Spline");
    // One point: no curvature; none: nothing written (sized exactly, the sanitizer build sees any overrun).
    double* s = dvector(1, 1);
    double* sx = dvector(1, 1);
    sx[1] = 1;
    s[1] = 42;
    Spline(sx, sx, 1, 0.0, 0.0, s);
    EXPECT_EQ(s[1], 0.0);
    s[1] = 42;
    Spline(sx, sx, 0, 0.0, 0.0, s);
    EXPECT_EQ(s[1], 42.0);
    free_dvector(s, 1, 1);
    free_dvector(sx, 1, 1);
}

TEST(Tridiagonal, SolvesAndReportsZeroPivots) {
    // 2 1 0 0 | 1      solution 1, -1, 2, 0.5 (checked by substitution below)
    // 1 3 1 0 |
    // 0 1 4 1 |
    // 0 0 2 5 |
    std::vector<double> a = {0, 1, 1, 2}, b = {2, 3, 4, 5}, c = {1, 1, 1, 0}, want = {1, -1, 2, 0.5}, r(4), u(4);
    r[0] = b[0] * want[0] + c[0] * want[1];
    for (int i = 1; i < 3; ++i) r[i] = a[i] * want[i - 1] + b[i] * want[i] + c[i] * want[i + 1];
    r[3] = a[3] * want[2] + b[3] * want[3];
    auto solve = [&](int n) {
        Tridiagonal(OneBased(a.data()), OneBased(b.data()), OneBased(c.data()), OneBased(r.data()),
                    OneBased(u.data()), n);
    };
    solve(4);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(u[i], want[i], 1e-14) << i;
    u = {7, 7, 7, 7};
    solve(0);
    EXPECT_EQ(u[0], 7.0);
    solve(1);
    EXPECT_EQ(u[0], r[0] / 2);

    b[0] = 0;
    EXPECT_EQ(Raised([&] { solve(4); }), "Error 1 in Tridiagonal");
    b[0] = NAN;
    EXPECT_EQ(Raised([&] { solve(4); }), "Error 1 in Tridiagonal");
    b = {1, 1, 4, 5};  // bet = 1 - 1·1 = 0 in the second row
    EXPECT_EQ(Raised([&] { solve(4); }), "Error 2 in Tridiagonal");
}

TEST(AverageEstimates, WeightsByInverseErrorOverPositiveEstimates) {
    double est[3] = {2, -1, 4}, err[3] = {1, 1, 0.5};
    double mean = -7, meanErr = -7;
    EXPECT_EQ(AverageEstimates(est, err, 3, &mean, &meanErr), 2);
    EXPECT_DOUBLE_EQ(mean, 10.0 / 3);
    EXPECT_DOUBLE_EQ(meanErr, 1 / std::sqrt(5.0 / 2));
    EXPECT_EQ(AverageEstimates(est, err, 3, nullptr, nullptr), 2);

    // Nothing usable: outputs untouched.
    double bad[3] = {0, -2, NAN};
    mean = meanErr = -7;
    EXPECT_EQ(AverageEstimates(bad, err, 3, &mean, &meanErr), 0);
    EXPECT_EQ(AverageEstimates(est, err, 0, &mean, &meanErr), 0);
    EXPECT_EQ(mean, -7.0);
    EXPECT_EQ(meanErr, -7.0);

    // A zero error carries the weight of the smallest normal error and dominates.
    double e2[2] = {1, 3}, z[2] = {0, 1};
    EXPECT_EQ(AverageEstimates(e2, z, 2, &mean, nullptr), 2);
    EXPECT_DOUBLE_EQ(mean, 1.0);
}
