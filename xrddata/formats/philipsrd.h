// Philips PC-APD raw and processed scan files (.rd, .sd), binary, version 3 ("V3RD" or "V3SD" at byte 0). A
// 250-byte header, then one unsigned 16-bit little-endian value v per point; the intensity is v * v / 100 (the
// software stores the square root of ten times the counts), kept exactly rather than rounded to whole counts.
// Header fields (offsets from the start):
//   84 u8 diffractometer type (PW1800, PW1710 based system, PW1840, PW3710 based system, Undefined, X'Pert MPD)
//   85 u8 anode (Cu, Mo, Fe, Cr, Other), 86 u8 focus of the tube (BF, NF, FF, LFF)
//   94, 102 f64 K-alpha1 and K-alpha2 wavelengths (angstrom), 110 f64 K-alpha2 / K-alpha1 intensity ratio
//   138 char[8] file name, 146 char[20] sample identification
//   214 f64 step, 222 f64 first angle, 230 f64 last angle (degrees two-theta)
// The point count is (last - first) / step + 1; a file that holds fewer values keeps those there and says so.
#pragma once

#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsPhilipsRd(Bytes bytes);
Measurement ReadPhilipsRd(const Source& source);

}  // namespace xrddata::formats
