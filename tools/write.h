// The bytes of one output in each of the tool's output kinds: the headed point files (.xye, .csv, .txt), the
// pattern archive (.xrdd), and the refinement programs' files of the format core's writers (GSAS FXYE, FullProf,
// powder CIF, TSV).
#pragma once

#include <string>

#include "tool.h"
#include "xrddata/arrays/pointfile.h"
#include "xrddata/formats/writer.h"

class CXRDData;

namespace tool {

// Writes the points (or, for Xrdd, the whole pattern) in the kind to out, a block at a time. context says what the
// header tells. Throws std::runtime_error when the points cannot be written in the kind.
void WriteKind(xrddata::formats::Sink& out, OutFormat format, CXRDData& pattern, const PointColumnsSource& points,
               const xrddata::formats::WriteContext& context);

}  // namespace tool
