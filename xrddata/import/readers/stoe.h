// STOE raw files, version "RAW_1.05" and its predecessors: the two header records of a range as CFileImporter's
// ReadStoeRange hands them out (older versions repaired), decoded field by field on access. The layout and the
// reading are the format core's (formats/stoe.h).
#pragma once

#include <cstdint>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/stoe.h"
#include "xrddata/platform/types.h"

constexpr UINT StoeRecordSize = xrddata::formats::kStoeRecord;

// Record 1 of a STOE raw file.
struct StoeFileHeader {
    // The highest range whose header record number the file header can hold (offset 478 + 2n, n from 1).
    static constexpr int MaxRanges = xrddata::formats::stoe_file::max_ranges;

    BYTE bytes[StoeRecordSize] = {};

    bool HasMagic() const { return bytes[0] == 'R' && bytes[1] == 'A' && bytes[2] == 'W' && bytes[3] == '_'; }
    // The minor version digit: '5' for "RAW_1.05".
    char VersionDigit() const { return static_cast<char>(bytes[7]); }
    CString Date() const { return xrddata::formats::FieldText(at(16), 16); }
    CString SampleName() const { return xrddata::formats::TrimmedFieldText(at(32), 80); }
    CString Comment() const { return xrddata::formats::TrimmedFieldText(at(112), 192); }
    // 0 when the beam carries K-alpha2.
    std::int16_t RadiationCode() const { return xrddata::formats::le::i16(at(308)); }
    // 1-based index into Ag, Mo, Cu, Co, Fe, Cr.
    std::int16_t AnodeIndex() const { return xrddata::formats::le::i16(at(310)); }
    float Wavelength() const { return xrddata::formats::le::f32(at(322)); }
    std::int16_t StoredRangeCount() const { return xrddata::formats::le::i16(at(378)); }
    // When not 0, the file holds one range more than stored at 378.
    std::int16_t ExtraRange() const { return xrddata::formats::le::i16(at(380)); }
    int RangeCount() const { return StoredRangeCount() + (ExtraRange() != 0 ? 1 : 0); }
    // 0: the file holds no data.
    std::int32_t DataPresent() const { return xrddata::formats::le::i32(at(466)); }
    std::int16_t Flags() const { return xrddata::formats::le::i16(at(472)); }
    // The record number (counted from 1) of the header of range n (1 <= n <= MaxRanges).
    std::int16_t RangeRecord(int n) const { return xrddata::formats::le::i16(at(478 + 2 * n)); }

private:
    const std::byte* at(int offset) const { return reinterpret_cast<const std::byte*>(bytes) + offset; }
};

// The header record of one data range.
struct StoeRangeHeader {
    BYTE bytes[StoeRecordSize] = {};

    std::int16_t PointCount() const { return xrddata::formats::le::i16(at(34)); }
    // 1: int16 counts; anything else: int32 counts.
    std::int16_t DataType() const { return xrddata::formats::le::i16(at(38)); }
    int CountWidth() const { return DataType() == 1 ? 2 : 4; }
    float CountingTime() const { return xrddata::formats::le::f32(at(40)); }
    float Start() const { return xrddata::formats::le::f32(at(44)); }
    float Step() const { return xrddata::formats::le::f32(at(60)); }
    std::int16_t Flags() const { return xrddata::formats::le::i16(at(118)); }

private:
    const std::byte* at(int offset) const { return reinterpret_cast<const std::byte*>(bytes) + offset; }
};
