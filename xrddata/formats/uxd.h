// Bruker/Siemens DIFFRAC-AT UXD text files: "_KEY=VALUE" lines (values of text in single quotes), comment lines
// starting with ';', and per range a block of range keys (_DRIVE, _STEPTIME, _STEPSIZE, _START or _2THETA, ...)
// ended by a data header line:
//   _COUNTS or _CPS            intensities only, several to a line, at _START + i * _STEPSIZE;
//   _2THETACOUNTS, _2THETACPS  one "two-theta intensity" pair per line.
// The data run to the next key or comment line. Every range is a scan. _CPS and _2THETACPS hold counts per second:
// they are multiplied by the range's _STEPTIME to give counts, and the metadata says so (a rate without a step
// time is refused). The keys before the first range are the file's: sample, date, wavelengths, anode.
#pragma once

#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsUxd(Bytes bytes);
Measurement ReadUxd(const Source& source);

}  // namespace xrddata::formats
