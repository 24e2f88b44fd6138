#include "xrddata/numeric/savgol.h"

#include <cmath>

#include "xrddata/numeric/error.h"
#include "xrddata/numeric/workvector.h"

namespace {

// Crout LU decomposition with partial pivoting and implicit scaling of a[1..n][1..n] in place; indx[1..n] receives
// the row permutation. The parity of the permutation is not needed here.
void ludcmp(double** a, int n, int* indx) {
    WorkVector<double> vv(1, n);  // row scales
    for (int i = 1; i <= n; ++i) {
        double big = 0.0;
        for (int j = 1; j <= n; ++j) {
            double t = std::fabs(a[i][j]);
            if (t > big) big = t;
        }
        if (big == 0.0 || std::isnan(big)) NumericalError("Singular matrix in routine ludcmp");
        vv[i] = 1.0 / big;
    }
    for (int j = 1; j <= n; ++j) {
        for (int i = 1; i < j; ++i) {
            double sum = a[i][j];
            for (int k = 1; k < i; ++k) sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
        }
        double big = 0.0;
        int imax = j;
        for (int i = j; i <= n; ++i) {
            double sum = a[i][j];
            for (int k = 1; k < j; ++k) sum -= a[i][k] * a[k][j];
            a[i][j] = sum;
            double dum = vv[i] * std::fabs(sum);
            if (dum >= big) {
                big = dum;
                imax = i;
            }
        }
        if (j != imax) {
            for (int k = 1; k <= n; ++k) {
                double t = a[imax][k];
                a[imax][k] = a[j][k];
                a[j][k] = t;
            }
            vv[imax] = vv[j];
        }
        indx[j] = imax;
        if (a[j][j] == 0.0 || std::isnan(a[j][j])) a[j][j] = 1e-20;
        if (j != n) {
            double dum = 1.0 / a[j][j];
            for (int i = j + 1; i <= n; ++i) a[i][j] *= dum;
        }
    }
}

// Solves a·x = b in place on b[1..n] with the decomposition from ludcmp; leading zeros of b are skipped.
void lubksb(double** a, int n, const int* indx, double* b) {
    int ii = 0;
    for (int i = 1; i <= n; ++i) {
        int ip = indx[i];
        double sum = b[ip];
        b[ip] = b[i];
        if (ii) {
            for (int j = ii; j < i; ++j) sum -= a[i][j] * b[j];
        } else if (sum != 0.0) {
            ii = i;
        }
        b[i] = sum;
    }
    for (int i = n; i >= 1; --i) {
        double sum = b[i];
        for (int j = i + 1; j <= n; ++j) sum -= a[i][j] * b[j];
        b[i] = sum / a[i][i];
    }
}

}  // namespace

void SavitkyGolay(double* c, int np, int nl, int nr, int ld, int m) {
    // In 64 bits, so that extreme arguments cannot overflow the checks. A negative ld would index b outside 1..m+1.
    long long window = static_cast<long long>(nl) + nr;
    if (np < window + 1 || nl < 0 || nr < 0 || ld < 0 || ld > m || window < m)
        NumericalError("bad args in SavitkyGolay");
    // Normal matrix of the least-squares fit: a[i][j] = sum over the window of k^(i+j-2).
    // An order too large to allocate its (m+1)×(m+1) matrix raises std::bad_alloc here; past it n fits an int.
    WorkMatrix a(1, m + 1L, 1, m + 1L);
    WorkVector<double> b(1, m + 1L);
    WorkVector<int> indx(1, m + 1L);
    const int n = m + 1;
    for (long p = 0; p <= 2L * m; ++p) {
        double sum = p == 0 ? 1.0 : 0.0;
        for (int k = 1; k <= nr; ++k) sum += std::pow(static_cast<double>(k), static_cast<double>(p));
        for (int k = 1; k <= nl; ++k) sum += std::pow(static_cast<double>(-k), static_cast<double>(p));
        long q = p < 2L * m - p ? p : 2L * m - p;
        for (long j = -q; j <= q; j += 2) a[1 + (p + j) / 2][1 + (p - j) / 2] = sum;
    }
    ludcmp(a.get(), n, indx.get());
    for (int j = 1; j <= n; ++j) b[j] = 0.0;
    b[ld + 1] = 1.0;
    lubksb(a.get(), n, indx.get(), b.get());
    for (int k = 1; k <= np; ++k) c[k] = 0.0;
    for (int k = -nl; k <= nr; ++k) {
        double sum = b[1], fac = 1.0;
        for (int t = 1; t <= m; ++t) sum += b[t + 1] * (fac *= k);
        c[(static_cast<long long>(np) - k) % np + 1] = sum;
    }
}
