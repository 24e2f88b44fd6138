// Builds Bruker raw files of version 1 ("RAW ") and version 4 ("RAW4.00") byte by byte from a description, for the
// reader tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct RawV1Range {
    std::optional<std::uint32_t> steps;  // default: counts.size()
    float step_time = 4.0f;
    float step = 0.04f;
    float start = 4.98f;
    std::string sample = "VINAIGRE";  // blank-padded to 32 bytes
    float ka1 = 1.5406f, ka2 = 1.54443f;
    bool magic = true;                    // "RAW " before this range (always written before the first)
    std::optional<std::uint32_t> follows;  // default: 1 except on the last range
    std::vector<float> counts;
};

std::string WriteRawV1(const std::vector<RawV1Range>& ranges);

struct RawV4Record {
    std::uint32_t type;
    std::string body;  // the bytes after type and length
};

// A named value (type 10) record: +12 a 24-byte tag, +36 the value (NUL-padded to pad bytes when given).
RawV4Record RawV4NamedValue(const std::string& tag, const std::string& value, std::size_t pad = 0);
// A drive start (type 50): +12 the drive name, +56 its start.
RawV4Record RawV4DriveStart(const std::string& drive, double start);

struct RawV4Range {
    std::optional<std::uint32_t> steps;  // default: counts.size()
    std::string scan_type = "Locked Coupled";
    double start = 10.0, step = 0.02;
    float step_time = 76.8f, kv = 40.0f, ma = 40.0f;
    double wavelength = 1.5406;
    std::uint32_t datum = 4;  // 8: each value followed by a status word 1; more: zeros after the value
    std::vector<RawV4Record> extra = {RawV4DriveStart("2Theta", 10.0), RawV4DriveStart("Theta", 5.0)};
    std::optional<std::uint32_t> extra_length;  // default: the records' length
    std::vector<float> counts;
};

struct RawV4File {
    std::string date = "07/11/2018", time = "15:55:31";
    std::vector<RawV4Record> segments = {RawV4NamedValue("USER", ""), RawV4NamedValue("SAMPLEID", "TiO2"),
                                         RawV4NamedValue("COMMENT", "a comment"),
                                         RawV4NamedValue("CREATOR", "writer")};
    bool tube = true;  // a type 30 record: Cu, 1.5406, 1.54439, 1.39222, ratio 0.5
    double ka2 = 1.54439, ratio = 0.5;
    std::vector<RawV4Range> ranges;
};

std::string WriteRawV4(const RawV4File& file);

// A range of either version starting at start with the given counts, the other fields as the writer's defaults.
template <class Range>
Range RangeAt(decltype(Range::start) start, std::vector<float> counts) {
    Range r;
    r.start = start;
    r.counts = std::move(counts);
    return r;
}

}  // namespace testing_support
