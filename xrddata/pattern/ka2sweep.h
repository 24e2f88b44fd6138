// The K-alpha2 sweep on bare columns: removes the K-alpha2 share of every point from the points around its
// K-alpha2 position, in place, carrying the variances along. CXRDData::StripKa2 runs it on the pattern's columns
// with the radiation's ratio and positions; on its own it takes any position rule.
#pragma once

#include <functional>

#include "xrddata/platform/export.h"

// x[0..n-1] ascending two-theta, y the intensities, v their variances (both changed in place), ratio the intensity
// ratio R of K-alpha2 to K-alpha1, ka2Position the K-alpha2 angle of a K-alpha1 angle (at or above it, rising).
// Negative intensities left by the subtraction become 0. Intensities that are not finite carry no share.
XRDDATA_API void Ka2Sweep(const double* x, double* y, double* v, int n, double ratio,
                          const std::function<double(double)>& ka2Position);
