// Gauss-Jordan elimination and covariance re-ordering on one-based matrices. The singular cases also prove, in
// the sanitizer build (leak check at exit), that the work vectors are released when the solver raises.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "support/support.h"
#include "xrddata/numeric/alloc.h"
#include "xrddata/numeric/gaussjordan.h"

namespace {

// An owned one-based matrix filled row by row.
struct Mat {
    Mat(int rows, int cols, std::vector<double> v = {}) : n(rows), m(cols), p(dmatrix(1, rows, 1, cols)) {
        for (int r = 1; r <= n; ++r)
            for (int c = 1; c <= m; ++c) p[r][c] = v.empty() ? 0.0 : v[(r - 1) * m + (c - 1)];
    }
    ~Mat() { free_dmatrix(p, 1, n, 1, m); }
    std::vector<double> Values() const {
        std::vector<double> v;
        for (int r = 1; r <= n; ++r) v.insert(v.end(), &p[r][1], &p[r][1] + m);
        return v;
    }
    int n, m;
    double** p;
};

std::string Solve(const Mat& a, const Mat& b) {
    return testing_support::Raised([&] { GaussJordan(a.p, a.n, b.p, b.m); });
}

}  // namespace

TEST(GaussJordan, InvertsAndSolves) {
    Mat a(2, 2, {2, 0, 0, 4}), b(2, 1, {2, 8});
    ASSERT_EQ(Solve(a, b), "");
    EXPECT_EQ(a.Values(), (std::vector<double>{0.5, 0, 0, 0.25}));
    EXPECT_EQ(b.Values(), (std::vector<double>{1, 2}));
    // A permutation needs row exchanges and their undoing on the columns: its inverse is its transpose.
    Mat p(3, 3, {0, 1, 0, 0, 0, 1, 1, 0, 0}), pb(3, 2, {1, 4, 2, 5, 3, 6});
    ASSERT_EQ(Solve(p, pb), "");
    EXPECT_EQ(p.Values(), (std::vector<double>{0, 0, 1, 1, 0, 0, 0, 1, 0}));
    EXPECT_EQ(pb.Values(), (std::vector<double>{3, 6, 1, 4, 2, 5}));

    const int n = 30;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1, 1);
    Mat r(n, n), r0(n, n), rb(n, 1), rb0(n, 1);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) r.p[i][j] = r0.p[i][j] = u(rng);
        rb.p[i][1] = rb0.p[i][1] = u(rng);
    }
    ASSERT_EQ(Solve(r, rb), "");
    for (int i = 1; i <= n; ++i) {
        double s = 0;
        for (int k = 1; k <= n; ++k) s += r0.p[i][k] * rb.p[k][1];
        EXPECT_NEAR(s, rb0.p[i][1], 1e-10);
        for (int j = 1; j <= n; ++j) {
            double t = 0;
            for (int k = 1; k <= n; ++k) t += r0.p[i][k] * r.p[k][j];
            EXPECT_NEAR(t, i == j ? 1.0 : 0.0, 1e-10);
        }
    }
}

TEST(GaussJordan, SingularMatricesRaiseTheirMessages) {
    Mat zero(2, 2), zb(2, 1), rank1(3, 3, {1, 2, 3, 2, 4, 6, 1, 1, 1}), rb(3, 1);
    EXPECT_EQ(Solve(zero, zb), "GaussJordan: Singular Matrix-2");
    EXPECT_EQ(Solve(rank1, rb), "GaussJordan: Singular Matrix-2");
    // NaN entries never qualify as a pivot: with none at all the first step cannot choose one; a later step that
    // finds none reuses the last pivot column, which is then counted twice.
    Mat nan(2, 2, {NAN, NAN, NAN, NAN}), nb(2, 1), late(3, 3, {1, 0, 0, 0, NAN, NAN, 0, NAN, NAN}), lb(3, 1);
    EXPECT_EQ(Solve(nan, nb), "GaussJordan: failed col/row swapping");
    EXPECT_EQ(Solve(late, lb), "GaussJordan: Singular Matrix-1");
}

TEST(Covsrt, SpreadsTheFittedCovarianceAndZeroesTheFixedParameters) {
    Mat cov(4, 4, {1, 2, 9, 9, 2, 3, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
    int flags[4] = {1, 0, 1, 0};
    covsrt(cov.p, 4, OneBased(flags), 2);
    EXPECT_EQ(cov.Values(), (std::vector<double>{1, 0, 2, 0, 0, 0, 0, 0, 2, 0, 3, 0, 0, 0, 0, 0}));
    // More flags than fitted parameters, or nFit above nAll, stay inside the matrix.
    Mat odd(3, 3, {1, 0, 0, 0, 0, 0, 0, 0, 0});
    int three[3] = {1, 1, 1};
    covsrt(odd.p, 3, OneBased(three), 1);
    EXPECT_EQ(odd.p[3][3], 1.0);
    covsrt(odd.p, 3, OneBased(three), 5);
}
