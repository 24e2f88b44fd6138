// Bruker DIFFRAC-plus raw files (code 3), beginning "RAW1.01": a 712-byte file header, then per range a 304-byte
// range header, a supplementary header of the length the range header gives, and one float32 count per point.
// Every range is a scan; a range that ends before its point count gives the counts present and a warning, and the
// ranges stop there. All numbers are little-endian; text fields end at their first zero byte and are trimmed.
#pragma once

#include "xrddata/formats/table.h"
#include "xrddata/platform/export.h"

namespace xrddata::formats {

// Field offsets of the file header.
namespace diffracplus_file {
inline constexpr std::size_t size = 712;
inline constexpr std::size_t ranges = 12;      // int32
inline constexpr std::size_t date = 16;        // 10 characters
inline constexpr std::size_t time = 26;        // 10 characters
inline constexpr std::size_t sample = 326;     // 60 characters
inline constexpr std::size_t comment = 386;    // 160 characters
inline constexpr std::size_t anode = 608;      // 2 characters
inline constexpr std::size_t wavelength = 624; // double
}  // namespace diffracplus_file

// Field offsets of a range header.
namespace diffracplus_range {
inline constexpr std::size_t size = 304;
inline constexpr std::size_t length = 0;        // int32, 304
inline constexpr std::size_t points = 4;        // int32
inline constexpr std::size_t start = 16;        // double, two-theta of the first point
inline constexpr std::size_t step = 176;        // double
inline constexpr std::size_t step_time = 192;   // float32, seconds
inline constexpr std::size_t supplement = 256;  // int32, bytes of the supplementary header after this one
}  // namespace diffracplus_range

// Yes when the bytes begin with "RAW1.01" and the int32 after the file header is 304.
XRDDATA_API bool IsDiffracPlus(Bytes bytes);
XRDDATA_API Measurement ReadDiffracPlus(const Source& source);

}  // namespace xrddata::formats
