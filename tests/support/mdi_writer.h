// Builds MDI text files from a description, for the reader tests: the title line with the date, code and sample
// name in their columns, the scan line and the intensities, a given number per line (CR LF line ends).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct MdiFile {
    std::optional<std::string> title;  // the whole first line; default: date, code and sample in their columns
    std::string date = "03/25/04";     // columns 0-7
    std::string code = "XRD1";         // columns 16-19
    std::string sample = "quartz";     // from column 20
    double start = 10.0, step = 0.02, unused = 1.0;
    std::string anode = "CU";
    double wavelength = 1.5406;
    std::optional<double> end;         // default: start + (counts - 1) x step
    std::optional<int> pointCount;     // default: counts.size()
    std::vector<double> counts;
    int perLine = 8;
};

std::string WriteMdi(const MdiFile& f);

}  // namespace testing_support
