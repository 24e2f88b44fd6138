// Cubic splines on one-based arrays (x ascending), the tridiagonal solver and a weighted average of estimates.
// Callers with zero-based storage pass OneBased(data) (alloc.h). Failures raise the numerical error (error.h).
#pragma once

#include "xrddata/platform/export.h"

// Fills y2[1..n] with the second derivatives of the cubic spline through (x[i], y[i]), i = 1..n. yp1 and ypn are
// the first derivatives at the ends; a value above 9.9e+29 asks for a natural end (zero second derivative).
// Fewer than two points give zero second derivatives. Two equal (or NaN) neighbouring abscissae raise
// "Bad x input to routine Spline".
XRDDATA_API void Spline(double* x, double* y, int n, double yp1, double ypn, double* y2);

// *y = the spline value at x (outside xa[1]..xa[n] the end polynomial is extended). A bracketing interval of zero
// width, or no points, raises "Bad xa input to routine SplineInterpolate".
XRDDATA_API void SplineInterpolate(double* xa, double* ya, double* y2a, int n, double x, double* y);

// Solves the tridiagonal system with sub-diagonal a[2..n], diagonal b[1..n], super-diagonal c[1..n-1] and right
// side r[1..n] into u[1..n] (no pivoting): "Error 1 in Tridiagonal" when b[1] is 0, "Error 2 in Tridiagonal" when
// a later pivot is 0. n < 1 leaves u untouched.
XRDDATA_API void Tridiagonal(double* a, double* b, double* c, double* r, double* u, int n);

// Weighted mean of the positive estimates est[0..n-1] (zero-based) with weights 1/err (not 1/err²; an error at or
// below the smallest normal double counts as that). Returns the number used; *mean and *meanErr (either may be
// null) are set only when it is nonzero, meanErr to 1/√(Σw²/count).
XRDDATA_API int AverageEstimates(double* est, double* err, int n, double* mean, double* meanErr);
