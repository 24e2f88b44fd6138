// The one-dimensional SAFEARRAY of doubles that the point set and the background hand to automation clients.
// Internal to the library.
#pragma once

#include "xrddata/platform/variant.h"

namespace xrddata::arrays {

// A VARIANT (VT_ARRAY | VT_R8) holding a copy of the n doubles, lower bound 0. VT_EMPTY when n is not positive, and
// when the array cannot be made or accessed (an allocation failure is reported first).
VARIANT DoubleSafeArray(const double* values, int n);

}  // namespace xrddata::arrays
