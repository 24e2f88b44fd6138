// Rigaku RINT DAT text files: "*KEY = value" lines; the file's keys first (*SAMPLE, *DATE, *TARGET, *WAVE_LENGTH1,
// ...), then per group (*GROUP_COUNT of them) a block "*BEGIN", the group's keys (*START, *STOP, *STEP, *COUNT,
// *SPEED, ...), the intensities, several to a line separated by commas, and "*END"; "*EOF" ends the file. Each
// group is a scan at *START + i * *STEP. A key may repeat (*SLIT_NAME, *TYPE_SPEC): every occurrence is kept.
// The intensities are kept as stored; the header's *YUNIT is kept with the scan's settings.
#pragma once

#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsRigakuDat(Bytes bytes);
Measurement ReadRigakuDat(const Source& source);

}  // namespace xrddata::formats
