// Rigaku RAS (format code 15): the text export of the Rigaku measurement software. The file starts with
// "*RAS_DATA_START"; each scan is a "*RAS_HEADER_START" ... "*RAS_HEADER_END" block of `*KEY "value"` lines and a
// "*RAS_INT_START" ... "*RAS_INT_END" block of rows "position intensity factor"; "*RAS_DATA_END" ends the file.
// Line ends are CR LF or LF.
//
// Read: every scan, in file order; x is the first column as stored, the counts are the second column times the
// third (the attenuation factor: 1 in every file seen; where it is not 1 the product is taken and the scan's
// property "attenuation" says so); a row of two numbers has no factor. A scan whose header says its intensities
// are counts per second (MEAS_SCAN_UNIT_Y "cps") is turned into counts with the counting time per step. The time
// per step is step / speed in continuous scans (speed in degrees per minute) and the speed itself in step scans
// (seconds). Every header pair is a scan property (key without the '*', value without the quotes); the metadata
// come from the first scan's header: FILE_SAMPLE, FILE_COMMENT and FILE_MEMO, MEAS_SCAN_START_TIME (month first),
// HW_XG_TARGET_NAME, the K-alpha1, K-alpha2 and K-beta wavelengths (no ratio is stored) and whether the beam was
// the K-alpha doublet (MEAS_COND_XG_WAVE_TYPE "Ka") or K-alpha1 alone ("Ka1").
//
// Header values are kept as the bytes the file holds: the software writes Shift-JIS (hardware names such as
// "<Japanese>|Detector monochromator"), so a metadata string may hold bytes that are not UTF-8; they are not
// converted. A file that ends inside a scan (no "*RAS_INT_END") keeps the rows read, with a warning; the declared
// point count (MEAS_DATA_COUNT) is kept as the header states it but never sizes anything.
#pragma once

#include <optional>
#include <string_view>

#include "xrddata/formats/measurement.h"
#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsRas(Bytes bytes);
Measurement ReadRas(const Source& source);

// Shared with RASX, whose profiles hold the same rows and whose conditions state the same scan settings.

// One data row "x y [factor]" separated by blanks or tabs; the factor is 1 when absent. False for anything else.
bool ParseRigakuRow(std::string_view line, double& x, double& y, double& factor);
// Seconds per step: step / speed * 60 for a continuous scan with the speed in degrees per minute, the speed itself
// for a step scan with the speed in seconds; null when the values say neither.
std::optional<double> RigakuStepTime(std::string_view mode, std::optional<double> speed, std::string_view speed_unit,
                                     std::optional<double> step);
// Whether the beam carried K-alpha2: "Ka" yes, "Ka1" or "Kb" no, otherwise unknown.
std::optional<bool> RigakuKa2Present(std::string_view wave_type);

}  // namespace xrddata::formats
