// Point files of a point set written for other programs: the .xye columns (two-theta, counts, error) and
// comma-separated values with a header line. Numbers are written in the shortest form that reads back to the same
// double (the format core's number text), lines end in a bare line feed. Both raise CFileException when the file
// cannot be written.
#pragma once

#include <string>

#include "xrddata/platform/types.h"

class CGraphData;
namespace xrddata::formats {
class Sink;
}

// The columns of points to write, over the caller's storage (nothing is copied): n points of x and y; e the
// errors, or null for the counting error of each written y; subtract null, or one value per point taken off y
// (a background), where a difference below 0 is written as 0.
struct PointColumnsSource {
    const double* x = nullptr;
    const double* y = nullptr;
    const double* e = nullptr;
    const double* subtract = nullptr;
    int n = 0;
};

// The points as GetAt gives them: their own error column in custom-error mode, else counting errors.
XRDDATA_API PointColumnsSource ColumnsOf(const CGraphData& points);

// A count less a background value; below 0 is 0 (a count is never negative), NaN stays NaN.
inline double NetCount(double y, double background) {
    const double v = y - background;
    return v < 0.0 ? 0.0 : v;
}

// "x y error" per line, separated by single spaces. A point set in counting-statistics mode writes the counting
// error of each point.
XRDDATA_API void WriteXyeFile(CGraphData& points, const CString& path);
// The header line "two_theta,intensity,error", then one "x,y,error" line per point.
XRDDATA_API void WriteCsvFile(CGraphData& points, const CString& path);
// The same from columns (the file is written as the lines are made).
XRDDATA_API void WriteXyeFile(const PointColumnsSource& points, const CString& path);
XRDDATA_API void WriteCsvFile(const PointColumnsSource& points, const CString& path);

// "x SEP y SEP error EOL" per point, numbers in the shortest form that reads back to the same double.
XRDDATA_API std::string PointColumns(CGraphData& points, char sep, const char* eol = "\n");
// The same lines given to the sink a block at a time, so that a large set is never held as text whole.
XRDDATA_API void WritePointColumns(xrddata::formats::Sink& out, const PointColumnsSource& points, char sep,
                                   const char* eol = "\n");

// The text of the two formats (what the writers put in the file).
XRDDATA_API std::string XyeText(CGraphData& points);
XRDDATA_API std::string CsvText(CGraphData& points);
