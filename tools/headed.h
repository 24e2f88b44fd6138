// The tool's own point files (.xye, .csv, .txt): "# key: value" lines that say where the points came from (source
// file, format, sample, date, radiation, scan, processing applied), then the columns. Read back they give the same
// numbers and the same metadata, so a converted file does not lose where it came from.
#pragma once

#include <string>

#include "xrddata/formats/table.h"
#include "xrddata/formats/writer.h"

namespace tool {

// The first line of every headed point file.
inline constexpr const char* kHeadedMark = "# xrddata point file";

// The header lines, each ending in eol.
std::string HeaderLines(const xrddata::formats::WriteContext& context, const char* eol);

// Yes when the bytes start with the mark line.
bool IsHeadedPointFile(xrddata::formats::Bytes bytes);
// One scan: the columns (blank-, tab- or comma-separated; a row of column names is skipped), the header's metadata.
// Throws xrddata::formats::ReadError naming the line of a row that does not parse or holds a position that is not
// a finite number.
xrddata::formats::Measurement ReadHeadedPointFile(xrddata::formats::Bytes bytes, const std::string& name);

}  // namespace tool
