// Bruker DIFFRAC-AT raw files of version 1 (format code 11), the oldest binary raw files: no file header, a chain
// of ranges, each a 152-byte little-endian range header and its intensities as 32-bit floats. The first range is
// preceded by the four bytes "RAW " (with a blank); later ranges may repeat them or not.
//
// Range header (offsets after the "RAW "): 0 step count (u32), 4 counting time per step in s (f32), 8 step size in
// degrees (f32), 12 scan mode (u32, meaning unknown: 6536 in every file seen), 20 start angle (f32), 24/28/32
// theta, chi and phi at the start (f32, -1e6 when not known), 36 sample name (32 bytes, blank-padded), 68 and 72
// K-alpha1 and K-alpha2 in angstrom (f32), 76..147 unused (stale bytes, never read), 148 "another range follows"
// (u32, 0 for the last range), 152 the intensities.
//
// Read: every range as a scan, positions start + i * step, the intensities as counts per step (they are whole
// numbers in every file seen), the time per step, the sample name of the first range and its wavelengths. The
// format stores no date, anode, K-beta or K-alpha2 ratio. A range that ends before its step count keeps the
// points present and says so in a warning; a range header cut short, a step that is not a positive number or a
// start that is not finite is an error.
#pragma once

#include "xrddata/formats/measurement.h"
#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsRawV1(Bytes bytes);
Measurement ReadRawV1(const Source& source);

}  // namespace xrddata::formats
