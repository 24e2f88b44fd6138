// Diffraction Technology CPI files (code 6): ten header lines, then one intensity per line.
//   1 title (comments)      2 start angle     3 end angle (checked only)   4 step
//   5 anode element name    6 wavelength      7 collection date and time   8 not used
//   9 sample name          10 "SCANDATA" (any case)
// Header numbers are read as atof reads them (a leading number, 0 when there is none), as the import always has;
// the metadata's wavelength also reads a decimal comma ("1,5406"), the raw text stays in the property
// "wavelength". The angle advances by repeated addition of the step. Lines are the pieces of a 256-byte line
// buffer (see PieceReader).
#pragma once

#include "xrddata/formats/table.h"
#include "xrddata/platform/export.h"

namespace xrddata::formats {

// Yes when line 10 begins with "SCANDATA" (case ignored) and end > start, step > 0, wavelength > 0.
XRDDATA_API bool IsCpi(Bytes bytes);
// Problem::malformed (at the line) for a data line that holds no number.
XRDDATA_API Measurement ReadCpi(const Source& source);
// The metadata and the scan settings without the intensities.
XRDDATA_API Measurement ReadCpiHeader(const Source& source);

}  // namespace xrddata::formats
