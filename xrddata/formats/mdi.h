// MDI text files (code 7). Line 1 is a title: the collection date in columns 0-7, a four-character code in columns
// 16-19 (the comments) and the sample name from column 20. Line 2 holds the scan, read as
// "%lf %lf %lf %s %lf %lf %d": start, step, a number that is not used, the anode element, the wavelength, the end
// angle and the number of points. Every further line holds up to eight intensities (more on a line are not read),
// at start + i * step. The title is read whole; the other lines in the pieces of a 256-byte line buffer (see
// PieceReader), every piece counting. Fewer or more intensities than line 2 states give a warning.
#pragma once

#include "xrddata/formats/table.h"
#include "xrddata/platform/export.h"

namespace xrddata::formats {

// Yes when all seven fields of line 2 convert with end > start, step > 0 and wavelength > 0.
XRDDATA_API bool IsMdi(Bytes bytes);
XRDDATA_API Measurement ReadMdi(const Source& source);

}  // namespace xrddata::formats
