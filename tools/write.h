// The bytes of one output in each of the tool's output kinds: the headed point files (.xye, .csv, .txt), the
// pattern archive (.xrdd), and the refinement programs' files of the format core's writers (GSAS FXYE, FullProf,
// powder CIF, TSV).
#pragma once

#include <string>

#include "tool.h"
#include "xrddata/formats/writer.h"

class CGraphData;
class CXRDData;

namespace tool {

// The output of points (or, for Xrdd, of the whole pattern) in the kind. context says what the header tells.
// Throws std::runtime_error when the points cannot be written in the kind.
std::string OutputBytes(OutFormat format, CXRDData& pattern, CGraphData& points,
                        const xrddata::formats::WriteContext& context);

}  // namespace tool
