// RIET7 / LHPM-Rietica powder data files and the ILL (D1A, D2B) and PSI (DMC) powder files of the same layout: one
// or more header lines of text (title, identification), optionally a line of numbers opening with the point count
// (the ILL files: points, then monitor and other settings), then the range line with the first angle, the step
// and the last angle, then the intensities in free format, ten to a line. The ILL and PSI files append as many
// standard deviations after the intensities; they are read as the points' sigma.
#pragma once

#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsRiet7(Bytes bytes);
Measurement ReadRiet7(const Source& source);

}  // namespace xrddata::formats
