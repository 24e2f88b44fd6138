// Savitzky-Golay convolution coefficients: least-squares polynomial smoothing and differentiation of equally spaced
// data over a window of nl points to the left and nr to the right.
#pragma once

#include "xrddata/platform/export.h"

// Fills c[1..np] (one-based) with the coefficients for a polynomial of order m and derivative order ld, in
// wrap-around order: c[1] is offset 0, c[1+i] offset -i (i = 1..nl), c[np+1-j] offset +j (j = 1..nr); the rest of
// c is zero. The coefficients give the polynomial coefficient of power ld, i.e. the ld-th derivative times
// h^ld / ld!. Raises "bad args in SavitkyGolay" when np < nl+nr+1, nl < 0, nr < 0, ld < 0, ld > m or nl+nr < m.
XRDDATA_API void SavitkyGolay(double* c, int np, int nl, int nr, int ld, int m);
