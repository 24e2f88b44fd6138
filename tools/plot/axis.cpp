#include "plot/axis.h"

#include <cmath>

namespace {

double NiceStep(double span, int target) {
    const double raw = span / (target > 0 ? target : 1);
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / mag;
    const double nice = f < 1.5 ? 1.0 : f < 3.0 ? 2.0 : f < 7.0 ? 5.0 : 10.0;
    return nice * mag;
}

}  // namespace

AxisScale LinearAxis(double lo, double hi, int target, bool expand) {
    AxisScale a;
    if (!std::isfinite(lo) || !std::isfinite(hi)) lo = 0.0, hi = 1.0;
    if (hi < lo) std::swap(lo, hi);
    if (hi - lo <= 0.0) {
        const double pad = lo != 0.0 ? std::fabs(lo) * 0.1 : 1.0;
        lo -= pad;
        hi += pad;
    }
    a.step = NiceStep(hi - lo, target);
    if (expand) {
        lo = std::floor(lo / a.step) * a.step;
        hi = std::ceil(hi / a.step) * a.step;
    }
    a.lo = lo;
    a.hi = hi;
    const double first = std::ceil(lo / a.step - 1e-9);
    for (double k = first;; k += 1.0) {
        double t = k * a.step;
        if (t > hi + a.step * 1e-9) break;
        if (std::fabs(t) < a.step * 1e-9) t = 0.0;
        a.ticks.push_back(t);
        if (a.ticks.size() > 1000) break;
    }
    return a;
}

AxisScale LogAxis(double lo, double hi) {
    AxisScale a;
    a.log = true;
    if (!(lo > 0.0) || !std::isfinite(lo)) lo = 1.0;
    if (!(hi > lo) || !std::isfinite(hi)) hi = lo * 10.0;
    const int k0 = static_cast<int>(std::floor(std::log10(lo)));
    int k1 = static_cast<int>(std::ceil(std::log10(hi)));
    if (k1 <= k0) k1 = k0 + 1;
    a.lo = std::pow(10.0, k0);
    a.hi = std::pow(10.0, k1);
    for (int k = k0; k <= k1; ++k) a.ticks.push_back(std::pow(10.0, k));
    return a;
}

double AxisFraction(const AxisScale& a, double v) {
    if (a.log) {
        if (!(v > 0.0)) return 0.0;
        return (std::log10(v) - std::log10(a.lo)) / (std::log10(a.hi) - std::log10(a.lo));
    }
    return (v - a.lo) / (a.hi - a.lo);
}
