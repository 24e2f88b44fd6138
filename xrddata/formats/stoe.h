// STOE raw files (code 2), version "RAW_1.05" and its predecessors: 512-byte little-endian records. Record 1 is the
// file header; each data range has a header record (its number is in the file header) followed directly by its
// data records, int16 counts (data type 1, 256 per record) or int32 counts (128 per record). Headers written by
// versions below 1.05 are repaired as they are read (texts moved into place, the radiation code and flag word
// brought up to date). Counts are given as stored; the range's counting time per step is the scan's step_time.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "xrddata/formats/table.h"
#include "xrddata/platform/export.h"

namespace xrddata::formats {

inline constexpr std::size_t kStoeRecord = 512;

// Field offsets of the file header record.
namespace stoe_file {
inline constexpr std::size_t version = 7;        // the minor version digit: '5' for "RAW_1.05"
inline constexpr std::size_t date = 16;          // 16 characters
inline constexpr std::size_t sample = 32;        // 80 characters, trimmed
inline constexpr std::size_t comment = 112;      // 192 characters, trimmed
inline constexpr std::size_t radiation = 308;    // int16: 0 when the beam carries K-alpha2
inline constexpr std::size_t anode = 310;        // int16: 1-based index into Ag, Mo, Cu, Co, Fe, Cr
inline constexpr std::size_t wavelength = 322;   // float32
inline constexpr std::size_t ranges = 378;       // int16
inline constexpr std::size_t extra_range = 380;  // int16: when not 0 the file holds one range more
inline constexpr std::size_t text440 = 440;      // 16 characters
inline constexpr std::size_t data_present = 466; // int32: 0 when the file holds no data
inline constexpr std::size_t flags = 472;        // int16
inline constexpr std::size_t range_records = 478;  // int16 per range n (from 1) at 478 + 2n
// The highest range whose header record number the file header can hold.
inline constexpr int max_ranges = (kStoeRecord - 480) / 2;
}  // namespace stoe_file

// Field offsets of a range header record.
namespace stoe_range {
inline constexpr std::size_t points = 34;     // int16
inline constexpr std::size_t data_type = 38;  // int16: 1 int16 counts, otherwise int32
inline constexpr std::size_t time = 40;       // float32, counting time per step (s)
inline constexpr std::size_t start = 44;      // float32
inline constexpr std::size_t step = 60;       // float32
inline constexpr std::size_t flags = 118;     // int16, copy of the file header's flag word
}  // namespace stoe_range

// One range as the records hold it: the file header and range header records (repaired for older versions) and
// the counts as stored.
struct StoeRangeRecords {
    std::array<std::byte, kStoeRecord> file{};
    std::array<std::byte, kStoeRecord> range{};
    std::vector<std::int32_t> counts;
};

// Yes when the bytes begin with "RAW_".
XRDDATA_API bool IsStoe(Bytes bytes);
// Range n (from 1). Throws ReadError: Problem::unrecognised without the magic, Problem::no_data when the file
// header says the file holds no data, Problem::missing_scan when range n is not in the file or holds no counts.
// A range that ends before its point count gives the counts present.
XRDDATA_API StoeRangeRecords ReadStoeRange(Bytes bytes, int n);
// Every range; a later range that cannot be read is left out with a warning.
XRDDATA_API Measurement ReadStoe(const Source& source);

}  // namespace xrddata::formats
