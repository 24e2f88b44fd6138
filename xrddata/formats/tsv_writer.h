// The TSV writer (.tsv): the header row "two_theta<TAB>intensity<TAB>error" (no error column when the points have
// no errors), then one row per point; numbers in their shortest round-trip form, "nan" and "inf" for values that
// are not finite, as the CSV writer gives them.
#pragma once

#include "xrddata/formats/writer.h"

namespace xrddata::formats {

void WriteTsv(Sink& out, const Points& points, const WriteContext& context);

}  // namespace xrddata::formats
