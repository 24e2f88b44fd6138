// Truncated copies of a file fed to a reader: each must read (a text format may keep the rows before the cut) or
// fail with a ReadError, never crash or throw anything else.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/read.h"

namespace formats_test {

// Every length up to 2 KiB and within 2 KiB of the end, and about 600 spread between: cuts in the headers, the
// data and (for archives) the central directory at the end.
inline std::vector<std::size_t> PrefixLengths(std::size_t size) {
    std::vector<std::size_t> out;
    const std::size_t edge = 2048;
    for (std::size_t n = 0; n < size; ++n) {
        if (n < edge || n + edge >= size) {
            out.push_back(n);
        } else {
            const std::size_t stride = std::max<std::size_t>(1, (size - 2 * edge) / 600);
            out.push_back(n);
            n += stride - 1;
        }
    }
    return out;
}

// The number of prefixes that still read.
inline std::size_t ReadPrefixes(const std::string& bytes, int code) {
    std::size_t read = 0;
    for (std::size_t n : PrefixLengths(bytes.size())) {
        try {
            xrddata::formats::read_bytes(xrddata::formats::AsBytes(std::string_view(bytes).substr(0, n)), "cut", code);
            ++read;
        } catch (const xrddata::formats::ReadError& e) {
            EXPECT_FALSE(e.reason().empty()) << n;
        }
    }
    return read;
}

}  // namespace formats_test
