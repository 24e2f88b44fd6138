// PANalytical XRDML (format code 14): the XML measurement files of schema versions 1.0 to 2.2 (namespace
// http://www.xrdml.com/XRDMeasurement/<version>; files of 2.x often have no XML declaration).
//
// Read: every xrdMeasurement/scan in document order, each a scan of the measurement. The x values are the 2Theta
// positions (startPosition/endPosition spread evenly over the points, or listPositions one per point); a scan
// whose 2Theta does not move (a rocking curve) takes the positions of its scan axis instead and says so in a
// warning. y is dataPoints/counts, multiplied point by point by beamAttenuationFactors where given (counts are the
// raw detector counts), or dataPoints/intensities (already corrected for the attenuator, taken as they are). A y
// unit of counts per second is turned into counts with the counting time (the metadata say so). Counting time:
// commonCountingTime (one value per scan) or countingTimes (per point). Metadata: schema version, sample name
// (else its id), comments of the file and of each measurement, the first scan's start time, anode, K-alpha1,
// K-alpha2, K-beta and their ratio from usedWavelength (and whether the beam was meant to carry K-alpha2), scan
// axis and mode; the fixed axes of each scan (commonPosition) are scan properties.
//
// Not read: the area detector frames of 2-D measurements (beyond their positions and counts), non-ambient stage
// values, and the instrument's optics beyond the tube.
#pragma once

#include "xrddata/formats/measurement.h"
#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsXrdml(Bytes bytes);
Measurement ReadXrdml(const Source& source);

}  // namespace xrddata::formats
