#include "xrddata/numeric/spline.h"

#include <cmath>
#include <new>

#include "xrddata/numeric/error.h"
#include "xrddata/numeric/workvector.h"

namespace {

constexpr double kNaturalEnd = 9.9e+29;  // end derivatives above this ask for a natural end

bool ZeroOrNaN(double h) { return h == 0.0 || std::isnan(h); }

// The work vector u[1..n-1] of Spline; exhaustion is reported as a numerical error.
double* SplineWork(int n) {
    try {
        return dvector(1, n - 1);
    } catch (const std::bad_alloc&) {
        NumericalError("Spline: memory allocation failure");
    }
}

}  // namespace

void Spline(double* x, double* y, int n, double yp1, double ypn, double* y2) {
    // A single point (or none) has no interval: its spline is the constant, with no curvature.
    if (n < 2) {
        if (n == 1) y2[1] = 0.0;
        return;
    }
    for (int i = 1; i < n; ++i)
        if (ZeroOrNaN(x[i + 1] - x[i])) NumericalError("Bad x input to routine Spline");
    WorkVector<double> u(SplineWork(n), 1, n - 1);
    if (yp1 > kNaturalEnd) {
        y2[1] = u[1] = 0.0;
    } else {
        y2[1] = -0.5;
        u[1] = (3.0 / (x[2] - x[1])) * ((y[2] - y[1]) / (x[2] - x[1]) - yp1);
    }
    for (int i = 2; i <= n - 1; ++i) {
        double sig = (x[i] - x[i - 1]) / (x[i + 1] - x[i - 1]);
        double p = sig * y2[i - 1] + 2.0;
        y2[i] = (sig - 1.0) / p;
        u[i] = (y[i + 1] - y[i]) / (x[i + 1] - x[i]) - (y[i] - y[i - 1]) / (x[i] - x[i - 1]);
        u[i] = (6.0 * u[i] / (x[i + 1] - x[i - 1]) - sig * u[i - 1]) / p;
    }
    double qn, un;
    if (ypn > kNaturalEnd) {
        qn = un = 0.0;
    } else {
        qn = 0.5;
        un = (3.0 / (x[n] - x[n - 1])) * (ypn - (y[n] - y[n - 1]) / (x[n] - x[n - 1]));
    }
    y2[n] = (un - qn * u[n - 1]) / (qn * y2[n - 1] + 1.0);
    for (int k = n - 1; k >= 1; --k) y2[k] = y2[k] * y2[k + 1] + u[k];
}

void SplineInterpolate(double* xa, double* ya, double* y2a, int n, double x, double* y) {
    if (n < 1) NumericalError("Bad xa input to routine SplineInterpolate");
    int klo = 1, khi = n;
    while (khi - klo > 1) {
        int k = (khi + klo) >> 1;
        if (xa[k] > x) khi = k;
        else klo = k;
    }
    double h = xa[khi] - xa[klo];
    if (ZeroOrNaN(h)) NumericalError("Bad xa input to routine SplineInterpolate");
    double a = (xa[khi] - x) / h;
    double b = (x - xa[klo]) / h;
    *y = a * ya[klo] + b * ya[khi] +
         ((a * a * a - a) * y2a[klo] + (b * b * b - b) * y2a[khi]) * (h * h) * 0.16666666666666666;
}

void Tridiagonal(double* a, double* b, double* c, double* r, double* u, int n) {
    if (n < 1) return;
    if (ZeroOrNaN(b[1])) NumericalError("Error 1 in Tridiagonal");
    WorkVector<double> gam(1, n);
    double bet = b[1];
    u[1] = r[1] / bet;
    for (int j = 2; j <= n; ++j) {
        gam[j] = c[j - 1] / bet;
        bet = b[j] - a[j] * gam[j];
        if (ZeroOrNaN(bet)) NumericalError("Error 2 in Tridiagonal");
        u[j] = (r[j] - a[j] * u[j - 1]) / bet;
    }
    for (int j = n - 1; j >= 1; --j) u[j] -= gam[j + 1] * u[j + 1];
}

int AverageEstimates(double* est, double* err, int n, double* mean, double* meanErr) {
    if (n <= 0) return 0;
    int count = 0;
    double sw = 0.0, sw2 = 0.0, swy = 0.0;
    for (int j = 0; j < n; ++j) {
        if (!(est[j] > 0.0)) continue;
        // 4.49423283715579e+307 is 1 / 2.2250738585072014e-308: the weight of the smallest error.
        double w = err[j] > 2.2250738585072014e-308 ? 1.0 / err[j] : 4.49423283715579e+307;
        ++count;
        sw += w;
        sw2 += w * w;
        swy += w * est[j];
    }
    if (count == 0) return 0;
    if (mean) *mean = swy / sw;
    if (meanErr) *meanErr = 1.0 / std::sqrt(sw2 / count);
    return count;
}
