// The run of little-endian float32 counts that ends each range of the Bruker raw files (DIFFRAC-plus, DIFFRAC-AT):
// as many as the range header claims and the bytes hold, at start + i * step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "xrddata/formats/measurement.h"
#include "xrddata/formats/table.h"

namespace xrddata::formats {

// Appends up to `declared` counts read from `offset` to the scan (a negative count reads none) and returns how many
// were read. Memory is sized by what the bytes hold, not by the count claimed.
std::size_t ReadFloatCounts(Bytes bytes, std::size_t offset, std::int64_t declared, double start, double step,
                            Scan& scan);

// "range 2: header claims 4001 points, file holds 17"
std::string ShortRangeWarning(int range, std::int64_t declared, std::size_t held);

// "range 3: <why>; the file holds 2 of 5 ranges", for a range whose header cannot be read.
std::string MissingRangeWarning(int range, std::int64_t declared_ranges, const char* why);

// Range `range` of a measurement: sets the scan's start, step and declared point count, reads its counts from
// `offset` (as ReadFloatCounts) and appends the scan. Returns the offset after the counts; returns nothing when the
// bytes hold fewer counts than declared, after keeping those present and adding a ShortRangeWarning: the ranges
// stop there.
std::optional<std::size_t> AppendFloatRange(Bytes bytes, std::size_t offset, int range, std::int64_t declared,
                                            double start, double step, Scan scan, Measurement& m);

}  // namespace xrddata::formats
