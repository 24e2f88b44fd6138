// The two halves of one trial of the feature-width detection over raw columns: the smoothing and first-derivative
// filters of the trial's half-width, and the correlation of the smoothed profile with the derivative taken a
// trial width further down the angle scale. Both give, value for value, what the plain Savitzky-Golay filters and
// the point set's interpolation give, so that every trial score is the same whichever path computes it.
#pragma once

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
