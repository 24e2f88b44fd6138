// Pieces convert and process share: the output path of each scan and what an output's header tells.
#pragma once

#include <string>
#include <vector>

#include "input.h"
#include "xrddata/formats/writer.h"

namespace tool {

// The output of each chosen scan: the path itself for one, "_rN" before the extension for several.
std::vector<std::string> ScanOutputs(const std::string& output, const std::vector<size_t>& scans);
// The header of scan `scan` of the input (its metadata and settings); the processing list is left empty.
xrddata::formats::WriteContext ContextOf(const Input& in, size_t scan, bool header);

}  // namespace tool
