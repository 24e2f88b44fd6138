// Writing a pattern's points (or the pattern itself) in one of the tool's output formats.
#pragma once

#include <string>

#include "tool.h"

class CGraphData;
class CXRDData;

namespace tool {

// Writes points in the format (text export, .xye, CSV); for Xrdd the pattern's archive record is written instead.
// Throws on failure (the text export's own message has then been shown).
void WritePattern(CXRDData& pattern, CGraphData& points, OutFormat format, const std::string& path);
// Refuses (throws) to write an output onto the input file.
void CheckNotInput(const std::string& input, const std::string& output);

}  // namespace tool
