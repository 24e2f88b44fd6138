// Axis scales for plots: "nice" tick positions (1, 2 or 5 times a power of ten) over a linear range, and decades
// over a logarithmic one.
#pragma once

#include <vector>

#include "xrddata/platform/types.h"

struct AxisScale {
    double lo = 0.0, hi = 1.0;   // the drawn range (for a log axis: positive values)
    bool log = false;
    std::vector<double> ticks;   // tick values inside [lo, hi]
    double step = 0.0;           // tick spacing of a linear axis
};

// Ticks every 1, 2 or 5 x 10^k so that about `target` of them fall in [lo, hi]; the range is widened outward to the
// next ticks when `expand` is set. A zero-width range is widened by one unit on each side.
AxisScale LinearAxis(double lo, double hi, int target, bool expand);
// Decades 10^k covering [lo, hi] (lo > 0), extended to whole decades.
AxisScale LogAxis(double lo, double hi);
// The position of v in [0, 1] on the axis (values outside fall outside; non-positive values on a log axis at 0).
double AxisFraction(const AxisScale& a, double v);
