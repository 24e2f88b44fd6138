// The GSAS FXYE writer (.fxye): a title line, one constant-wavelength bank line and one free-format
// "position intensity deviation" line per point, positions in centidegrees as GSAS wants them. The centidegrees
// are the degrees' shortest digits with the decimal point moved, so that the GSAS reader gives back the same
// doubles. Points without their own deviation get the counting error.
#pragma once

#include "xrddata/formats/writer.h"

namespace xrddata::formats {

void WriteFxye(Sink& out, const Points& points, const WriteContext& context);

}  // namespace xrddata::formats
