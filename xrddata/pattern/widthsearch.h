// The trial loop of the feature-width detection over ascending angles, on one thread or shared out over several.
#pragma once

#include <vector>

#include "xrddata/platform/export.h"

// Trial widths w = dw, then each the previous plus dw while w <= wmax (the first always runs). A trial whose
// half-width q = (w + s)/s lies in 1 <= q < n-1 filters with m = q truncated and scores as WidthTrial does over
// working copies of y that keep what earlier trials wrote outside its own range; any other trial scores 0.0. The
// loop ends after the first trial that scores below half the best so far. Returns 1.5·w of the first trial with
// the highest score above 0, or `result` when none scores above 0.
//
// From 20,000 points on the loop keeps one whole working copy (the derivative) and the smoothed values only of the
// points later trials read; with threads > 1 the trials after the first go to two threads, each claiming the
// next trial nobody has claimed when it is free, each with copies of its own, brought up to date with the bands
// the other thread's trials wrote. The scores are those of
// the loop over whole copies (threads < 1 runs that loop always), bit for bit; at most a trial or two past the
// one the loop ends on is started, and it stops at its next chunk. scores, when given, receives every score the
// loop took, in trial order.
XRDDATA_API double SearchWidth(const double* x, const double* y, int n, double s, double dw, double wmax,
                               double result, int threads, std::vector<double>* scores = nullptr);

// The threads the detection may use here: 2 when this process may run on at least two processors and no other
// detection runs in parallel at the moment, else 1. WidthThreadsClaim marks one detection as running for its
// lifetime.
class XRDDATA_API WidthThreadsClaim {
public:
    WidthThreadsClaim();
    ~WidthThreadsClaim();
    WidthThreadsClaim(const WidthThreadsClaim&) = delete;
    WidthThreadsClaim& operator=(const WidthThreadsClaim&) = delete;
    int Threads() const { return m_nThreads; }

private:
    int m_nThreads;
};
