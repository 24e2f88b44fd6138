// FullProf powder data files (.dat) in the two layouts most of them use:
//  - free format (FullProf's INSTRM=0): line 1 holds the first angle, the step and the last angle, usually followed
//    by a title; the intensities follow in free format (ten to a line as FullProf writes them), sometimes followed
//    by as many standard deviations. Leading lines starting with '!' are comments.
//  - x, y, sigma with a header (INSTRM=10): line 1 holds the keyword XYDATA and the next five lines are header
//    lines, read for the keywords INTER (x and y factors, interpolation) and TEMP (sample temperature) and kept as
//    comments otherwise; then one point per line, two-theta, intensity and optionally sigma, with '!' and '#'
//    lines taken as comments.
// The instrument-specific layouts of the ILL and PSI diffractometers are read by the RIET7 reader.
#pragma once

#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsFullProf(Bytes bytes);
Measurement ReadFullProf(const Source& source);

}  // namespace xrddata::formats
