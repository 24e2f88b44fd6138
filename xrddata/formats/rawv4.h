// Bruker DIFFRAC.SUITE raw files of version 4 (format code 12), magic "RAW4.00". Little-endian throughout:
//  - a 61-byte file header: 0 "RAW4.00\0", 12 the measurement date "MM/DD/YYYY" (12 bytes), 24 the time
//    "HH:MM:SS" (10 bytes), 56 the byte length of the segments that follow (u32);
//  - from byte 61, segments of u32 type, u32 length (these 8 bytes included) and a body, up to a u32 of 0 or 160
//    where the first range begins. Type 10 is a named value (+12 a 24-byte tag: USER, SITE, SAMPLEID, COMMENT,
//    CREATOR, ...; +36 its text, not always zero-terminated), type 30 the tube (+24 goniometer radius in mm, f32;
//    +72 K-alpha average, +80 K-alpha1, +88 K-alpha2, +96 K-beta, +104 K-alpha2/K-alpha1 ratio, f64 angstrom;
//    +116 the anode, 4 bytes); other types are skipped by their length;
//  - per range a 160-byte range header: 0 type (0 or 160), 32 scan type ("Locked Coupled", 24 bytes), 72 start
//    and 80 step (f64), 88 step count (u32), 92 time per step in s (f32), 100 kV and 104 mA (f32), 112 wavelength
//    used (f64), 136 the size of one point's record (u32: 4 or 8), 140 the byte length H of the extra records
//    after the header (u32); then the extra records (u32 type, u32 length, body; their lengths add up to H: type
//    50 the start of a drive, +12 its name and +56 its position (f64); type 10 a named value; type 40 the
//    detector, +12 its name; others skipped); then one record per point whose first 4 bytes are its intensity
//    (f32; an 8-byte record carries a status word after it). The next range follows the points.
//
// Read: every range as a scan (positions start + i * step, intensities as counts per step as the file stores
// them), its scan type as the axis, time per step, kV, mA, wavelength and drive starts as properties; sample
// (SAMPLEID), comment, date and time (month first), anode, K-alpha1, K-alpha2, K-beta and ratio, and every named
// value as metadata. A range that ends before its step count keeps the whole points present and says so in a
// warning, as does a later range whose header is cut short; a range whose point records are neither 4 nor 8 bytes
// is skipped with a warning. Nothing is sized beyond what the file's length holds.
#pragma once

#include "xrddata/formats/measurement.h"
#include "xrddata/formats/table.h"

namespace xrddata::formats {

bool IsRawV4(Bytes bytes);
Measurement ReadRawV4(const Source& source);

}  // namespace xrddata::formats
