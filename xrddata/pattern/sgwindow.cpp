#include "xrddata/pattern/sgwindow.h"

#include <cmath>

#include "xrddata/numeric/vectorclones.h"

// Vectors of four doubles stay inside this file (inlined helpers): no value of them crosses a call.
#pragma GCC diagnostic ignored "-Wpsabi"

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

namespace {

// N[t](i) = sum over k = -m..m of (k/m)^t · Y(i+k): the window's moments about its own centre i, of which each
// filter is a fixed combination. Moving the centre one point on, every offset drops by 1/m:
// N[t](i+1) = sum over r of C(t,r)·(-1/m)^(t-r)·N[r](i), less the leaving point Y(i-m) at its new offset
// -(m+1)/m, plus the entering point Y(i+m+1) at offset 1. Carried over b points, rounding in N gets amplified by
// up to (1 + b/m)^t, so the moments are formed afresh from the data every 2m+1 points from the first point on
// (amplification below 3^t; the direct sums cost about one pass over the data). Each block of 2m+1 points
// depends only on the data, so four blocks are carried side by side in the lanes of one vector: the same
// operations on each, in the same order, as a block carried on its own, four times the work per instruction.
template <int K>
inline __attribute__((always_inline)) void MomentRun(const std::vector<double>* beta, int m, const double* data,
                                                     int n, int first, int last, double* out0, int origin0,
                                                     double scale0, double* out1, int origin1, double scale1) {
    typedef double v4d __attribute__((vector_size(32)));
    constexpr int L = 4;
    const int B = 2 * m + 1;
    const double h = 1.0 / m;
    double shift[K][K] = {};
    double leave[K];
    {
        double binom[K][K] = {};
        for (int t = 0; t < K; ++t) {
            binom[t][0] = binom[t][t] = 1.0;
            for (int r = 1; r < t; ++r) binom[t][r] = binom[t - 1][r - 1] + binom[t - 1][r];
        }
        for (int t = 0; t < K; ++t) {
            double pw = 1.0;  // (-h)^(t-r), r going down from t
            for (int r = t; r >= 0; --r) {
                shift[t][r] = binom[t][r] * pw;
                pw *= -h;
            }
        }
        double pw = 1.0;
        for (int t = 0; t < K; ++t) {
            leave[t] = pw;  // (-(1+h))^t
            pw *= -(1.0 + h);
        }
    }
    // The normalisations are folded into the coefficients: a product per point instead of a division.
    const double inv0 = 1.0 / scale0, inv1 = 1.0 / scale1;
    double b0[K] = {}, b1[K] = {};
    for (int t = 0; t < K; ++t) {
        b0[t] = (t < static_cast<int>(beta[0].size()) ? beta[0][t] : 0.0) * inv0;
        b1[t] = (t < static_cast<int>(beta[1].size()) ? beta[1][t] : 0.0) * inv1;
    }
    // The value at position p of each lane's block, blocks B apart; clamped to the data only where the four
    // positions are not all inside it.
    auto gather = [&](long long p) {
        const long long hi = p + static_cast<long long>(L - 1) * B;
        if (p >= 1 && hi <= n) return v4d{data[p], data[p + B], data[p + 2 * B], data[p + 3 * B]};
        return v4d{At(data, p, n), At(data, p + B, n), At(data, p + 2LL * B, n), At(data, p + 3LL * B, n)};
    };
    for (int a = first; a <= last; a += L * B) {
        int len[L];
        int lenMax = 0;
        for (int l = 0; l < L; ++l) {
            const long long start = a + static_cast<long long>(l) * B;
            len[l] = start > last ? 0 : static_cast<int>(last - start + 1 < B ? last - start + 1 : B);
            if (len[l] > lenMax) lenMax = len[l];
        }
        // The direct sums at each block's first point.
        v4d N[K];
#pragma GCC unroll 8
        for (int t = 0; t < K; ++t) N[t] = v4d{0.0, 0.0, 0.0, 0.0};
        for (int k = -m; k <= m; ++k) {
            v4d pw = gather(static_cast<long long>(a) + k);
            const double u = k * h;
#pragma GCC unroll 8
            for (int t = 0; t < K; ++t) {
                N[t] += pw;
                pw *= u;
            }
        }
        // The outputs go through a small buffer, so that each lane's block is written as a run of neighbours.
        constexpr int C = 64;
        v4d buf0[C], buf1[C];
        auto flush = [&](int j0, int count) {
            for (int l = 0; l < L; ++l) {
                const int upto = len[l] - j0 < count ? len[l] - j0 : count;
                const long long base = a + static_cast<long long>(l) * B + j0;
                if (out0)
                    for (int c = 0; c < upto; ++c) out0[base - origin0 + c] = buf0[c][l];
                if (out1)
                    for (int c = 0; c < upto; ++c) out1[base - origin1 + c] = buf1[c][l];
            }
        };
        for (int j = 0; j < lenMax; ++j) {
            v4d s0 = {0.0, 0.0, 0.0, 0.0}, s1 = s0;
#pragma GCC unroll 8
            for (int t = 0; t < K; ++t) {
                s0 += b0[t] * N[t];
                s1 += b1[t] * N[t];
            }
            buf0[j % C] = s0;
            buf1[j % C] = s1;
            if (j % C == C - 1) flush(j - (C - 1), C);
            if (j + 1 >= lenMax) {
                if (j % C != C - 1) flush(j - j % C, j % C + 1);
                break;
            }
            const long long i = static_cast<long long>(a) + j;
            // A lane past the end of its block steps on over clamped data; what it holds is never written. The
            // point entering one lane's window (i+m+1) is the one leaving the next lane's (i+B-m), so only the
            // last lane's entering point is read anew.
            const v4d yOut = gather(i - m);
            const long long inLast = i + m + 1 + static_cast<long long>(L - 1) * B;
            const v4d yIn = {yOut[1], yOut[2], yOut[3], inLast <= n ? data[inLast] : At(data, inLast, n)};
            v4d next[K];
            // leave[0] and shift[t][t] are exactly 1: their products are left out, which changes no bit.
#pragma GCC unroll 8
            for (int t = 0; t < K; ++t) {
                v4d s = t == 0 ? yIn - yOut : yIn - leave[t] * yOut;
#pragma GCC unroll 8
                for (int r = 0; r < t; ++r) s += shift[t][r] * N[r];
                next[t] = s + N[t];
            }
#pragma GCC unroll 8
            for (int t = 0; t < K; ++t) N[t] = next[t];
        }
    }
}

// Each order in a build for processors with 256-bit vectors (the four lanes in one register) and in a plain one,
// chosen when the library loads. Only additions, subtractions and products, no fused ones: both give the same
// bits.
#define XRDDATA_MOMENT_RUN(K)                                                                                  \
    XRDDATA_VECTOR_CLONES void MomentRun##K(                                                                  \
        const std::vector<double>* beta, int m, const double* data, int n, int first, int last, double* out0, \
        int origin0, double scale0, double* out1, int origin1, double scale1) {                               \
        MomentRun<K>(beta, m, data, n, first, last, out0, origin0, scale0, out1, origin1, scale1);            \
    }
XRDDATA_MOMENT_RUN(1)
XRDDATA_MOMENT_RUN(2)
XRDDATA_MOMENT_RUN(3)
XRDDATA_MOMENT_RUN(4)
XRDDATA_MOMENT_RUN(5)
XRDDATA_MOMENT_RUN(6)
XRDDATA_MOMENT_RUN(7)
#undef XRDDATA_MOMENT_RUN

}  // namespace

void CSGWindowFilter::Apply(const double* data, int n, int first, int last, double* out0, double scale0,
                            double* out1, double scale1) const {
    Apply(data, n, first, last, out0, 0, scale0, out1, 0, scale1);
}

void CSGWindowFilter::Apply(const double* data, int n, int first, int last, double* out0, int origin0,
                            double scale0, double* out1, int origin1, double scale1) const {
    if (first > last) return;
    // The points the filters cannot see give 0.0, as CSGFilter::Evaluate returns for them; so does a derivative
    // filter of order 0, which has no coefficients.
    const bool usable = m_bValid && data && n >= 1;
    const bool slope = usable && !m_Beta[1].empty();
    const bool whole = usable && slope && first >= 1 && last <= n;
    for (int i = first; i <= last && !whole; ++i) {
        const bool seen = usable && i >= 1 && i <= n;
        if (out0 && !seen) out0[i - origin0] = 0.0 / scale0;
        if (out1 && !(seen && slope)) out1[i - origin1] = 0.0 / scale1;
    }
    if (!usable) return;
    const int lo = first < 1 ? 1 : first, hi = last > n ? n : last;
    if (lo > hi) return;
    if (!slope) out1 = nullptr;
    switch (m_nOrder + 1) {
        case 1: MomentRun1(m_Beta, m_nHalf, data, n, lo, hi, out0, origin0, scale0, out1, origin1, scale1); break;
        case 2: MomentRun2(m_Beta, m_nHalf, data, n, lo, hi, out0, origin0, scale0, out1, origin1, scale1); break;
        case 3: MomentRun3(m_Beta, m_nHalf, data, n, lo, hi, out0, origin0, scale0, out1, origin1, scale1); break;
        case 4: MomentRun4(m_Beta, m_nHalf, data, n, lo, hi, out0, origin0, scale0, out1, origin1, scale1); break;
        case 5: MomentRun5(m_Beta, m_nHalf, data, n, lo, hi, out0, origin0, scale0, out1, origin1, scale1); break;
        case 6: MomentRun6(m_Beta, m_nHalf, data, n, lo, hi, out0, origin0, scale0, out1, origin1, scale1); break;
        default: MomentRun7(m_Beta, m_nHalf, data, n, lo, hi, out0, origin0, scale0, out1, origin1, scale1); break;
    }
}

