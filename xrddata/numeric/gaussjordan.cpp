#include "xrddata/numeric/gaussjordan.h"

#include <cmath>

#include "xrddata/numeric/error.h"
#include "xrddata/numeric/workvector.h"

namespace {

void SwapRows(double** a, int r1, int r2, int ncol) {
    for (int l = 1; l <= ncol; ++l) {
        double t = a[r1][l];
        a[r1][l] = a[r2][l];
        a[r2][l] = t;
    }
}

}  // namespace

void GaussJordan(double** a, int n, double** b, int m) {
    // Pivot count per column, and the pivot row and column of each step; released on every way out.
    WorkVector<int> ipiv(1, n), indxr(1, n), indxc(1, n);
    for (int j = 1; j <= n; ++j) ipiv[j] = 0;
    int irow = 0, icol = 0;  // kept across steps
    for (int i = 1; i <= n; ++i) {
        double big = 0.0;
        for (int j = 1; j <= n; ++j) {
            if (ipiv[j] == 1) continue;
            for (int k = 1; k <= n; ++k) {
                if (ipiv[k] == 0) {
                    if (std::fabs(a[j][k]) >= big) {
                        big = std::fabs(a[j][k]);
                        irow = j;
                        icol = k;
                    }
                } else if (ipiv[k] > 1) {
                    NumericalError("GaussJordan: Singular Matrix-1");
                }
            }
        }
        if (irow == 0 || icol == 0) NumericalError("GaussJordan: failed col/row swapping");
        ++ipiv[icol];
        if (irow != icol) {
            SwapRows(a, irow, icol, n);
            SwapRows(b, irow, icol, m);
        }
        indxr[i] = irow;
        indxc[i] = icol;
        double piv = a[icol][icol];
        if (piv == 0.0 || std::isnan(piv)) NumericalError("GaussJordan: Singular Matrix-2");
        double pivinv = 1.0 / piv;
        a[icol][icol] = 1.0;
        for (int l = 1; l <= n; ++l) a[icol][l] *= pivinv;
        for (int l = 1; l <= m; ++l) b[icol][l] *= pivinv;
        for (int ll = 1; ll <= n; ++ll) {
            if (ll == icol) continue;
            double t = a[ll][icol];
            a[ll][icol] = 0.0;
            for (int l = 1; l <= n; ++l) a[ll][l] -= a[icol][l] * t;
            for (int l = 1; l <= m; ++l) b[ll][l] -= b[icol][l] * t;
        }
    }
    // Undo the column interchanges in reverse order.
    for (int l = n; l >= 1; --l) {
        if (indxr[l] == indxc[l]) continue;
        for (int k = 1; k <= n; ++k) {
            double t = a[k][indxr[l]];
            a[k][indxr[l]] = a[k][indxc[l]];
            a[k][indxc[l]] = t;
        }
    }
}

void covsrt(double** cov, int nAll, int* fitted, int nFit) {
    for (int i = nFit + 1; i <= nAll; ++i)
        for (int j = 1; j <= i; ++j) cov[i][j] = cov[j][i] = 0.0;
    // With consistent arguments exactly nFit flags are set. Otherwise the target index k would leave 1..nAll:
    // nFit is taken as at most nAll and flags found after k reached 0 are ignored.
    int k = nFit < nAll ? nFit : nAll;
    for (int j = nAll; j >= 1 && k >= 1; --j) {
        if (!fitted[j]) continue;
        for (int i = 1; i <= nAll; ++i) {
            double t = cov[i][k];
            cov[i][k] = cov[i][j];
            cov[i][j] = t;
        }
        for (int i = 1; i <= nAll; ++i) {
            double t = cov[k][i];
            cov[k][i] = cov[j][i];
            cov[j][i] = t;
        }
        --k;
    }
}
