// The FullProf writer (.dat, FullProf's INSTRM=10): the keyword XYDATA and five header lines ('!' comments: the
// title, the source, the radiation, the processing, the column names), then one "two-theta intensity sigma" line
// per point (two columns when the points have no errors; FullProf then takes the counting error). Without header
// lines only the points are written, which FullProf reads as INSTRM=10 too.
#pragma once

#include "xrddata/formats/writer.h"

namespace xrddata::formats {

void WriteFullProf(Sink& out, const Points& points, const WriteContext& context);

}  // namespace xrddata::formats
