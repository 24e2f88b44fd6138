// Bruker BRML (format code 13): the zip archive of the DIFFRAC.SUITE measurement software. Each experiment folder
// (Experiment0/, ...) has a DataContainer.xml whose RawDataReferenceList names its raw data members in measurement
// order (the archive's own order is not numeric); each RawData<k>.xml holds one scan: ScanInformation, the column
// layout of its rows (DataViews) and one comma-separated Datum row per step.
//
// Read: every raw data member of every experiment, in the order the containers list them (members numerically
// when a folder has no container). The columns are found through the data views: the counts are the recorded
// view whose unit is Counts (ScanCounter, Counter1D, ...), the 2Theta positions the varying field TwoTheta, the
// counting time of each point the fixed MeasuredTime column; rows are counts per step as measured. Where the views
// name no 2Theta column the positions are Start + i x Increment of the TwoTheta scan axis; a detector frame (a
// recorded view of several channels, as in fixed PSD scans) becomes one scan per Datum with its channels spread
// from the axis' Start by its Increment. Metadata: sample name, user and comment of the container (else the
// method's InfoItem SampleName), the writer's version (CreatingVersion), the first scan's start time, the tube's
// anode, K-alpha1, K-alpha2, K-beta and ratio; per scan its ScanName (axis), ScanMode, planned and effective time
// per step, measurement status and the positions of the fixed drives ("drive Chi" = "50 °" in a sin2psi series).
// The absorber column (AbsorptionFactor, 1 in every file seen) is not applied; a scan where it is not 1 says so.
//
// MeasurementContainer.xml and the other large containers are not read.
#pragma once

#include "xrddata/formats/measurement.h"
#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsBrml(Bytes bytes);
Measurement ReadBrml(const Source& source);

}  // namespace xrddata::formats
