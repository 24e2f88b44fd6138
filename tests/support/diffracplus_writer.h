// Builds DIFFRAC-plus raw files ("RAW1.01") byte by byte from a description, for the reader tests: the 712-byte
// file header, then per range the 304-byte range header, its supplementary header and the float32 counts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct DiffracPlusRange {
    std::int32_t headerLength = 304;         // the word IsDiffracPlusFile tests
    std::optional<std::int32_t> pointCount;  // default: counts.size()
    double start = 10.0;
    double step = 0.02;
    std::string supplementary;               // its length goes to offset 256
    std::vector<float> counts;
};

struct DiffracPlusFile {
    std::string magic = "RAW1.01";
    std::optional<std::int32_t> rangeCount;  // default: ranges.size()
    std::string date = "03/25/04";
    std::string time = "14:22:05";
    std::string sample;
    std::string comment;
    std::string anode = "Cu";
    double wavelength = 1.5406;
    std::vector<DiffracPlusRange> ranges;
};

std::string WriteDiffracPlus(const DiffracPlusFile& f);

// A range of these counts from start by step, with the default header.
DiffracPlusRange PlusRange(double start, double step, std::vector<float> counts);

}  // namespace testing_support
