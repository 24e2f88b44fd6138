// The banded solver against Gauss-Jordan on the same systems: indefinite ones whose diagonal is zero in places
// (so that rows must be exchanged within the band, as in the background fit's saddle-point system), narrow and
// wide bands, and singular ones.
#include "xrddata/numeric/bandsolve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "xrddata/numeric/gaussjordan.h"
#include "xrddata/numeric/workvector.h"

TEST(BandSystem, SolvesWhatGaussJordanSolves) {
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int kl : {0, 1, 3, 5}) {
        for (int ku : {0, 2, 5}) {
            const int n = 40;
            BandSystem band(n, kl, ku);
            WorkMatrix a(1, n, 1, n), b(1, n, 1, 1);
            for (int r = 1; r <= n; ++r)
                for (int c = 1; c <= n; ++c) a[r][c] = 0.0;
            for (int r = 0; r < n; ++r) {
                // Every third diagonal element zero where the band has room on both sides (a triangular matrix
                // with a zero diagonal would be singular), with a pivot put below it.
                const bool zeroDiagonal = kl > 0 && ku > 0 && r % 3 == 0 && r + 1 < n;
                for (int c = std::max(0, r - kl); c <= std::min(n - 1, r + ku); ++c) {
                    const double v = r == c && zeroDiagonal ? 0.0 : u(rng);
                    a[r + 1][c + 1] += v;
                    band.Add(r, c, v);
                }
                if (zeroDiagonal) {
                    a[r + 2][r + 1] += 2.0;  // a pivot for the zero diagonal
                    band.Add(r + 1, r, 2.0);
                }
                if (kl == 0 || ku == 0) {  // triangular: the diagonal itself must carry the column
                    a[r + 1][r + 1] += 3.0;
                    band.Add(r, r, 3.0);
                }
                b[r + 1][1] = u(rng);
                band.AddRhs(r, b[r + 1][1]);
            }
            try {
                GaussJordan(a.get(), n, b.get(), 1);
            } catch (const char* e) {
                FAIL() << "GJ " << e << " " << kl << " " << ku;
            }
            std::vector<double> x;
            try {
                x = band.Solve();
            } catch (const char* e) {
                FAIL() << "band " << e << " " << kl << " " << ku;
            }
            for (int i = 0; i < n; ++i) EXPECT_NEAR(x[i], b[i + 1][1], 1e-9 * (1.0 + std::fabs(b[i + 1][1]))) << kl << ku;
        }
    }
}

TEST(BandSystem, SingularSystemsRaiseTheNumericalError) {
    BandSystem zero(3, 1, 1);
    EXPECT_THROW(zero.Solve(), const char*);
    // Two equal rows.
    BandSystem twice(2, 1, 1);
    twice.Add(0, 0, 1.0), twice.Add(0, 1, 2.0), twice.Add(1, 0, 1.0), twice.Add(1, 1, 2.0);
    EXPECT_THROW(twice.Solve(), const char*);
    BandSystem nan(1, 0, 0);
    nan.Add(0, 0, std::nan(""));
    EXPECT_THROW(nan.Solve(), const char*);
}
