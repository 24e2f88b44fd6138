// Point files of a point set written for other programs: the .xye columns (two-theta, counts, error) and
// comma-separated values with a header line. Numbers are written in the shortest form that reads back to the same
// double (the format core's number text), lines end in a bare line feed. Both raise CFileException when the file
// cannot be written.
#pragma once

#include <string>

#include "xrddata/platform/types.h"

class CGraphData;

// "x y error" per line, separated by single spaces. A point set in counting-statistics mode writes the counting
// error of each point.
XRDDATA_API void WriteXyeFile(CGraphData& points, const CString& path);
// The header line "two_theta,intensity,error", then one "x,y,error" line per point.
XRDDATA_API void WriteCsvFile(CGraphData& points, const CString& path);

// "x SEP y SEP error EOL" per point, numbers in the shortest form that reads back to the same double.
XRDDATA_API std::string PointColumns(CGraphData& points, char sep, const char* eol = "\n");

// The text of the two formats (what the writers put in the file).
XRDDATA_API std::string XyeText(CGraphData& points);
XRDDATA_API std::string CsvText(CGraphData& points);
