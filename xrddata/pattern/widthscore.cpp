#include "xrddata/pattern/widthscore.h"

#include <cstring>
#include <memory>

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
                                         double step, double* sy, int sOrigin, double* dy, int dOrigin, int lo,
                                         int hi) {
    const double g0 = f0.GetNormalisation(step), g1 = f1.GetNormalisation(step);
    const int last = hi;
    if (lo > last) return;
    int j = lo;
    if (j == m) {
        // The first window reaches position 0, read as position 1: the plain evaluation there.
        sy[j - sOrigin] = f0.Evaluate(y, j, n) / g0;
        dy[j - dOrigin] = f1.Evaluate(y, j, n) / g1;
        ++j;
    }
    const double* c0 = f0.m_pCoef;
    const double* c1 = f1.m_pCoef;
    // Sixteen points at a time: eight running sums in flight instead of two, since each sum is a chain of
    // dependent additions that would otherwise leave the processor waiting on the previous one.
    for (; j + 15 <= last; j += 16) {
        v4d s0[4], s1[4];
#pragma GCC unroll 4
        for (int l = 0; l < 4; ++l) s0[l] = s1[l] = v4d{0.0, 0.0, 0.0, 0.0};
        const double* p = y + j;
        for (int k = -m; k <= m; ++k) {
            const double a0 = c0[k], a1 = c1[k];
#pragma GCC unroll 4
            for (int l = 0; l < 4; ++l) {
                v4d v;
                std::memcpy(&v, p + k + 4 * l, sizeof v);
                s0[l] += v * a0;
                s1[l] += v * a1;
            }
        }
#pragma GCC unroll 4
        for (int l = 0; l < 4; ++l) {
            const v4d r0 = s0[l] / g0, r1 = s1[l] / g1;
            std::memcpy(sy + (j + 4 * l - sOrigin), &r0, sizeof r0);
            std::memcpy(dy + (j + 4 * l - dOrigin), &r1, sizeof r1);
        }
    }
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
        std::memcpy(sy + (j - sOrigin), &r0, sizeof r0);
        std::memcpy(dy + (j - dOrigin), &r1, sizeof r1);
    }
    for (; j <= last; ++j) {
        sy[j - sOrigin] = f0.Evaluate(y, j, n) / g0;
        dy[j - dOrigin] = f1.Evaluate(y, j, n) / g1;
    }
}

}  // namespace

void WidthFilters(const double* y, int n, int m, double step, double* sy, double* dy) {
    const WidthTrialFilters f(m);
    const int first = m, last = n - m - 3;
    if (first > last) return;
    // The column holds points 0..n-1, so the moment filter is told n-1: its lanes beyond the last output read at
    // most that position (the outputs themselves reach no further than last + m = n-3, so nothing they use
    // changes).
    f.Run(y, n, step, first, last, sy, 0, dy, 0);
}

long long WidthTrialFilters::BlockLength(int m) { return m <= kPlainFilterLimit ? 1 : 2LL * m + 1; }

long long WidthTrialFilters::ChunkLength(int m) {
    if (m <= kPlainFilterLimit) return 4096;
    // Whole groups of the moment filter's blocks (four lanes of 2m+1 points), so that chunks begin where one
    // call over the whole range would begin its blocks.
    const long long group = 4 * BlockLength(m);
    return group * ((8192 + group - 1) / group);
}

WidthTrialFilters::WidthTrialFilters(int m) : m_nHalf(m) {
    const int order = m == 1 ? 2 : 4;
    if (m <= kPlainFilterLimit) {
        m_pSmooth = std::make_unique<CSGFilter>(m, m, order, 0);
        m_pSlope = std::make_unique<CSGFilter>(m, m, order, 1);
    } else {
        m_pWindow = std::make_unique<CSGWindowFilter>(m, order);
    }
    const long long chunk = ChunkLength(m);
    m_nChunk = chunk > 0x40000000LL ? 0x40000000 : static_cast<int>(chunk);
}

WidthTrialFilters::~WidthTrialFilters() = default;

int WidthTrialFilters::StretchStart(int lo) const {
    const long long block = BlockLength(m_nHalf);
    return static_cast<int>(m_nHalf + (lo - m_nHalf) / block * block);
}

int WidthTrialFilters::ChunkEnd(int lo, int last) const {
    return last - lo < m_nChunk ? last : lo + m_nChunk - 1;
}

void WidthTrialFilters::Run(const double* y, int n, double step, int from, int hi, double* sy, int sOrigin,
                            double* dy, int dOrigin) const {
    if (m_pWindow)
        m_pWindow->Apply(y, n - 1, from, hi, sy, sOrigin, 1.0, dy, dOrigin, step);  // points 0..n-1, as above
    else
        PlainFilters(*m_pSmooth, *m_pSlope, y, n, m_nHalf, step, sy, sOrigin, dy, dOrigin, from, hi);
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

}  // namespace

namespace {

// One step of the bracket walk for p from bracket k, as the point set's interpolation finds it.
inline int Bracket(const double* px, int last, int k, double p) {
    // On an even grid the bracket moves on by one point per point: that guess is checked against where the walk
    // would stop (the first index from k on with px[k+1] > p, or the last), which keeps the compare of a loaded
    // value off the chain from one point to the next. Otherwise the walk.
    const int g = k + 1;
    if (g <= last && px[g] <= p && (g == last || p < px[g + 1])) return g;
    while (k < last && px[k + 1] <= p) ++k;
    return k;
}

// The sums over points j..upto. Where four points in a row each move the bracket on by one (an even grid), their
// interpolations and products are formed side by side, each with the operations of the one-point path; the
// sums still take the terms one by one in rising order. Built for processors with 256-bit vectors and plainly,
// chosen when the library loads; no fused products, so both give the same bits.
XRDDATA_VECTOR_CLONES void AddPoints(const double* xs, const double* sy, int origin, const double* px,
                                     const double* py, int last, double shiftW, double step, int j, int upto,
                                     double& sAD, double& sAA, int& bracket) {
    double ad = sAD, aa = sAA;
    int k = bracket;
    const v4d shift = {shiftW, shiftW, shiftW, shiftW};
    while (j <= upto) {
        if (j + 3 <= upto && k + 5 <= last) {
            v4d xv, lo, hi;
            std::memcpy(&xv, xs + j, sizeof xv);
            std::memcpy(&lo, px + k + 1, sizeof lo);
            std::memcpy(&hi, px + k + 2, sizeof hi);
            const v4d p = xv - shift;
            const auto inside = (lo <= p) & (p < hi);
            if (inside[0] && inside[1] && inside[2] && inside[3]) {
                v4d y0, y1, a;
                std::memcpy(&y0, py + k + 1, sizeof y0);
                std::memcpy(&y1, py + k + 2, sizeof y1);
                std::memcpy(&a, sy + (j - origin), sizeof a);
                const v4d b = y0 + (y1 - y0) * (p - lo) / (hi - lo);
                const v4d tAD = a * b * step, tAA = a * a * step;
#pragma GCC unroll 4
                for (int l = 0; l < 4; ++l) {
                    ad = ad + tAD[l];
                    aa = aa + tAA[l];
                }
                k += 4;
                j += 4;
                continue;
            }
        }
        // The point alone; after a miss, a few more before the next try.
        for (const int stop = j + 3 < upto ? j + 3 : upto; j <= stop; ++j) {
            const double a = sy[j - origin];
            const double p = xs[j] - shiftW;
            k = Bracket(px, last, k, p);
            const double b = Interpolated(px, py, last, k, p);
            ad = ad + a * b * step;
            aa = aa + a * a * step;
        }
    }
    sAD = ad;
    sAA = aa;
    bracket = k;
}

}  // namespace

void WidthSums::Add(int upto, const double* sy, int origin) {
    if (m_j > upto) return;
    AddPoints(m_x, sy, origin, m_dx, m_dy, m_nTop, m_w, m_s, m_j, upto, m_sAD, m_sAA, m_i);
    m_j = upto + 1;
}

double WidthSums::Score() const {
    const double meanSquare = m_sAA / (m_n * m_s);
    if (meanSquare == 0.0) return 0.0;
    return m_sAD / meanSquare;
}

double WidthScore(const double* x, const double* sy, const double* dx, const double* dy, int nd, int n, int m,
                  double w, double s) {
    WidthSums sums(x, dx, dy, nd, n, m, w, s);
    sums.Add(n - 1, sy, 0);
    return sums.Score();
}

double WidthTrial(const double* x, const double* y, double* sy, double* dy, int n, int m, double w, double s,
                  bool filter) {
    WidthSums sums(x, x, dy, n, n, m, w, s);
    const int first = m, last = n - m - 3;
    if (filter && first <= last) {
        // The score at point j reads the smoothed value at j and the derivative at most at j (p = x[j] - w lies
        // below x[j]), so each stretch is scored right after it is filtered, while it is still in the cache.
        const WidthTrialFilters f(m);
        for (int lo = first; lo <= last;) {
            const int hi = f.ChunkEnd(lo, last);
            f.Run(y, n, s, lo, hi, sy, 0, dy, 0);
            sums.Add(hi, sy, 0);
            if (hi == last) break;
            lo = hi + 1;
        }
    }
    sums.Add(n - 1, sy, 0);
    return sums.Score();
}
