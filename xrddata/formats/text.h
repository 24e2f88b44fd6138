// Plain two- or three-column text (format code 1), the import's oldest format: no header, every line holds x and
// y, or x, y and the error of y, separated by blanks. The file is read in the pieces a 256-byte line buffer takes
// (see PieceReader): only a piece that ends in its line feed is a line, so a last line without a line end, and the
// first pieces of an over-long line, are not read. Any other line is an error, except that blank lines at the very
// end of the file are ignored. A line with two numbers gets the counting error of y when another line carries its
// own error (sigma is then given for every point); when none does, the scan has no sigma. The sample name is the
// file's name, the collection date its modification time. Points are in file order.
#pragma once

#include "xrddata/formats/table.h"
#include "xrddata/platform/export.h"

namespace xrddata::formats {

// Yes when the first line starts with two numbers.
XRDDATA_API bool IsText(Bytes bytes);
XRDDATA_API Measurement ReadText(const Source& source);

}  // namespace xrddata::formats
