#include "xrddata/pattern/ka2sweep.h"

#include <cmath>

namespace {

// Index of the last x not greater than p (0 below the first), as the point set's Locate bisects for it.
int Bracket(const double* x, int n, double p) {
    if (n <= 1) return 0;
    int lo = 0, hi = n;
    do {
        const int mid = (lo + hi) >> 1;
        if (p < x[mid]) hi = mid;
        else lo = mid;
    } while (hi - lo > 1);
    return lo;
}

}  // namespace

// The sweep runs upwards: when point i is reached, every point below has already taken its K-alpha2 share out of
// it, so y[i] is pure K-alpha1 and R·y[i] is removed at the K-alpha2 position p of x[i], split linearly between
// the two points k, k+1 around p. The variance of that share is R²·v[i] plus (0.5 % of y[i])² for the uncertainty
// of the ratio.
void Ka2Sweep(const double* x, double* y, double* v, int n, double R, const std::function<double(double)>& ka2Position) {
    if (n < 2) return;  // one point has no interval to share anything with
    for (int i = 0; i < n; ++i) {
        const double p = ka2Position(x[i]);
        if (!(p <= x[n - 1])) break;  // beyond the last point (or not a number): nothing further up to strip
        if (i == n - 1) {
            // The K-alpha2 position of the last point lies on the point itself (angles where the doublet does not
            // split): its measured value holds its own K-alpha2 in full.
            const double g = 1.0 / (1.0 + R);
            const double a = g * y[i];
            y[i] = a > 0.0 ? a : 0.0;
            v[i] = g * g * v[i];
            break;
        }
        int k = Bracket(x, n, p);
        if (k < i) k = i;
        if (k > n - 2) k = n - 2;
        // Two points at the same angle make an interval of no width: the share goes wholly to the lower point
        // rather than turning intensities into NaN.
        const double span = x[k + 1] - x[k];
        const double f = span > 0.0 ? (p - x[k]) / span : 0.0;
        if (k > i) {
            if (!std::isfinite(y[i])) continue;
            const double I = R * y[i], V = R * R * v[i] + 0.005 * y[i] * y[i];
            y[k] = y[k] - (1.0 - f) * I;
            if (y[k] < 0.0) y[k] = 0.0;
            v[k] = v[k] + (1.0 - f) * (1.0 - f) * V;
            y[k + 1] = y[k + 1] - f * I;
            if (y[k + 1] < 0.0) y[k + 1] = 0.0;
            v[k + 1] = v[k + 1] + f * f * V;
        } else {
            // p falls inside the interval that starts at point i, so the measured y[i] already holds the part
            // (1-f)·R·a of its own K-alpha2: y[i] = a·(1 + (1-f)·R) is solved for the K-alpha1 part a.
            const double g = 1.0 / (1.0 + (1.0 - f) * R);
            const double a = g * y[i], va = g * g * v[i];
            const double I = R * a, V = R * R * va + 0.005 * a * a;
            y[k] = a > 0.0 ? a : 0.0;
            v[k] = va;
            if (!std::isfinite(a)) continue;
            y[k + 1] = y[k + 1] - f * I;
            if (y[k + 1] < 0.0) y[k + 1] = 0.0;
            v[k + 1] = v[k + 1] + f * f * V;
        }
    }
}
