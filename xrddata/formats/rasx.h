// Rigaku RASX (format code 16): a zip archive of the Rigaku measurement software holding, per data set N,
// DataN/ProfileN.txt (UTF-8 with a byte-order mark; CR LF rows "x<TAB>intensity<TAB>factor") and its measurement
// conditions DataN/MesurementConditionsN.xml (spelt so by the software; the correct spelling is accepted too),
// plus root.xml (format version, content hashes and a signature, which are not checked).
//
// Read: every profile is a scan, ordered by N as a number (Data2 before Data10, whatever the archive's order).
// The counts are the intensity column times the factor column (1 in every file seen; where it is not 1 the
// scan's property "attenuation" says so); an IntensityUnit of counts per second is turned into counts with the
// counting time per step: Step / Speed x 60 s in CONTINUOUS scans (Speed in deg/min), Speed itself in STEP scans
// (seconds). From the conditions: ScanInformation (AxisName, Mode, Start, Stop, Step, DataCount, StartTime) for
// each scan, and for the measurement the first data set's sample name, comment and memo, operator, anode,
// K-alpha1, K-alpha2 and K-beta wavelengths (no ratio is stored), wave type (K-alpha doublet or K-alpha1) and
// generator settings. The copy of the RAS header the conditions carry (RASHeader) becomes scan properties.
//
// Not read: 2-D detector images (ImageN), reciprocal-space map settings beyond each profile.
#pragma once

#include "xrddata/formats/measurement.h"
#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsRasx(Bytes bytes);
Measurement ReadRasx(const Source& source);

}  // namespace xrddata::formats
