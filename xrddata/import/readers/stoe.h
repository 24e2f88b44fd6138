// STOE raw files, version "RAW_1.05" and its predecessors: a file of 512-byte little-endian records. Record 1 is
// the file header; each data range has a range header record followed directly by its data records, which hold
// int16 counts (data type 1, 256 per record) or int32 counts (128 per record). The two header records are kept as
// their raw bytes (older versions are repaired in place when read) and decoded field by field on access.
// Only what the reader uses is decoded; the detector, goniometer and scan-mode fields are not.
#pragma once

#include <cstdint>

#include "xrddata/import/readers/binary.h"
#include "xrddata/platform/types.h"

constexpr UINT StoeRecordSize = 512;

// Record 1 of a STOE raw file.
struct StoeFileHeader {
    // The highest range whose header record number the file header can hold (offset 478 + 2n, n from 1).
    static constexpr int MaxRanges = (StoeRecordSize - 480) / 2;

    BYTE bytes[StoeRecordSize] = {};

    bool HasMagic() const { return bytes[0] == 'R' && bytes[1] == 'A' && bytes[2] == 'W' && bytes[3] == '_'; }
    // The minor version digit: '5' for "RAW_1.05".
    char VersionDigit() const { return static_cast<char>(bytes[7]); }
    CString Date() const { return binary::Text(bytes + 16, 16); }
    CString SampleName() const { return binary::TrimmedText(bytes + 32, 80); }
    CString Comment() const { return binary::TrimmedText(bytes + 112, 192); }
    // 0 when the beam carries K-alpha2.
    std::int16_t RadiationCode() const { return binary::I16(bytes + 308); }
    // 1-based index into Ag, Mo, Cu, Co, Fe, Cr.
    std::int16_t AnodeIndex() const { return binary::I16(bytes + 310); }
    float Wavelength() const { return binary::F32(bytes + 322); }
    std::int16_t StoredRangeCount() const { return binary::I16(bytes + 378); }
    // When not 0, the file holds one range more than stored at 378.
    std::int16_t ExtraRange() const { return binary::I16(bytes + 380); }
    int RangeCount() const { return StoredRangeCount() + (ExtraRange() != 0 ? 1 : 0); }
    // 0: the file holds no data.
    std::int32_t DataPresent() const { return binary::I32(bytes + 466); }
    std::int16_t Flags() const { return binary::I16(bytes + 472); }
    // The record number (counted from 1) of the header of range n (1 <= n <= MaxRanges).
    std::int16_t RangeRecord(int n) const { return binary::I16(bytes + 478 + 2 * n); }
};

// The header record of one data range.
struct StoeRangeHeader {
    BYTE bytes[StoeRecordSize] = {};

    std::int16_t PointCount() const { return binary::I16(bytes + 34); }
    // 1: int16 counts; anything else: int32 counts.
    std::int16_t DataType() const { return binary::I16(bytes + 38); }
    int CountWidth() const { return DataType() == 1 ? 2 : 4; }
    float CountingTime() const { return binary::F32(bytes + 40); }
    float Start() const { return binary::F32(bytes + 44); }
    float Step() const { return binary::F32(bytes + 60); }
    std::int16_t Flags() const { return binary::I16(bytes + 118); }
};
