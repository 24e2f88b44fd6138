#include "xrddata/pattern/widthscore.h"

#include <cstring>

// Vectors of four doubles stay inside this file (inlined helpers): no value of them crosses a call.
#pragma GCC diagnostic ignored "-Wpsabi"

#include "xrddata/numeric/sgfilter.h"
#include "xrddata/pattern/sgwindow.h"

namespace {

// Half-widths up to this many points run the plain filters; wider windows the moment filters, whose cost per
// point does not grow with the window.
constexpr int kPlainFilterLimit = 16;

typedef double v4d __attribute__((vector_size(32)));

inline v4d Load4(const double* p) {
    v4d v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void Store4(double* p, v4d v) { std::memcpy(p, &v, sizeof v); }

// The plain filters, four neighbouring points at a time: each output still sums its window's terms in offset
// order from 0.0, exactly as CSGFilter::Evaluate does, and is divided by the same normalisation.
void PlainFilters(const double* y, int n, int m, int order, double step, double* sy, double* dy) {
    CSGFilter f0(m, m, order, 0), f1(m, m, order, 1);
    const double g0 = f0.GetNormalisation(step), g1 = f1.GetNormalisation(step);
    const int first = m, last = n - m - 3;
    if (first > last) return;
    // The first window reaches position 0, read as position 1: the plain evaluation there.
    sy[first] = f0.Evaluate(y, first, n) / g0;
    dy[first] = f1.Evaluate(y, first, n) / g1;
    const double* c0 = f0.m_pCoef;
    const double* c1 = f1.m_pCoef;
    int j = first + 1;
    for (; j + 3 <= last; j += 4) {
        v4d s0 = {0.0, 0.0, 0.0, 0.0}, s1 = s0;
        const double* p = y + j;
        for (int k = -m; k <= m; ++k) {
            const v4d v = Load4(p + k);
            s0 += v * c0[k];
            s1 += v * c1[k];
        }
        Store4(sy + j, s0 / g0);
        Store4(dy + j, s1 / g1);
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
        PlainFilters(y, n, m, order, step, sy, dy);
        return;
    }
    const int first = m, last = n - m - 3;
    if (first > last) return;
    CSGWindowFilter f(m, order);
    // Normalisations h^ld/ld! of the smoothing (1) and the first-derivative (h) filters.
    f.Apply(y, n, first, last, sy, 1.0, dy, step);
}

double WidthScore(const double* x, const double* sy, const double* dx, const double* dy, int nd, int n, int m,
                  double w, double s) {
    double sAD = 0.0, sAA = 0.0;
    // i is the last index with dx[i] <= p (0 below the first point); the positions rise with j, so the walk
    // costs one pass in all.
    int i = 0;
    const int top = nd - 1;
    for (int j = m + 1; j <= n - 1; ++j) {
        const double a = sy[j];
        const double p = x[j] - w;
        // On an even grid the bracket moves on by one point per point: that guess is checked against where the
        // walk would stop (the first index from i on with dx[i+1] > p, or the last), which keeps the compare of
        // a loaded value off the chain from one point to the next. Otherwise the walk.
        const int g = i + 1;
        if (g <= top && dx[g] <= p && (g == top || p < dx[g + 1])) {
            i = g;
        } else {
            while (i < top && dx[i + 1] <= p) ++i;
        }
        double b;
        if (i < top)
            b = dy[i] + (dy[i + 1] - dy[i]) * (p - dx[i]) / (dx[i + 1] - dx[i]);
        else if (p <= dx[0])
            b = dy[0];
        else if (p < dx[top])
            b = -1.7976931348623157e308;
        else
            b = dy[top];
        sAD = sAD + a * b * s;
        sAA = sAA + a * a * s;
    }
    const double meanSquare = sAA / (n * s);
    if (meanSquare == 0.0) return 0.0;
    return sAD / meanSquare;
}
