#include "xrddata/pattern/sgwindow.h"

#include <cmath>

namespace {

// Positions before the first point read point 1, positions after the last read point n.
inline double At(const double* data, long long p, int n) { return data[p < 1 ? 1 : p > n ? n : p]; }

}  // namespace

// The least-squares normal equations in the scaled offset u = k/m: A[i][j] = sum over k of u^(i+j), which keeps
// the entries between 1 and 2m+1 whatever m is (in k itself they reach m^(2·order)). Odd sums vanish for the
// symmetric window. The filter for derivative order ld solves A·beta = e(ld); its coefficient at offset k is
// beta(k/m) · m^-ld, which is what the unscaled fit gives.
CSGWindowFilter::CSGWindowFilter(int m, int order) : m_nHalf(m), m_nOrder(order), m_bValid(0) {
    if (m < 1 || order < 0 || order > MaxOrder || order > 2LL * m) return;
    const int K = order + 1;
    long double sums[2 * MaxOrder + 1] = {};
    sums[0] = 2.0L * m + 1.0L;
    for (int k = 1; k <= m; ++k) {
        const long double u = static_cast<long double>(k) / m, u2 = u * u;
        long double pw = 1.0L;
        for (int p = 2; p <= 2 * order; p += 2) {
            pw *= u2;
            sums[p] += 2.0L * pw;
        }
    }
    for (int ld = 0; ld <= 1 && ld <= order; ++ld) {
        long double a[MaxOrder + 1][MaxOrder + 2];
        for (int i = 0; i < K; ++i) {
            for (int j = 0; j < K; ++j) a[i][j] = sums[i + j];
            a[i][K] = i == ld ? 1.0L : 0.0L;
        }
        // Gaussian elimination with partial pivoting on the small system.
        for (int c = 0; c < K; ++c) {
            int piv = c;
            for (int r = c + 1; r < K; ++r)
                if (std::fabs(a[r][c]) > std::fabs(a[piv][c])) piv = r;
            if (!(std::fabs(a[piv][c]) > 0.0L)) return;
            if (piv != c)
                for (int j = c; j <= K; ++j) std::swap(a[c][j], a[piv][j]);
            for (int r = c + 1; r < K; ++r) {
                const long double f = a[r][c] / a[c][c];
                for (int j = c; j <= K; ++j) a[r][j] -= f * a[c][j];
            }
        }
        std::vector<double> beta(K);
        for (int i = K - 1; i >= 0; --i) {
            long double s = a[i][K];
            for (int j = i + 1; j < K; ++j) s -= a[i][j] * static_cast<long double>(beta[j]);
            beta[i] = static_cast<double>(s / a[i][i]);
        }
        // The derivative is taken per point, not per unit of u.
        if (ld == 1)
            for (double& b : beta) b /= m;
        m_Beta[ld] = std::move(beta);
    }
    m_bValid = 1;
}

double CSGWindowFilter::Coefficient(int ld, int k) const {
    if (!m_bValid || ld < 0 || ld > 1 || k < -m_nHalf || k > m_nHalf || m_Beta[ld].empty()) return 0.0;
    const double u = static_cast<double>(k) / m_nHalf;
    double s = 0.0;
    for (size_t t = m_Beta[ld].size(); t-- > 0;) s = s * u + m_Beta[ld][t];
    return s;
}

void CSGWindowFilter::Apply(const double* data, int n, int first, int last, double* out0, double scale0,
                            double* out1, double scale1, std::vector<double>* work) const {
    if (first > last) return;
    // The points the filters cannot see give 0.0, as CSGFilter::Evaluate returns for them; so does a derivative
    // filter of order 0, which has no coefficients.
    const bool usable = m_bValid && data && n >= 1;
    const bool slope = usable && !m_Beta[1].empty();
    for (int i = first; i <= last; ++i) {
        const bool seen = usable && i >= 1 && i <= n;
        if (out0 && !seen) out0[i] = 0.0 / scale0;
        if (out1 && !(seen && slope)) out1[i] = 0.0 / scale1;
    }
    if (!usable) return;
    const int lo = first < 1 ? 1 : first, hi = last > n ? n : last;
    if (lo > hi) return;
    if (!slope) out1 = nullptr;
    std::vector<double> own;
    std::vector<double>& w = work ? *work : own;
    switch (m_nOrder + 1) {
        case 1: Run<1>(data, n, lo, hi, out0, scale0, out1, scale1, w); break;
        case 2: Run<2>(data, n, lo, hi, out0, scale0, out1, scale1, w); break;
        case 3: Run<3>(data, n, lo, hi, out0, scale0, out1, scale1, w); break;
        case 4: Run<4>(data, n, lo, hi, out0, scale0, out1, scale1, w); break;
        case 5: Run<5>(data, n, lo, hi, out0, scale0, out1, scale1, w); break;
        case 6: Run<6>(data, n, lo, hi, out0, scale0, out1, scale1, w); break;
        default: Run<7>(data, n, lo, hi, out0, scale0, out1, scale1, w); break;
    }
}

// The data are cut into blocks of 4m+1 points. Within a block the window's moments are taken about one fixed
// centre c (the block's middle point): W[t] = sum over the window of ((q-c)/m)^t · Y(q), with q-c between -3m and
// 3m. Moving the window one point on adds the entering point's terms and removes the leaving one's: no long chain
// of dependent operations, and rounding that grows only with the block length. Each filter's polynomial, centred
// on point i instead of c, is the same polynomial shifted by d = (i-c)/m: sum over t of beta[t]·(u-d)^t = sum
// over r of gamma[r](d)·u^r, and gamma depends only on the position of i within its block, so it is tabulated
// once. At the start of every block the moments are formed afresh from the data.
template <int K>
void CSGWindowFilter::Run(const double* data, int n, int first, int last, double* out0, double scale0,
                          double* out1, double scale1, std::vector<double>& work) const {
    const int m = m_nHalf, B = 4 * m + 1, H = 2 * m;  // block length, half of it
    double b0[K] = {}, b1[K] = {};
    for (int t = 0; t < K; ++t) {
        b0[t] = t < static_cast<int>(m_Beta[0].size()) ? m_Beta[0][t] : 0.0;
        b1[t] = t < static_cast<int>(m_Beta[1].size()) ? m_Beta[1][t] : 0.0;
    }
    double binom[K][K] = {};
    for (int t = 0; t < K; ++t) {
        binom[t][0] = binom[t][t] = 1.0;
        for (int r = 1; r < t; ++r) binom[t][r] = binom[t - 1][r - 1] + binom[t - 1][r];
    }
    // Powers of u = e/m for e = q-c = -3m..3m, at U[(e + 3m)·K + t].
    const size_t nU = static_cast<size_t>(6 * m + 1) * K, nG = static_cast<size_t>(B) * K;
    if (work.size() < nU + 2 * nG) work.resize(nU + 2 * nG);
    double* const U = work.data();
    double* const G0 = U + nU;
    double* const G1 = G0 + nG;
    for (int e = -3 * m; e <= 3 * m; ++e) {
        const double u = static_cast<double>(e) / m;
        double pw = 1.0;
        for (int t = 0; t < K; ++t) {
            U[static_cast<size_t>(e + 3 * m) * K + t] = pw;
            pw *= u;
        }
    }
    // gamma of both filters for the offsets i - c = -2m..2m, at G[(i - c + 2m)·K + r].
    // gamma[r](d) = sum over t >= r of beta[t]·C(t,r)·(-d)^(t-r), evaluated by Horner's rule in -d.
    double a0[K][K] = {}, a1[K][K] = {};
    for (int r = 0; r < K; ++r)
        for (int t = r; t < K; ++t) {
            a0[r][t - r] = b0[t] * binom[t][r];
            a1[r][t - r] = b1[t] * binom[t][r];
        }
    for (int off = 0; off < B; ++off) {
        const double nd = -static_cast<double>(off - H) / m;  // -d
        for (int r = 0; r < K; ++r) {
            double g0 = 0.0, g1 = 0.0;
            for (int j = K - 1 - r; j >= 0; --j) {
                g0 = g0 * nd + a0[r][j];
                g1 = g1 * nd + a1[r][j];
            }
            G0[static_cast<size_t>(off) * K + r] = g0;
            G1[static_cast<size_t>(off) * K + r] = g1;
        }
    }
    const double* Ub = U + static_cast<size_t>(3 * m) * K;  // Ub[e·K + t] for e = -3m..3m
    // The normalisations are folded into the tables: a product per point instead of a division.
    const double inv0 = 1.0 / scale0, inv1 = 1.0 / scale1;
    for (size_t j = 0; j < nG; ++j) {
        G0[j] *= inv0;
        G1[j] *= inv1;
    }
    for (int start = first; start <= last; start += B) {
        const long long c = static_cast<long long>(start) + H;
        double W[K] = {};
        for (long long q = static_cast<long long>(start) - m; q <= static_cast<long long>(start) + m; ++q) {
            const double y = At(data, q, n);
            const double* u = Ub + (q - c) * K;
            for (int t = 0; t < K; ++t) W[t] += u[t] * y;
        }
        const int end = last - start < B - 1 ? last : start + B - 1;
        for (int i = start;; ++i) {
            const size_t off = static_cast<size_t>(i - start) * K;
            if (out0) {
                double s = 0.0;
                for (int t = 0; t < K; ++t) s += G0[off + t] * W[t];
                out0[i] = s;
            }
            if (out1) {
                double s = 0.0;
                for (int t = 0; t < K; ++t) s += G1[off + t] * W[t];
                out1[i] = s;
            }
            if (i == end) break;
            const double yOut = At(data, static_cast<long long>(i) - m, n);
            const double yIn = At(data, static_cast<long long>(i) + m + 1, n);
            const double* uo = Ub + (static_cast<long long>(i) - m - c) * K;
            const double* ui = Ub + (static_cast<long long>(i) + m + 1 - c) * K;
            for (int t = 0; t < K; ++t) W[t] += ui[t] * yIn - uo[t] * yOut;
        }
    }
}
