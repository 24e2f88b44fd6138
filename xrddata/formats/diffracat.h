// Bruker DIFFRAC-AT raw files (code 4), beginning "RAW2": a 256-byte file header, then per range a range header
// whose length in bytes is its first int16 word (the fields are read when it is at least 60), followed by one
// float32 count per point. Every range is a scan; a range that ends before its point count gives the counts present
// and a warning, and the ranges stop there. All numbers are little-endian.
#pragma once

#include "xrddata/formats/table.h"
#include "xrddata/platform/export.h"

namespace xrddata::formats {

// Field offsets of the file header.
namespace diffracat_file {
inline constexpr std::size_t size = 256;
inline constexpr std::size_t ranges = 4;   // int16
inline constexpr std::size_t sample = 8;   // 32 characters
inline constexpr std::size_t date = 168;   // 20 characters, date and time
inline constexpr std::size_t anode = 188;  // 2 characters
inline constexpr std::size_t ka1 = 190;    // float32
inline constexpr std::size_t ka2 = 194;    // float32
}  // namespace diffracat_file

// Field offsets of a range header.
namespace diffracat_range {
inline constexpr std::size_t length = 0;    // int16, including this word
inline constexpr std::size_t points = 2;    // int16
inline constexpr std::size_t step = 12;     // float32
inline constexpr std::size_t start = 16;    // float32
inline constexpr std::int16_t least = 60;   // a shorter header is not read
}  // namespace diffracat_range

// Yes when the bytes begin with "RAW2".
XRDDATA_API bool IsDiffracAt(Bytes bytes);
XRDDATA_API Measurement ReadDiffracAt(const Source& source);

}  // namespace xrddata::formats
