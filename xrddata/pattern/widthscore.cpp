#include "xrddata/pattern/widthscore.h"

#include <cstring>

// Vectors of four doubles stay inside this file (inlined helpers): no value of them crosses a call.
#pragma GCC diagnostic ignored "-Wpsabi"

#include "xrddata/numeric/sgfilter.h"
#include "xrddata/numeric/vectorclones.h"
#include "xrddata/pattern/sgwindow.h"

namespace {

// Half-widths up to this many points run the plain filters; wider windows the moment filters, whose cost per
// point does not grow with the window.
constexpr int kPlainFilterLimit = 16;

typedef double v4d __attribute__((vector_size(32)));

// The plain filters, four neighbouring points at a time: each output still sums its window's terms in offset
// order from 0.0, exactly as CSGFilter::Evaluate does, and is divided by the same normalisation.
// Points lo..hi of the trial range m..n-m-3. Built for processors with 256-bit vectors and plainly, chosen when
// the library loads; only products and sums, no fused ones, so both give the same bits.
XRDDATA_VECTOR_CLONES void PlainFilters(const CSGFilter& f0, const CSGFilter& f1, const double* y, int n, int m,
                                         double step, double* sy, double* dy, int lo, int hi) {
    const double g0 = f0.GetNormalisation(step), g1 = f1.GetNormalisation(step);
    const int last = hi;
    if (lo > last) return;
    int j = lo;
    if (j == m) {
        // The first window reaches position 0, read as position 1: the plain evaluation there.
        sy[j] = f0.Evaluate(y, j, n) / g0;
        dy[j] = f1.Evaluate(y, j, n) / g1;
        ++j;
    }
    const double* c0 = f0.m_pCoef;
    const double* c1 = f1.m_pCoef;
    for (; j + 3 <= last; j += 4) {
        v4d s0 = {0.0, 0.0, 0.0, 0.0}, s1 = s0;
        const double* p = y + j;
        for (int k = -m; k <= m; ++k) {
            v4d v;  // copied in place: no vector value crosses a call (an ABI matter without 256-bit vectors)
            std::memcpy(&v, p + k, sizeof v);
            s0 += v * c0[k];
            s1 += v * c1[k];
        }
        const v4d r0 = s0 / g0, r1 = s1 / g1;
        std::memcpy(sy + j, &r0, sizeof r0);
        std::memcpy(dy + j, &r1, sizeof r1);
    }
    for (; j <= last; ++j) {
        sy[j] = f0.Evaluate(y, j, n) / g0;
        dy[j] = f1.Evaluate(y, j, n) / g1;
    }
}

}  // namespace

void WidthFilters(const double* y, int n, int m, double step, double* sy, double* dy) {
    const int order = m == 1 ? 2 : 4;
    if (m <= kPlainFilterLimit) {
        CSGFilter f0(m, m, order, 0), f1(m, m, order, 1);
        PlainFilters(f0, f1, y, n, m, step, sy, dy, m, n - m - 3);
        return;
    }
    const int first = m, last = n - m - 3;
    if (first > last) return;
    CSGWindowFilter f(m, order);
    // Normalisations h^ld/ld! of the smoothing (1) and the first-derivative (h) filters. The column holds points
    // 0..n-1, so the filter is told n-1: its lanes beyond the last output read at most that position (the
    // outputs themselves reach no further than last + m = n-3, so nothing they use changes).
    f.Apply(y, n - 1, first, last, sy, 1.0, dy, step);
}

namespace {

// The linear interpolation of py over px[0..last] at p, bracketed at k (the last index with px[k] <= p, 0 below
// the first point), as the point set's interpolation gives it.
inline double Interpolated(const double* px, const double* py, int last, int k, double p) {
    if (k < last) return py[k] + (py[k + 1] - py[k]) * (p - px[k]) / (px[k + 1] - px[k]);
    if (p <= px[0]) return py[0];
    if (p < px[last]) return -1.7976931348623157e308;
    return py[last];
}

// The correlation sums of one trial, accumulated point by point in rising order.
struct ScoreSums {
    const double* x;
    const double* sy;
    const double* dx;
    const double* dy;
    int top;  // last index of dx and dy
    double w, s;
    int j;      // next point to add
    int i = 0;  // bracket: the last index with dx[i] <= p (0 below the first point)
    double sAD = 0.0, sAA = 0.0;

    // Adds the points j..upto. The running values are kept in locals: the compiler cannot tell the members
    // from the columns written through the same kind of pointer, and would store them at every point.
    void Add(int upto) {
        const double* const xs = x;
        const double* const a0 = sy;
        const double* const px = dx;
        const double* const py = dy;
        const int last = top;
        const double shiftW = w, step = s;
        double ad = sAD, aa = sAA;
        int k = i;
        for (int jj = j; jj <= upto; ++jj) {
            const double a = a0[jj];
            const double p = xs[jj] - shiftW;
            // On an even grid the bracket moves on by one point per point: that guess is checked against where
            // the walk would stop (the first index from k on with px[k+1] > p, or the last), which keeps the
            // compare of a loaded value off the chain from one point to the next. Otherwise the walk.
            const int g = k + 1;
            if (g <= last && px[g] <= p && (g == last || p < px[g + 1])) {
                k = g;
            } else {
                while (k < last && px[k + 1] <= p) ++k;
            }
            const double b = Interpolated(px, py, last, k, p);
            ad = ad + a * b * step;
            aa = aa + a * a * step;
        }
        if (j <= upto) j = upto + 1;
        i = k;
        sAD = ad;
        sAA = aa;
    }

    double Score(int n) const {
        const double meanSquare = sAA / (n * s);
        if (meanSquare == 0.0) return 0.0;
        return sAD / meanSquare;
    }
};

}  // namespace

double WidthScore(const double* x, const double* sy, const double* dx, const double* dy, int nd, int n, int m,
                  double w, double s) {
    ScoreSums sums{x, sy, dx, dy, nd - 1, w, s, m + 1};
    sums.Add(n - 1);
    return sums.Score(n);
}

double WidthTrial(const double* x, const double* y, double* sy, double* dy, int n, int m, double w, double s,
                  bool filter) {
    ScoreSums sums{x, sy, x, dy, n - 1, w, s, m + 1};
    const int first = m, last = n - m - 3;
    if (filter && first <= last) {
        // The score at point j reads the smoothed value at j and the derivative at most at j (p = x[j] - w lies
        // below x[j]), so each stretch is scored right after it is filtered, while it is still in the cache.
        const int order = m == 1 ? 2 : 4;
        if (m <= kPlainFilterLimit) {
            CSGFilter f0(m, m, order, 0), f1(m, m, order, 1);
            constexpr int kChunk = 4096;
            for (int lo = first; lo <= last; lo += kChunk) {
                const int hi = last - lo < kChunk ? last : lo + kChunk - 1;
                PlainFilters(f0, f1, y, n, m, s, sy, dy, lo, hi);
                sums.Add(hi);
            }
        } else {
            CSGWindowFilter f(m, order);
            // Whole groups of the filter's blocks, so that the blocks begin where one call over the whole range
            // would begin them.
            const long long group = 4LL * (2LL * m + 1);
            const long long chunk = group * ((8192 + group - 1) / group);
            for (long long lo = first; lo <= last; lo += chunk) {
                const int hi = static_cast<int>(last - lo < chunk ? last : lo + chunk - 1);
                f.Apply(y, n - 1, static_cast<int>(lo), hi, sy, 1.0, dy, s);  // points 0..n-1, as above
                sums.Add(hi);
            }
        }
    }
    sums.Add(n - 1);
    return sums.Score(n);
}
