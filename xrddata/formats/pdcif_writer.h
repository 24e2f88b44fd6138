// The powder CIF writer (.cif): one data block with what the measurement says about the pattern (sample, date,
// anode, wavelengths with their weights, source file, processing steps, point count) and a loop of two-theta and
// intensity per point. Raw whole-number counts go to _pd_meas_counts_total, other measured values to
// _pd_meas_intensity_total, processed ones to _pd_proc_intensity_net. A point's error is its standard uncertainty
// in parentheses: value and uncertainty are written with as many decimals as the shorter of them needs
// ("695.000000000000000(26362852652928137)"), so that both read back to the same doubles.
#pragma once

#include "xrddata/formats/writer.h"

namespace xrddata::formats {

void WritePowderCif(Sink& out, const Points& points, const WriteContext& context);

}  // namespace xrddata::formats
