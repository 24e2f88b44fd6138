// The two halves of one trial of the feature-width detection over raw columns: the smoothing and first-derivative
// filters of the trial's half-width, and the correlation of the smoothed profile with the derivative taken a
// trial width further down the angle scale. Both give, value for value, what the plain Savitzky-Golay filters and
// the point set's interpolation give, so that every trial score is the same whichever path computes it.
#pragma once

#include <memory>

class CSGFilter;
class CSGWindowFilter;

// Filters of half-width m (order 2 for m = 1, else 4) over y[0..n-1], seen as a one-based array on the buffer
// itself (the window of point j reads positions j-m..j+m, clamped to 1..n): sy[j] = smoothed value and
// dy[j] = first derivative per unit of step, for j = m..n-m-3. Nothing else is written. Needs 1 <= m < n-1.
void WidthFilters(const double* y, int n, int m, double step, double* sy, double* dy);

// sum over j = m+1..n-1 of sy[j]·D(x[j]-w)·s and of sy[j]²·s, D the linear interpolation of dy over the
// ascending dx[0..nd-1] (constant beyond the ends), accumulated in that order; returns the score
// sAD / (sAA / (n·s)), or 0.0 when sAA/(n·s) is 0.
double WidthScore(const double* x, const double* sy, const double* dx, const double* dy, int nd, int n, int m,
                  double w, double s);

// One whole trial of half-width m over the ascending x[0..n-1] (dx = x): the filters as WidthFilters (skipped
// when filter is false, the copies then already holding this half-width's values) and the score as WidthScore,
// stretch by stretch.
double WidthTrial(const double* x, const double* y, double* sy, double* dy, int n, int m, double w, double s,
                  bool filter);

// The filters of one trial of half-width m, for any stretch of the trial's range m..n-m-3 (the chunks WidthTrial
// runs them in, or a band of it alone). Wide windows carry moments from the start of each block of 2m+1 points
// counted from m, so a stretch is computed from the start of its block on: its values are then those of one run
// over the whole range.
class WidthTrialFilters {
public:
    explicit WidthTrialFilters(int m);
    ~WidthTrialFilters();
    WidthTrialFilters(const WidthTrialFilters&) = delete;
    WidthTrialFilters& operator=(const WidthTrialFilters&) = delete;

    // The points of the blocks moments are carried over (1 for the plain filters), and of the chunks WidthTrial
    // runs the filters in, for half-width m.
    static long long BlockLength(int m);
    static long long ChunkLength(int m);
    // The point a stretch that begins at lo (m <= lo) is computed from: lo itself, or its block's start.
    int StretchStart(int lo) const;
    // The last point of the chunk WidthTrial filters from lo on (a chunk start), last being the range's end.
    int ChunkEnd(int lo, int last) const;
    // Points from..hi (from a stretch start, m <= from <= hi <= n-m-3): the smoothed value of point j at
    // sy[j - sOrigin], its derivative at dy[j - dOrigin].
    void Run(const double* y, int n, double step, int from, int hi, double* sy, int sOrigin, double* dy,
             int dOrigin) const;

private:
    int m_nHalf;
    int m_nChunk;
    std::unique_ptr<CSGFilter> m_pSmooth, m_pSlope;  // half-widths up to the plain-filter limit
    std::unique_ptr<CSGWindowFilter> m_pWindow;      // wider windows
};

// The correlation sums of one trial as WidthScore defines them, accumulated point by point in rising order from
// j = m+1; the smoothed values may come from several buffers, a stretch at a time.
class WidthSums {
public:
    WidthSums(const double* x, const double* dx, const double* dy, int nd, int n, int m, double w, double s)
        : m_x(x), m_dx(dx), m_dy(dy), m_nTop(nd - 1), m_n(n), m_w(w), m_s(s), m_j(m + 1) {}
    // Adds the points from the next one up to `upto`, the smoothed value of point j read at sy[j - origin].
    void Add(int upto, const double* sy, int origin);
    // sAD / (sAA / (n·s)), or 0.0 when sAA/(n·s) is 0.
    double Score() const;

private:
    const double* m_x;
    const double* m_dx;
    const double* m_dy;
    int m_nTop;  // last index of dx and dy
    int m_n;
    double m_w, m_s;
    int m_j;      // next point to add
    int m_i = 0;  // bracket: the last index with dx[i] <= p (0 below the first point)
    double m_sAD = 0.0, m_sAA = 0.0;
};
