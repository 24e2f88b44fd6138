// The Cranfield text format (code 8): line 1 the title (the sample name), line 2 the number of points (checked by
// the test only: the lines decide), line 3 the start angle, line 4 the step, then one intensity per line. A line
// that is not a number is skipped without advancing the angle, and the angle advances by repeated addition of the
// step. Lines are the pieces of a 256-byte line buffer (see PieceReader). The collection date is the file's
// modification time.
#pragma once

#include "xrddata/formats/table.h"
#include "xrddata/platform/export.h"

namespace xrddata::formats {

// Lines 2 to 5: an integer of at least 1, a start of at least 0, a step above 0 and a lone number (a number
// followed by a word is refused). A file without a fifth line passes; one without a fourth does not.
XRDDATA_API bool IsCranfield(Bytes bytes);
// Whether a data line follows the four header lines: a file the test accepts without one holds no Cranfield
// data (a plain four-line x-y file passes the test), so detection offers it to the later formats first.
XRDDATA_API bool CranfieldHoldsData(Bytes bytes);
// Problem::no_data when no line follows the header.
XRDDATA_API Measurement ReadCranfield(const Source& source);

}  // namespace xrddata::formats
