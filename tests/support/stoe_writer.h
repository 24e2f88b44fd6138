// Builds STOE raw files byte by byte from a description, for the reader tests: the file header record, then per
// range its header record (the number written into the file header) and its data records, 512 bytes each.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct StoeRange {
    std::optional<std::int16_t> pointCount;  // default: counts.size()
    std::int16_t dataType = 1;               // 1: int16 counts, else int32
    float countingTime = 1.0f;
    float start = 10.0f;
    float step = 0.02f;
    std::string text0;                       // the two 16-byte texts at 0 and 16
    std::string text16;
    std::int16_t flagCopy = 0;               // offset 118
    std::optional<std::int16_t> record;      // header record number written to the file header
    std::vector<std::int32_t> counts;
};

struct StoeFile {
    std::string magic = "RAW_1.05";          // offset 7 is the version digit
    std::string date = "03/25/04";           // 16 bytes at 16
    std::string sample;                      // 80 bytes at 32
    std::string comment;                     // 192 bytes at 112
    std::int16_t radiationCode = 0;
    std::int16_t anodeIndex = 3;             // Cu
    float wavelength = 1.5406f;
    std::optional<std::int16_t> rangeCount;  // offset 378; default: ranges.size()
    std::int16_t extraRange = 0;             // offset 380
    std::string text440;
    std::int32_t dataPresent = 1;            // offset 466
    std::int16_t flags = 0;                  // offset 472
    std::vector<StoeRange> ranges;
};

// The file; with pad false the last data record ends after the last count instead of filling 512 bytes.
std::string WriteStoe(const StoeFile& f, bool pad = true);

// A range of these counts stored as the given data type, with the default header but for the counting time.
StoeRange StoeCounts(std::int16_t type, std::vector<std::int32_t> counts, float time = 1.0f);

}  // namespace testing_support
