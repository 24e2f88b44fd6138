#include "xrddata/calc/splinenormal.h"

#include <algorithm>

SplineNormalSums::SplineNormalSums(int nKnots, const double* knotX, double** spline)
    : m_nKnots(nKnots), m_pKnotX(knotX), m_pSpline(spline), m_sums(static_cast<size_t>(nKnots + 1) * kSums, 0.0) {}

int SplineNormalSums::Bracket(const double* knotX, int nKnots, double x, double coef[4]) {
    int lo = 0, hi = nKnots + 1;
    while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        if (x < knotX[mid])
            hi = mid;
        else
            lo = mid;
    }
    // The data lie strictly inside the outer knots; a value that does not (or is not a number) is kept to the
    // first or last interval instead of indexing outside the knots.
    lo = std::clamp(lo, 1, nKnots - 1);
    hi = lo + 1;
    const double h = knotX[hi] - knotX[lo];
    const double a = (knotX[hi] - x) / h;
    const double b = 1.0 - a;
    coef[0] = a;
    coef[1] = b;
    coef[2] = (a * a * a - a) * h * h / 6.0;
    coef[3] = (b * b * b - b) * h * h / 6.0;
    return lo;
}

void SplineNormalSums::Add(double x, double w, double y) {
    double a[4];
    const int lo = Bracket(m_pKnotX, m_nKnots, x, a);
    double* s = &m_sums[static_cast<size_t>(lo) * kSums];
    const double w0 = w * a[0], w1 = w * a[1], w2 = w * a[2], w3 = w * a[3];
    s[0] += w0 * a[0];
    s[1] += w0 * a[1];
    s[2] += w0 * a[2];
    s[3] += w0 * a[3];
    s[4] += w1 * a[1];
    s[5] += w1 * a[2];
    s[6] += w1 * a[3];
    s[7] += w2 * a[2];
    s[8] += w2 * a[3];
    s[9] += w3 * a[3];
    s[10] += w0 * y;
    s[11] += w1 * y;
    s[12] += w2 * y;
    s[13] += w3 * y;
}

void SplineNormalSums::Expand(const int* fitted, const int* rank, int q, const double* knotY, double** n,
                              double* beta) const {
    const int K = m_nKnots;
    double** M = m_pSpline;
    if (q < 1 || K < 2) return;
    const size_t K2 = static_cast<size_t>(K) + 2;
    const size_t Q = static_cast<size_t>(q) + 1;

    // Fitted knots in rank order, and the spline rows gathered at their columns: mf[p·Q + k] = M[p][knot of rank k].
    std::vector<int> knot(Q, 0);
    for (int j = 1; j <= K; ++j)
        if (fitted[j]) knot[static_cast<size_t>(rank[j])] = j;
    std::vector<double> mf(K2 * Q, 0.0);  // rows 0 and K+1 stay zero: no spline row lies beyond the knots
    for (int p = 1; p <= K; ++p)
        for (int k = 1; k <= q; ++k) mf[static_cast<size_t>(p) * Q + static_cast<size_t>(k)] = M[p][knot[static_cast<size_t>(k)]];

    // Held knots: their values and their part of each spline row, to move to the right-hand side.
    std::vector<double> yHeld(K2, 0.0), mHeld(K2, 0.0);
    for (int j = 1; j <= K; ++j)
        if (!fitted[j]) yHeld[static_cast<size_t>(j)] = knotY[j];
    for (int p = 1; p <= K; ++p) {
        double sum = 0.0;
        for (int j = 1; j <= K; ++j)
            if (!fitted[j]) sum += M[p][j] * knotY[j];
        mHeld[static_cast<size_t>(p)] = sum;
    }

    // The interval sums gathered by knot: unit-unit (ee), unit-row (em) and row-row (mm) couplings, each between a
    // knot and itself or a neighbour, and the right-hand side per unit vector (ge) and per spline row (gm).
    std::vector<double> eeDiag(K2, 0.0), eeNext(K2, 0.0), mmDiag(K2, 0.0), mmNext(K2, 0.0);
    std::vector<double> emPrev(K2, 0.0), emSame(K2, 0.0), emNext(K2, 0.0), ge(K2, 0.0), gm(K2, 0.0);
    for (int lo = 1; lo < K; ++lo) {
        const double* s = &m_sums[static_cast<size_t>(lo) * kSums];
        const size_t a = static_cast<size_t>(lo), b = a + 1;
        eeDiag[a] += s[0];
        eeNext[a] += s[1];
        eeDiag[b] += s[4];
        emSame[a] += s[2];
        emNext[a] += s[3];
        emPrev[b] += s[5];
        emSame[b] += s[6];
        mmDiag[a] += s[7];
        mmNext[a] += s[8];
        mmDiag[b] += s[9];
        const double h[4] = {yHeld[a], yHeld[b], mHeld[a], mHeld[b]};
        ge[a] += s[10] - (s[0] * h[0] + s[1] * h[1] + s[2] * h[2] + s[3] * h[3]);
        ge[b] += s[11] - (s[1] * h[0] + s[4] * h[1] + s[5] * h[2] + s[6] * h[3]);
        gm[a] += s[12] - (s[2] * h[0] + s[5] * h[1] + s[7] * h[2] + s[8] * h[3]);
        gm[b] += s[13] - (s[3] * h[0] + s[6] * h[1] + s[8] * h[2] + s[9] * h[3]);
    }

    auto row = [&](size_t p) { return &mf[p * Q]; };
    std::vector<double> z(Q, 0.0);

    // Unit-unit and unit-row parts, and the unit part of the right-hand side.
    for (int r = 1; r <= q; ++r) {
        const size_t p = static_cast<size_t>(knot[static_cast<size_t>(r)]);
        n[r][r] += eeDiag[p];
        if (p + 1 <= static_cast<size_t>(K) && fitted[p + 1]) n[rank[p + 1]][r] += eeNext[p];
        const double* mPrev = row(p - 1);
        const double* mSame = row(p);
        const double* mNext = row(p + 1);
        for (int k = 1; k <= q; ++k) z[k] = emPrev[p] * mPrev[k] + emSame[p] * mSame[k] + emNext[p] * mNext[k];
        // e(p)·zᵀ + z·e(p)ᵀ, lower triangle: row r up to the diagonal, column r below it.
        for (int k = 1; k <= r; ++k) n[r][k] += z[k];
        for (int k = r; k <= q; ++k) n[k][r] += z[k];
        beta[r] += ge[p];
    }

    // Row-row part: the sum over knots p of M[p]ᵀ·(mm couplings of p applied to the neighbouring rows).
    for (size_t p = 1; p <= static_cast<size_t>(K); ++p) {
        const double* mp = row(p);
        bool any = false;
        for (int k = 1; k <= q && !any; ++k) any = mp[k] != 0.0;
        if (!any) continue;  // the natural end rows are zero
        const double* mPrev = row(p - 1);
        const double* mNext = row(p + 1);
        const double cPrev = mmNext[p - 1], cSame = mmDiag[p], cNext = mmNext[p];
        for (int k = 1; k <= q; ++k) z[k] = cPrev * mPrev[k] + cSame * mp[k] + cNext * mNext[k];
        for (int l = 1; l <= q; ++l) {
            const double ml = mp[l];
            if (ml == 0.0) continue;
            double* nl = n[l];
            for (int k = 1; k <= l; ++k) nl[k] += ml * z[k];
        }
        const double g = gm[p];
        for (int k = 1; k <= q; ++k) beta[k] += g * mp[k];
    }
}
