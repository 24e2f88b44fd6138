// XFIT / Koalariet powder data files (.xdd): C-style comments ("/* ... */", over one line or several) may open the
// file; then a line with the first angle, the step and the last angle, optionally followed by further settings
// (kept as they stand), and the intensities in free format. A file without the opening comment is
// indistinguishable from FullProf's free format and is detected as that; this reader reads it as well when asked.
#pragma once

#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsXdd(Bytes bytes);
Measurement ReadXdd(const Source& source);

}  // namespace xrddata::formats
