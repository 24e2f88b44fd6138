// The background fit written out plainly, loop for loop: a dense basis vector per point, the normal equations
// accumulated point by point, the penalty summed over the spline matrix in every pass. Slow (order K² per point),
// and kept only as the reference the library's fit is compared with. Also a generator of synthetic patterns: peaks
// on a smooth background with Poisson-like noise.
#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "xrddata/arrays/graphdata.h"
#include "xrddata/numeric/alloc.h"
#include "xrddata/numeric/gaussjordan.h"
#include "xrddata/numeric/spline.h"
#include "xrddata/numeric/workvector.h"

namespace fit_reference {

// The cubic spline through the knots klo..khi of x, y with second derivatives y2, at v.
inline double SplineAt(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& y2,
                       int klo, int khi, double v) {
    while (khi - klo > 1) {
        int k = (khi + klo) / 2;
        if (x[k] > v) khi = k; else klo = k;
    }
    double h = x[khi] - x[klo];
    if (h == 0.0) return 0.0;
    double a = (x[khi] - v) / h, b = (v - x[klo]) / h;
    return a * y[klo] + b * y[khi] + ((a * a * a - a) * y2[klo] + (b * b * b - b) * y2[khi]) * h * h / 6.0;
}

struct Knots {
    bool ok = false;  // false: refused, or the fit failed
    std::vector<double> x, y, y2;  // zero-based

    // The natural spline through the knots at v.
    double At(double v) const { return SplineAt(x, y, y2, 0, static_cast<int>(x.size()) - 1, v); }
};

// x ascending; err empty for counting statistics.
inline Knots Fit(const std::vector<double>& xs, const std::vector<double>& ys, const std::vector<double>& es,
                 double L, double S, double a, double b) {
    Knots out;
    const int n = static_cast<int>(xs.size());
    if (n <= 1) return out;
    if (10.0 * (xs[n - 1] - xs[0]) / (n - 1) >= L) return out;
    a = std::min(std::max(a, xs[0]), xs[n - 1]);
    b = std::min(std::max(b, xs[0]), xs[n - 1]);
    CGraphData data(n, xs.data(), ys.data(), nullptr);

    const double D = 2.0;
    int m = static_cast<int>((xs[n - 1] - xs[0]) / L * D) + 1;
    m = std::max(m, 3);
    const int K = m + 2;
    std::vector<double> X(K + 1), Y(K + 1), Y2(K + 1, 0.0);
    std::vector<int> fitted(K + 1);
    for (int k = 2; k <= K - 1; ++k) {
        X[k] = (xs[n - 1] - xs[0]) * (k - 2) / (K - 3) + xs[0];
        Y[k] = data.Evaluate(X[k]);
        fitted[k] = a <= X[k] && X[k] <= b;
    }
    X[1] = xs[0] - 2 * L;
    Y[1] = ys[0];
    fitted[1] = a == xs[0];
    X[K] = xs[n - 1] + 2 * L;
    Y[K] = ys[n - 1];
    fitted[K] = b == xs[n - 1];

    // Spline matrix.
    std::vector<std::vector<double>> M(K + 1, std::vector<double>(K + 1, 0.0));
    const int t = K - 2;
    std::vector<double> ta(t + 1), tb(t + 1), tc(t + 1), tr(t + 1), tu(t + 1);
    try {
        for (int j = 1; j <= K; ++j) {
            for (int p = 2; p <= K - 1; ++p) {
                int i = p - 1;
                double hp = X[p + 1] - X[p], hm = X[p] - X[p - 1];
                ta[i] = i == 1 ? 0.0 : hm / 6;
                tb[i] = (X[p + 1] - X[p - 1]) / 3;
                tc[i] = i == t ? 0.0 : hp / 6;
                tr[i] = j == p + 1 ? 1 / hp : j == p ? -(1 / hm + 1 / hp) : j == p - 1 ? 1 / hm : 0.0;
            }
            Tridiagonal(ta.data(), tb.data(), tc.data(), tr.data(), tu.data(), t);
            for (int p = 2; p <= K - 1; ++p) M[p][j] = tu[p - 1];
        }
    } catch (const char*) {
        return out;
    }
    auto updateY2 = [&] {
        for (int p = 1; p <= K; ++p) {
            double s = 0;
            for (int j = 1; j <= K; ++j) s += M[p][j] * Y[j];
            Y2[p] = s;
        }
    };
    updateY2();

    auto model = [&](double v, std::vector<double>& f) {
        int lo = 0, hi = K + 1;
        while (hi - lo > 1) {
            int mid = (lo + hi) / 2;
            if (v < X[mid]) hi = mid; else lo = mid;
        }
        hi = lo + 1;
        double h = X[hi] - X[lo], A = (X[hi] - v) / h, B = 1 - A;
        double c1 = (A * A * A - A) * h * h / 6, c2 = (B * B * B - B) * h * h / 6;
        for (int j = 1; j <= K; ++j) f[j] = (j == lo ? A : j == hi ? B : 0.0) + c1 * M[lo][j] + c2 * M[hi][j];
    };
    auto spline = [&](double v) { return SplineAt(X, Y, Y2, 1, K, v); };

    std::vector<double> yFit(n + 1), sigma(n + 1);
    std::vector<int> inUse(n + 1, 1);
    for (int i = 1; i <= n; ++i) {
        yFit[i] = ys[i - 1];
        sigma[i] = ys[i - 1] + 1.0;
    }
    std::vector<int> rank(K + 1, 0);
    int q = 0;
    bool anyHeld = false;
    for (int j = 1; j <= K; ++j) {
        if (fitted[j]) rank[j] = ++q;
        else anyHeld = true;
    }
    auto pass = [&] {
        if (q == 0) return;
        double s = 0;
        int used = 0;
        for (int i = 1; i <= n; ++i)
            if (inUse[i]) { s += sigma[i]; ++used; }
        double sbar = used ? s / used : 1.0;
        WorkMatrix N(1, q, 1, q), beta(1, q, 1, 1);
        for (int l = 1; l <= q; ++l) {
            beta[l][1] = 0;
            for (int k = 1; k <= q; ++k) N[l][k] = 0;
        }
        std::vector<double> f(K + 1);
        for (int i = 1; i <= n; ++i) {
            if (!inUse[i]) continue;
            model(xs[i - 1], f);
            double ym = yFit[i];
            if (anyHeld)
                for (int j = 1; j <= K; ++j)
                    if (!fitted[j]) ym -= f[j] * Y[j];
            double w = sigma[i] > 0 ? 1 / (sigma[i] * sigma[i]) : 1.0;
            for (int l = 1; l <= K; ++l) {
                if (!fitted[l] || f[l] == 0) continue;
                for (int k = 1; k <= l; ++k) {
                    if (!fitted[k] || f[k] == 0) continue;
                    N[rank[l]][rank[k]] += w * f[l] * f[k];
                }
                beta[rank[l]][1] += w * f[l] * ym;
            }
        }
        if (S > 0) {
            double tt = (2 * sbar / S) / (L * L);
            double lambda = 1 / (tt * tt);
            for (int l = 1; l <= K; ++l) {
                if (!fitted[l]) continue;
                for (int k = 1; k <= l; ++k) {
                    if (!fitted[k]) continue;
                    double sum = 0;
                    for (int p = 1; p <= K; ++p) sum += M[p][l] * M[p][k];
                    N[rank[l]][rank[k]] += lambda * sum;
                }
            }
        }
        for (int l = 1; l <= q; ++l)
            for (int k = 1; k < l; ++k) N[k][l] = N[l][k];
        GaussJordan(N.get(), q, beta.get(), 1);
        for (int j = 1; j <= K; ++j)
            if (fitted[j]) Y[j] = beta[rank[j]][1];
        updateY2();
    };
    auto exclude = [&] {
        for (int i = 1; i <= n; ++i) {
            double r = ys[i - 1] - spline(xs[i - 1]);
            if (inUse[i] && !(r <= 2 * sigma[i])) {
                inUse[i] = 0;
                yFit[i] = 0;
            }
        }
    };
    try {
        pass();
        for (int i = 1; i <= n; ++i)
            sigma[i] = es.empty() ? std::sqrt(ys[i - 1] + 1.0) : std::sqrt(es[i - 1] * es[i - 1] + 1.0);
        exclude();
        pass();
        exclude();
        pass();
    } catch (const char*) {
        return out;
    }
    out.ok = true;
    out.x.assign(X.begin() + 1, X.end());
    out.y.assign(Y.begin() + 1, Y.end());
    out.y2.assign(Y2.begin() + 1, Y2.end());
    return out;
}

// A synthetic pattern: n points from x0 in steps of dx, a smooth background, Gaussian peaks, and counts drawn
// around their expectation with the spread of counting statistics.
struct Synthetic {
    std::vector<double> x, y, background;
};

struct Peak {
    double centre, height, fwhm;
};

inline Synthetic MakePattern(int n, double x0, double dx, const std::vector<Peak>& peaks, unsigned seed,
                             double level = 200.0) {
    Synthetic s;
    std::mt19937 rng(seed);
    for (int i = 0; i < n; ++i) {
        double x = x0 + dx * i;
        double bg = level * (1.0 + 0.5 * std::exp(-(x - x0) / 30.0)) + 20.0 * std::sin(x / 15.0);
        double mean = bg;
        for (const Peak& p : peaks) {
            double sd = p.fwhm / 2.3548200450309493;
            mean += p.height * std::exp(-0.5 * (x - p.centre) * (x - p.centre) / (sd * sd));
        }
        std::normal_distribution<double> noise(mean, std::sqrt(mean));
        s.x.push_back(x);
        s.y.push_back(std::max(0.0, std::round(noise(rng))));
        s.background.push_back(bg);
    }
    return s;
}

}  // namespace fit_reference
