// Builds XRDML documents from a description, for the XRDML reader's tests: the root with the namespace of the
// schema version, sample, one xrdMeasurement with usedWavelength and tube, and its scans.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct XrdmlScan {
    std::vector<double> y;
    bool intensities = false;       // the y element: intensities (corrected) instead of counts (raw)
    std::string y_unit = "counts";
    std::string x_axis = "2Theta";  // the axis of the moving positions
    std::vector<double> list;       // listPositions when not empty, else startPosition/endPosition
    double start = 10.0, end = 20.0;
    std::vector<double> attenuation;     // beamAttenuationFactors when not empty
    std::vector<double> counting_times;  // countingTimes when not empty, else commonCountingTime
    double common_time = 2.0;
    std::string scan_axis = "Gonio";
    std::string start_time = "2021-03-16T13:10:14+03:00";
};

struct XrdmlFile {
    std::string version = "2.1";
    bool declaration = true;
    bool bom = false;
    std::string sample_id, sample_name;
    std::string intended = "K-Alpha";
    std::vector<XrdmlScan> scans;
};

std::string WriteXrdml(const XrdmlFile& f);

}  // namespace testing_support
