// The run of float32 counts that ends a Bruker raw range: appended to a point set at x = start + i x step, as many
// as the range claims and the file holds.
#pragma once

#include <cstdint>

#include "xrddata/arrays/graphdata.h"
#include "xrddata/platform/file.h"

// Reads up to `points` little-endian float32 counts from the current position of the file and appends them, in
// order, to the point set (no error column is written, nothing is sorted). A file that ends early gives fewer
// points, a negative or zero count none; memory is sized by what the file holds, not by the count claimed.
// Returns the number of points appended.
int AppendFloatCounts(CFile& file, CGraphData& data, std::int64_t points, double start, double step);
