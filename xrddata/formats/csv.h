// Comma-, tab- or semicolon-separated values with a header row of column names (.csv, .tsv, .tab): the separator
// is the one of the header row (tab before semicolon before comma); fields may be double-quoted ("a, b" with ""
// for a quote). The first column is two-theta, the second the intensity; a third whose name says it is an
// error ("error", "sigma", "esd", "su", "err", "e", "uncertainty", "std") is sigma. Further columns are not read
// and a warning names them. The names are kept ("column 1" = "two_theta", ...). Intensity and error cells may be
// "nan", "inf" or "-inf" (as the tool's CSV writer gives them for values it has none for); two-theta must be a
// finite number. With a semicolon separator a decimal comma is read as a decimal point.
#pragma once

#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsCsv(Bytes bytes);
Measurement ReadCsv(const Source& source);

}  // namespace xrddata::formats
