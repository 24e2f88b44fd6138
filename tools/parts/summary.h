// What `xrddata info` tells about a pattern: format, header, radiation, points, two-theta range and step, error
// mode, as aligned text for people (the JSON of `info --json` is built from the same summary in cmd_info.cpp).
#pragma once

#include <string>

#include "xrddata/import/load.h"
#include "xrddata/platform/types.h"

class CXRDData;

struct PatternSummary {
    CString file;
    LoadedFormat format;
    CString sampleName;
    CString comments;
    CString collected;  // "YYYY-MM-DD HH:MM:SS"; empty when the date is not valid
    CString target;     // anode symbol, empty for a free wavelength
    double wavelength = 0.0;    // K-alpha1 or the free wavelength, angstrom
    double ka2Wavelength = 0.0; // 0 without a known K-alpha2 line
    int ka2 = 0;                // the beam carries K-alpha2
    int points = 0;
    double first = 0.0, last = 0.0, step = 0.0;  // two-theta range and mean step (0 with fewer than two points)
    int customErrors = 0;       // stored errors (1) or counting statistics (0)
    int countType = 0;          // the error model: 0 raw counts, 1 scaled counts, 2 variable time
    int typeFlag = 1;           // processing record: 1 original, +2 K-alpha2 stripped, +4 background stored
};

PatternSummary Summarize(CXRDData& pattern, const CString& file, const LoadedFormat& format);
// "Raw Counts", "Scaled Counts", "Variable Time" or "Unknown".
CString CountTypeName(int countType);
// Several "key: value" lines, each ending in a line feed.
std::string SummaryText(const PatternSummary& s);
