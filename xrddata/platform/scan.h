// Number scanning as the C library's formatted input does it, independent of the process locale (the decimal
// separator is always '.'): what sscanf with "%lf %lf %lf" reads, and atof.
#pragma once

#include "xrddata/platform/types.h"

// Reads up to maxCount doubles separated by optional white space, like sscanf(text, "%lf %lf ...").
// Returns the number of values converted (0 when the first one fails; -1 for an empty or all-blank text, as
// sscanf returns EOF).
XRDDATA_API int ScanDoubles(const char* text, double* values, int maxCount);
// atof in the "C" locale: the longest valid prefix after leading white space, 0 when there is none.
XRDDATA_API double CAtof(const char* text);
