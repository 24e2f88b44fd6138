// GSAS powder data files (.gsa, .gsas, .raw, .fxye): line 1 is the title; comment lines ("#") and an
// "Instrument parameter" line may follow; then one or more banks, each opened by a line
//   BANK IBANK NCHAN NREC BINTYP BCOEF1 BCOEF2 BCOEF3 BCOEF4 [TYPE]
// and followed by its records. The layouts (TYPE) read here:
//   STD (the default): ten fields of (I2, F6.0), the number of counters summed and the intensity; a point's
//       standard deviation is sqrt(intensity / counters), kept as sigma when some point has more than one counter;
//   ESD: five (F8.0, F8.0) pairs of intensity and standard deviation per record;
//   ALT: four (F8.0, F7.4, F5.4) triples of position, intensity and standard deviation per record;
//   FXYE: one free-format "position intensity deviation" per line.
// Constant-wavelength banks (BINTYP CONST, BCOEF1 the first position and BCOEF2 the step) store positions in
// centidegrees: they are converted to degrees (on the decimal digits, so exactly) and the metadata says so.
// Time-of-flight banks (TIME_MAP, RALF, SLOG, or positions beyond 180 degrees) hold flight times, not angles: they
// are not read, a warning names them, and a file of only such banks is refused with that reason. Several banks are
// several scans.
#pragma once

#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsGsas(Bytes bytes);
Measurement ReadGsas(const Source& source);

}  // namespace xrddata::formats
