// Builds DIFFRAC-AT raw files ("RAW2") byte by byte from a description, for the reader tests: the 256-byte file
// header, then per range a range header of the length in its first word and the float32 counts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct DiffracAtRange {
    std::int16_t headerLength = 90;          // includes the length word itself
    std::optional<std::int16_t> pointCount;  // default: counts.size()
    float step = 0.02f;
    float start = 10.0f;
    std::vector<float> counts;
};

struct DiffracAtFile {
    std::string magic = "RAW2";
    std::optional<std::int16_t> rangeCount;  // default: ranges.size()
    std::string sample;
    std::string dateTime = "27-Apr-1994 13:36:30";
    std::string anode = "Cu";
    float ka1 = 1.54056f;
    float ka2 = 1.54439f;
    std::vector<DiffracAtRange> ranges;
};

std::string WriteDiffracAt(const DiffracAtFile& f);

}  // namespace testing_support
