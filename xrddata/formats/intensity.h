// Intensities as counts: files that store a count rate (counts per second) have their values turned into counts
// with the counting time of each point, and the measurement's metadata say so.
#pragma once

#include <string_view>

#include "xrddata/formats/measurement.h"

namespace xrddata::formats {

// True for the units that name a count rate: "cps", "counts/s", "counts per second", "1/s" (case ignored).
bool IsRateUnit(std::string_view unit);

// Multiplies the scan's counts by its counting time (time_per_point, else step_time). False, with the counts left
// as they are, when the scan states no counting time.
bool RateToCounts(Scan& scan);

// The metadata property that records the conversion ("intensity", "counts: the file stores counts per second
// (UNIT), multiplied by the counting time of each point").
void NoteRateConversion(Metadata& meta, std::string_view unit);

}  // namespace xrddata::formats
