// DBWS powder data files: line 1 holds the first angle, the step and the last angle in three fixed fields of eight
// columns (Fortran 3F8.2, so "     .08" is a step of 0.08), then a title; the intensities follow, ten to a line in
// eight-column fields, read here in free format (blanks or commas between values). FullProf reads the same files
// as its free format; a file whose line 1 fills the three fixed fields is taken for DBWS.
#pragma once

#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsDbws(Bytes bytes);
Measurement ReadDbws(const Source& source);

}  // namespace xrddata::formats
