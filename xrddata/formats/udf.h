// Philips UDF text files (code 5): a header of "Key,value,/" lines closed by the line "RawScan", then the
// intensities, up to eight to a line separated by commas, at start + i * step: the start is the first number of
// "DataAngleRange" (the second is the end), the step "ScanStepSize". A header line is recognised by the first key
// of the list below found anywhere in it, its value taken from just after the key and the comma that follows it.
// Every line piece counts, with or without a line end (the files often end with a DOS end-of-file byte).
//
// Metadata: "SampleIdent" is the sample, "Title1" and "Title2" the comments (joined with '\n'); every "Anode",
// "MonochromatorUsed", "LabdaAlpha1" and "FileDateTime" line is kept as a property of that name, in file order, with
// its cleaned value; the anode, the wavelength (a decimal comma read as such), whether K-alpha2 is present ("NO"
// monochromator) and the date come from the last of each. Other "Key,value" header lines are properties too.
#pragma once

#include "xrddata/formats/table.h"
#include "xrddata/platform/export.h"

namespace xrddata::formats {

// Yes when "DataAngleRange", "ScanStepSize" and "RawScan" occur within the first 50 lines and the line after
// "RawScan" holds eight numbers.
XRDDATA_API bool IsUdf(Bytes bytes);
// Problem::malformed for a range or step that does not parse or a "RawScan" before them, Problem::no_data for a
// file without "RawScan" or without intensities after it.
XRDDATA_API Measurement ReadUdf(const Source& source);

}  // namespace xrddata::formats
