// The powder CIF writer (.cif): one data block with what the measurement says about the pattern (sample, date,
// anode, wavelengths with their weights, source file, processing steps, point count) and a loop of two-theta
// (_pd_meas_2theta_scan) and intensity per point. Raw whole-number counts go to _pd_meas_counts_total, other measured values to
// _pd_meas_intensity_total, processed ones to _pd_proc_intensity_net. A point's error goes to the intensity's
// standard-uncertainty column (_pd_meas_counts_total_su, the name the DDLm powder dictionary gives it) rather than
// in parentheses: the shortest text of each number reads back to the same double, where a parenthesised
// uncertainty would need as many digits as the intensity has decimals (more than readers that hold it in a 32-bit
// integer take), and readers that do not know the column still read the positions and intensities.
#pragma once

#include "xrddata/formats/writer.h"

namespace xrddata::formats {

void WritePowderCif(Sink& out, const Points& points, const WriteContext& context);

}  // namespace xrddata::formats
