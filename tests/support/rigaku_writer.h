// Builds Rigaku RAS text files and RASX archives from a description, for their readers' tests. Both carry the same
// scan settings: RAS as `*KEY "value"` header lines, RASX as the ScanInformation of each data set's conditions.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct RigakuScan {
    std::vector<double> x, y;
    std::vector<double> factor;  // third column; 1 when empty
    double start = 2.0, stop = 30.0, step = 0.02, speed = 0.25;
    std::string mode = "CONTINUOUS";
    std::string speed_unit = "deg/min";
    std::string unit_y = "counts";
    std::string start_time = "11/01/12 12:55:51";  // RAS: month first; RASX: ISO
    std::string sample = "MB120718Si3";
    std::string extra_header;  // RAS: further header lines (each ending in CR LF)
};

// A scan at the angles x whose counts rise by one from first; the other fields as the writers' defaults.
inline RigakuScan RisingScan(std::vector<double> x, double first) {
    RigakuScan s;
    s.y.reserve(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) s.y.push_back(first + static_cast<double>(i));
    s.x = std::move(x);
    return s;
}

// "*RAS_DATA_START", each scan's header and rows, "*RAS_DATA_END"; CR LF line ends. end_markers false leaves out
// the scans' and the file's end markers.
std::string WriteRas(const std::vector<RigakuScan>& scans, bool end_markers = true);

// A RASX archive with one data set per scan, numbered from 0, stored in the archive in the given order of
// numbers (default 0, 1, 2, ...).
std::string WriteRasx(const std::vector<RigakuScan>& scans, const std::vector<int>& order = {});

}  // namespace testing_support
