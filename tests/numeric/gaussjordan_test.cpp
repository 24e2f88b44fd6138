// Gauss-Jordan elimination and covariance re-ordering on one-based matrices. The singular cases also prove, in
// the sanitizer build (leak check at exit), that the work vectors are released when the solver raises.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

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
    double* operator[](int r) const { return p[r]; }
    int n, m;
    double** p;
};

std::string Solve(const Mat& a, const Mat& b) {
    try {
        GaussJordan(a.p, a.n, b.p, b.m);
    } catch (const char* msg) {
        return msg;
    }
    return "";
}

}  // namespace

TEST(GaussJordan, InvertsAndSolvesSmallSystemsExactly) {
    Mat a(2, 2, {2, 0, 0, 4}), b(2, 1, {2, 8});
    ASSERT_EQ(Solve(a, b), "");
    EXPECT_EQ(a[1][1], 0.5);
    EXPECT_EQ(a[1][2], 0.0);
    EXPECT_EQ(a[2][1], 0.0);
    EXPECT_EQ(a[2][2], 0.25);
    EXPECT_EQ(b[1][1], 1.0);
    EXPECT_EQ(b[2][1], 2.0);

    // A permutation needs row exchanges and their undoing on the columns: it is its own inverse.
    Mat p(3, 3, {0, 1, 0, 0, 0, 1, 1, 0, 0}), pb(3, 2, {1, 4, 2, 5, 3, 6});
    ASSERT_EQ(Solve(p, pb), "");
    std::vector<double> pinv = {0, 0, 1, 1, 0, 0, 0, 1, 0};
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c) EXPECT_EQ(p[r][c], pinv[(r - 1) * 3 + c - 1]) << r << "," << c;
    EXPECT_EQ(pb[1][1], 3.0);
    EXPECT_EQ(pb[2][1], 1.0);
    EXPECT_EQ(pb[3][2], 5.0);

    // No right-hand side at all.
    Mat c(2, 2, {4, 7, 2, 6}), none(2, 0);
    ASSERT_EQ(Solve(c, none), "");
    EXPECT_NEAR(c[1][1], 0.6, 1e-15);
    EXPECT_NEAR(c[1][2], -0.7, 1e-15);
    EXPECT_NEAR(c[2][1], -0.2, 1e-15);
    EXPECT_NEAR(c[2][2], 0.4, 1e-15);
}

TEST(GaussJordan, InverseAndSolutionOfARandomSystem) {
    const int n = 40;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1, 1);
    Mat a(n, n), a0(n, n), b(n, 2), b0(n, 2);
    for (int r = 1; r <= n; ++r) {
        for (int c = 1; c <= n; ++c) a[r][c] = a0[r][c] = u(rng);
        b[r][1] = b0[r][1] = u(rng);
        b[r][2] = b0[r][2] = u(rng);
    }
    ASSERT_EQ(Solve(a, b), "");
    for (int r = 1; r <= n; ++r) {
        for (int c = 1; c <= n; ++c) {
            double s = 0;
            for (int k = 1; k <= n; ++k) s += a0[r][k] * a[k][c];
            EXPECT_NEAR(s, r == c ? 1.0 : 0.0, 1e-10);
        }
        for (int j = 1; j <= 2; ++j) {
            double s = 0;
            for (int k = 1; k <= n; ++k) s += a0[r][k] * b[k][j];
            EXPECT_NEAR(s, b0[r][j], 1e-10);
        }
    }
}

TEST(GaussJordan, SingularMatricesRaiseTheirMessages) {
    Mat zero(2, 2), zb(2, 1);
    EXPECT_EQ(Solve(zero, zb), "GaussJordan: Singular Matrix-2");
    Mat rank1(3, 3, {1, 2, 3, 2, 4, 6, 1, 1, 1}), rb(3, 1);
    EXPECT_EQ(Solve(rank1, rb), "GaussJordan: Singular Matrix-2");
    // NaN entries never qualify as a pivot: with none at all the first step cannot choose one; a later step that
    // finds none reuses the last pivot column, which is then counted twice.
    Mat nan(2, 2, {NAN, NAN, NAN, NAN}), nb(2, 1);
    EXPECT_EQ(Solve(nan, nb), "GaussJordan: failed col/row swapping");
    Mat late(3, 3, {1, 0, 0, 0, NAN, NAN, 0, NAN, NAN}), lb(3, 1);
    EXPECT_EQ(Solve(late, lb), "GaussJordan: Singular Matrix-1");
    Mat nanpivot(1, 1, {NAN}), npb(1, 1);
    EXPECT_EQ(Solve(nanpivot, npb), "GaussJordan: failed col/row swapping");
}

TEST(Covsrt, SpreadsTheFittedCovarianceAndZeroesTheFixedParameters) {
    Mat cov(4, 4, {1, 2, 9, 9, 2, 3, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
    int flags[4] = {1, 0, 1, 0};
    covsrt(cov.p, 4, OneBased(flags), 2);
    std::vector<double> want = {1, 0, 2, 0, 0, 0, 0, 0, 2, 0, 3, 0, 0, 0, 0, 0};
    for (int r = 1; r <= 4; ++r)
        for (int c = 1; c <= 4; ++c) EXPECT_EQ(cov[r][c], want[(r - 1) * 4 + c - 1]) << r << "," << c;

    // All fitted: unchanged.
    Mat all(2, 2, {5, 6, 6, 7});
    int both[2] = {1, 1};
    covsrt(all.p, 2, OneBased(both), 2);
    EXPECT_EQ(all[1][2], 6.0);
    EXPECT_EQ(all[2][2], 7.0);

    // More flags than fitted parameters, or nFit above nAll, stay inside the matrix.
    Mat odd(3, 3, {1, 0, 0, 0, 0, 0, 0, 0, 0});
    int three[3] = {1, 1, 1};
    covsrt(odd.p, 3, OneBased(three), 1);
    EXPECT_EQ(odd[3][3], 1.0);
    covsrt(odd.p, 3, OneBased(three), 5);
}
