// Powder diffraction CIF (pdCIF) files: every data block that holds a loop of measured or processed intensities
// is a scan. The intensities are the first of _pd_meas_counts_total, _pd_meas_intensity_total,
// _pd_proc_intensity_net, _pd_proc_intensity_total in the loop; the positions are the loop's _pd_meas_angle_2theta,
// _pd_meas_2theta_scan or _pd_proc_2theta_corrected, or else the block's _pd_meas_2theta_range_min, _max and _inc
// (or the _pd_proc_2theta_range_ items). A standard uncertainty in parentheses ("1733(42)", "12.5(3)" = 0.3) is
// kept as the point's sigma; a column of the intensity's name with "_su" appended (_pd_meas_counts_total_su) takes
// its place. Rows whose intensity or position is unknown ('?') or inapplicable ('.') are left out
// and counted in a warning. Blocks of time-of-flight, d-spacing or Q positions are refused with that reason.
// The first block with data gives the metadata: wavelengths (_diffrn_radiation_wavelength, alone or as a loop with
// weights), the anode (_diffrn_source_target), the date (_pd_meas_datetime_initiated) and the sample.
#pragma once

#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsPowderCif(Bytes bytes);
Measurement ReadPowderCif(const Source& source);

}  // namespace xrddata::formats
