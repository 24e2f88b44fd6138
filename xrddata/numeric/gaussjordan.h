// Dense linear algebra of the numerical library on one-based matrices from dmatrix: Gauss-Jordan elimination with
// full pivoting, and the re-ordering of a least-squares covariance matrix to the full parameter list.
#pragma once

#include "xrddata/platform/export.h"

// a[1..n][1..n] is replaced by its inverse and b[1..n][1..m] by the solutions of a·X = b. A singular matrix raises
// "GaussJordan: Singular Matrix-1" or "GaussJordan: Singular Matrix-2" (or, when no pivot can be chosen at all,
// e.g. NaN entries, "GaussJordan: failed col/row swapping"); a and b are then partly transformed.
XRDDATA_API void GaussJordan(double** a, int n, double** b, int m);

// Spreads the nFit×nFit covariance in the top left of cov[1..nAll][1..nAll] to the parameters flagged in
// fitted[1..nAll] (nonzero = fitted), with zero rows and columns for the fixed ones. Exactly nFit flags are
// expected; surplus flags (the lowest indices) are ignored rather than indexing outside the matrix.
XRDDATA_API void covsrt(double** cov, int nAll, int* fitted, int nFit);
