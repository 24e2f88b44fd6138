// Special functions of the numerical library: log-gamma (Lanczos), binomial coefficients through a cached
// factorial logarithm, the regularised incomplete gamma functions and the error function built on them.
// Invalid arguments raise the numerical error (error.h).
//
// erff here is the double error function of this library; the C library's float erff(float) is a separate
// overload, so pass doubles.
#pragma once

#include "xrddata/platform/export.h"

// ln Γ(x) for x > 0.
XRDDATA_API double GammLn(double x);
// n over k as a whole-valued double; a negative n, k or n-k raises "Negative factorial in routine factln".
XRDDATA_API double BinomialCoeff(int n, int k);
// P(a, x) and Q(a, x) = 1 - P(a, x) for a > 0, x >= 0 (NaN arguments are invalid).
XRDDATA_API double gammp(double a, double x);
XRDDATA_API double gammq(double a, double x);
XRDDATA_API double erff(double x);
XRDDATA_API double erffc(double x);
