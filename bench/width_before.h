// The feature-width detection as it was before its filters and correlation were reworked (scalar moment filters,
// working copies of the whole point set, the bracket walk on the dependency chain), kept verbatim for the
// before/after figures of bench_processing_width. Not part of the library.
#pragma once

#include <cmath>
#include <typeinfo>
#include <vector>

#include "xrddata/numeric/scalar.h"
#include "xrddata/numeric/sgfilter.h"
#include "xrddata/pattern/sgwindow.h"
#include "xrddata/pattern/xrddata.h"

namespace width_before {

constexpr int kPlainFilterLimit = 16;

// The fit of the filters' polynomials is the library's (it was not reworked); the filters ran as below.
class OldWindowFilter {
public:
    OldWindowFilter(int m, int order) : OldWindowFilter(CSGWindowFilter(m, order), m, order) {}
    int IsValid() const { return m_bValid; }
    void Apply(const double* data, int n, int first, int last, double* out0, double scale0, double* out1,
               double scale1) const;

private:
    OldWindowFilter(const CSGWindowFilter& fit, int m, int order)
        : m_nHalf(m), m_nOrder(order), m_bValid(fit.IsValid()), m_Beta{fit.Polynomial(0), fit.Polynomial(1)} {}
    template <int K>
    void Run(const double* data, int n, int first, int last, double* out0, double scale0, double* out1,
             double scale1) const;
    int m_nHalf;
    int m_nOrder;
    int m_bValid;
    std::vector<double> m_Beta[2];
};

// Positions before the first point read point 1, positions after the last read point n.
inline double At(const double* data, long long p, int n) { return data[p < 1 ? 1 : p > n ? n : p]; }

void OldWindowFilter::Apply(const double* data, int n, int first, int last, double* out0, double scale0,
                            double* out1, double scale1) const {
    if (first > last) return;
    // The points the filters cannot see give 0.0, as CSGFilter::Evaluate returns for them; so does a derivative
    // filter of order 0, which has no coefficients.
    const bool usable = m_bValid && data && n >= 1;
    const bool slope = usable && !m_Beta[1].empty();
    const bool whole = usable && slope && first >= 1 && last <= n;
    for (int i = first; i <= last && !whole; ++i) {
        const bool seen = usable && i >= 1 && i <= n;
        if (out0 && !seen) out0[i] = 0.0 / scale0;
        if (out1 && !(seen && slope)) out1[i] = 0.0 / scale1;
    }
    if (!usable) return;
    const int lo = first < 1 ? 1 : first, hi = last > n ? n : last;
    if (lo > hi) return;
    if (!slope) out1 = nullptr;
    switch (m_nOrder + 1) {
        case 1: Run<1>(data, n, lo, hi, out0, scale0, out1, scale1); break;
        case 2: Run<2>(data, n, lo, hi, out0, scale0, out1, scale1); break;
        case 3: Run<3>(data, n, lo, hi, out0, scale0, out1, scale1); break;
        case 4: Run<4>(data, n, lo, hi, out0, scale0, out1, scale1); break;
        case 5: Run<5>(data, n, lo, hi, out0, scale0, out1, scale1); break;
        case 6: Run<6>(data, n, lo, hi, out0, scale0, out1, scale1); break;
        default: Run<7>(data, n, lo, hi, out0, scale0, out1, scale1); break;
    }
}

// N[t](i) = sum over k = -m..m of (k/m)^t · Y(i+k): the window's moments about its own centre i, of which each
// filter is a fixed combination. Moving the centre one point on, every offset drops by 1/m:
// N[t](i+1) = sum over r of C(t,r)·(-1/m)^(t-r)·N[r](i), less the leaving point Y(i-m) at its new offset
// -(m+1)/m, plus the entering point Y(i+m+1) at offset 1. Carried over b points, rounding in N gets amplified by
// up to (1 + b/m)^t, so the moments are formed afresh from the data every 2m+1 points (amplification below 3^t;
// the direct sums cost about one pass over the data). Two blocks are carried side by side: their updates are
// independent, which keeps the processor busy where one block alone would wait on its own previous step.
template <int K>
void OldWindowFilter::Run(const double* data, int n, int first, int last, double* out0, double scale0,
                          double* out1, double scale1) const {
    const int m = m_nHalf, B = 2 * m + 1;
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
        b0[t] = (t < static_cast<int>(m_Beta[0].size()) ? m_Beta[0][t] : 0.0) * inv0;
        b1[t] = (t < static_cast<int>(m_Beta[1].size()) ? m_Beta[1][t] : 0.0) * inv1;
    }
    auto direct = [&](long long i, double* N) {
        for (int t = 0; t < K; ++t) N[t] = 0.0;
        for (int k = -m; k <= m; ++k) {
            double pw = At(data, i + k, n);
            const double u = k * h;
            for (int t = 0; t < K; ++t) {
                N[t] += pw;
                pw *= u;
            }
        }
    };
    auto emit = [&](int i, const double* N) {
        double s0 = 0.0, s1 = 0.0;
        for (int t = 0; t < K; ++t) {
            s0 += b0[t] * N[t];
            s1 += b1[t] * N[t];
        }
        if (out0) out0[i] = s0;
        if (out1) out1[i] = s1;
    };
    auto step = [&](long long i, double* N) {
        const double yOut = At(data, i - m, n), yIn = At(data, i + m + 1, n);
        double next[K];
        for (int t = 0; t < K; ++t) {
            double s = yIn - leave[t] * yOut;
            for (int r = 0; r <= t; ++r) s += shift[t][r] * N[r];
            next[t] = s;
        }
        for (int t = 0; t < K; ++t) N[t] = next[t];
    };
    for (int a = first; a <= last; a += 2 * B) {
        const int lenA = last - a + 1 < B ? last - a + 1 : B;
        const int b = a + B;
        const int lenB = b > last ? 0 : (last - b + 1 < B ? last - b + 1 : B);
        double Na[K], Nb[K];
        direct(a, Na);
        if (lenB > 0) direct(b, Nb);
        int j = 0;
        for (; j < lenB; ++j) {
            emit(a + j, Na);
            emit(b + j, Nb);
            if (j + 1 < lenA) step(static_cast<long long>(a) + j, Na);
            if (j + 1 < lenB) step(static_cast<long long>(b) + j, Nb);
        }
        for (; j < lenA; ++j) {
            emit(a + j, Na);
            if (j + 1 < lenA) step(static_cast<long long>(a) + j, Na);
        }
    }
}

bool Ascending(const double* x, int n) {
    bool ok = true;
    for (int i = 1; i < n; ++i) ok &= x[i - 1] <= x[i];  // false at a NaN too
    return ok;
}

// CGraphData::Evaluate over ascending x, with the bracket found by walking on from the previous one: the
// positions asked for rise, so the walk costs one pass in all. i is the last index with x[i] <= p, or 0 below
// the first point, exactly what the bisection of Locate finds on ascending data.
inline double Interpolate(const double* x, const double* y, int n, double p, int& i) {
    // On an even grid the trial widths are whole multiples of the step, so p sits on a point up to rounding and
    // whether the walk moves on is a toss-up: the usual single step is taken without a branch.
    const double next = x[i + 1 < n ? i + 1 : i];
    i += static_cast<int>((i + 1 < n) & (next <= p));
    while (i + 1 < n && x[i + 1] <= p) ++i;
    if (i < n - 1) return y[i] + (y[i + 1] - y[i]) * (p - x[i]) / (x[i + 1] - x[i]);
    if (p <= x[0]) return y[0];
    if (p < x[n - 1]) return -1.7976931348623157e308;
    return y[n - 1];
}


// The score of one trial width: the smoothed profile correlated with its own first derivative taken w further
// down the angle scale, normalised by the profile's mean square. Peaks of about the trial width give the largest
// score.
double WidthCorrBefore(CXRDData& self, CGraphData& smooth, CGraphData& deriv, double dWidth, double dStep, int n) {
    // Half-width of the filters in points, (w + s)/s truncated; compared as a double first so that a zero or
    // non-finite step cannot overflow the conversion.
    const double q = (dWidth + dStep) / dStep;
    if (!(q >= 1.0) || !(q < n - 1.0)) return 0.0;
    if (n > self.GetSize() || n > smooth.GetSize() || n > deriv.GetSize()) return 0.0;
    const int m = static_cast<int>(q);
    const int order = m == 1 ? 2 : 4;

    double *x, *y, *err;
    int nn;
    self.GetDataRef(x, y, err, nn);
    double *sx, *sy, *dx, *dy;
    int ns, nd;
    smooth.GetDataRef(sx, sy, err, ns);
    deriv.GetDataRef(dx, dy, err, nd);

    // The filters see the column as data[1..n] with data = the buffer itself and the window centred on point j:
    // for j = m the leftmost position 0 is clamped to 1, and no position reaches n.
    const int first = m, last = n - m - 3;
    if (m <= kPlainFilterLimit) {
        CSGFilter f0(m, m, order, 0), f1(m, m, order, 1);
        const double g0 = f0.GetNormalisation(dStep), g1 = f1.GetNormalisation(dStep);
        for (int j = first; j <= last; ++j) {
            sy[j] = f0.Evaluate(y, j, n) / g0;
            dy[j] = f1.Evaluate(y, j, n) / g1;
        }
    } else if (first <= last) {
        OldWindowFilter f(m, order);
        // Normalisations h^ld/ld! of the smoothing (1) and the first-derivative (h) filters.
        f.Apply(y, n, first, last, sy, 1.0, dy, dStep);
    }

    double sAD = 0.0, sAA = 0.0;
    if (typeid(deriv) == typeid(CGraphData) && Ascending(x, n) && Ascending(dx, nd)) {
        int bracket = 0;
        for (int j = m + 1; j <= n - 1; ++j) {
            const double a = sy[j];
            const double b = Interpolate(dx, dy, nd, x[j] - dWidth, bracket);
            sAD = sAD + a * b * dStep;
            sAA = sAA + a * a * dStep;
        }
    } else {
        for (int j = m + 1; j <= n - 1; ++j) {
            const double a = sy[j];
            const double b = deriv.Evaluate(x[j] - dWidth);
            sAD = sAD + a * b * dStep;
            sAA = sAA + a * a * dStep;
        }
    }
    const double meanSquare = sAA / (n * dStep);
    if (meanSquare == 0.0) return 0.0;
    return sAD / meanSquare;
}

double DetectFeatureWidthBefore(CXRDData& self, double dMaxWidth, int bTruncate) {
    const int n = self.GetSize();
    if (n < 2) return -1.0;
        const double xmin = self.GetMinX(), xmax = self.GetMaxX(), s = self.GetSampling();
    // The trials overwrite only the points they filter; the rest keeps what earlier trials left there.
    CGraphData smooth(self), deriv(self);
    double result = Maximum(s, 0.1);
    const double wmax = Minimum(dMaxWidth, 0.5 * (xmax - xmin));
    const double dw = Maximum(0.01, 0.5 * s);
    double w = dw, best = 0.0;
    for (;;) {
        const double c = WidthCorrBefore(self, smooth, deriv, w, s, n);
        if (c > best) {
            best = c;
            result = 1.5 * w;
        }
        w = w + dw;
        // Written so that a NaN width (angles that are not numbers) ends the trials too.
        if (!(w <= wmax) || c < 0.5 * best) break;
    }
    if (bTruncate) result = TruncateToPrecision(result, 0.001);
    return result;
}

}  // namespace width_before
