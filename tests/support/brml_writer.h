// Builds BRML archives from a description, for the BRML reader's tests: Experiment0/DataContainer.xml listing the
// raw data members in measurement order, one Experiment0/RawData<k>.xml per scan (stored in the archive in reverse
// order, as real files do not keep it either), and experimentCollection.xml.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct BrmlScan {
    std::vector<double> counts;
    double start = 10.0, increment = 0.02;  // the TwoTheta scan axis; Datum 2Theta = start + i * increment
    double time = 76.8;                     // MeasuredTime of every row
    int extra_columns = 0;       // recorded columns (a temperature) before the counts, as HRXRD files hold axes
    bool two_theta_view = true;  // a varying view names the 2Theta column
    bool frame = false;          // one Datum of all counts as channels (a fixed PSD scan)
    std::string scan_name = "LockedCoupled";
};

struct BrmlFile {
    std::string sample = "sample A";
    std::string version = "7.5.2.0";
    std::vector<BrmlScan> scans;
};

// The RawData member of one scan.
std::string WriteBrmlRawData(const BrmlScan& scan);
// The whole archive: members in reverse order, the container listing RawData0.xml, RawData1.xml, ...
std::string WriteBrml(const BrmlFile& f);

}  // namespace testing_support
