// Pieces convert and process share: the output path of each scan and what an output's header tells.
#pragma once

#include <string>
#include <vector>

#include "input.h"
#include "tool.h"
#include "xrddata/formats/writer.h"

namespace tool {

// The output of each chosen scan: the path itself for one, "_rN" before the extension for several.
std::vector<std::string> ScanOutputs(const std::string& output, const std::vector<size_t>& scans);
// One input of a command that writes a file per chosen scan: the file read (its warnings reported), the scans
// the range chooses and the output path of each.
struct ScanJob {
    Input in;
    std::vector<size_t> scans;
    std::vector<std::string> paths;
};
ScanJob ReadScanJob(const std::string& file, const RangeChoice& range, const std::string& output);
// The header of scan `scan` of the input (its metadata and settings); the processing list is left empty.
xrddata::formats::WriteContext ContextOf(const Input& in, size_t scan, bool header);

}  // namespace tool
