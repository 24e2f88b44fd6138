// Shared by the tests of the format readers: the error a read throws, a file's bytes, and truncated copies of a
// file fed to a reader (each must read, as a text format may keep the rows before the cut, or fail with a
// ReadError, never crash or throw anything else).
#pragma once

#include <cstddef>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/read.h"

namespace formats_test {

// The ReadError the call throws, or one of Problem::file saying "no error" when it throws none.
template <class F>
xrddata::formats::ReadError ErrorOf(F&& f) {
    try {
        f();
    } catch (const xrddata::formats::ReadError& e) {
        return e;
    }
    return xrddata::formats::ReadError(xrddata::formats::Problem::file, "no error");
}

// The error of reading the bytes as the format of this code, under this name.
inline xrddata::formats::ReadError ReadErrorOf(const std::string& bytes, const char* name, int code) {
    return ErrorOf([&] { xrddata::formats::read_bytes(xrddata::formats::AsBytes(bytes), name, code); });
}

// The bytes, detected as the format of this code, read under this name.
inline xrddata::formats::Measurement ReadDetected(const std::string& bytes, const char* name, int code) {
    const auto* format = xrddata::formats::detect(xrddata::formats::AsBytes(bytes));
    EXPECT_NE(format, nullptr) << name;
    if (format) {
        EXPECT_EQ(format->code, code) << name;
    }
    return xrddata::formats::read_bytes(xrddata::formats::AsBytes(bytes), name);
}

// The radiation metadata names: the anode, and the wavelengths and K-alpha2 ratio given (those left out are not
// checked).
struct Radiation {
    std::string anode;
    std::optional<double> ka1, ka2, kb, ratio;
};

inline void ExpectRadiation(const xrddata::formats::Metadata& meta, const Radiation& r) {
    EXPECT_EQ(meta.anode, r.anode);
    if (r.ka1) {
        EXPECT_EQ(meta.wavelength, r.ka1);
    }
    if (r.ka2) {
        EXPECT_EQ(meta.ka2_wavelength, r.ka2);
    }
    if (r.kb) {
        EXPECT_EQ(meta.kb_wavelength, r.kb);
    }
    if (r.ratio) {
        EXPECT_EQ(meta.ka2_ratio, r.ratio);
    }
}

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every length of a file up to 32 KiB; of a larger one every length up to 2 KiB and within 2 KiB of the end, and
// about 600 spread between: cuts in the headers, the data and (for archives) the central directory at the end.
inline std::vector<std::size_t> PrefixLengths(std::size_t size) {
    std::vector<std::size_t> out;
    const std::size_t edge = size <= 32768 ? size : 2048;
    const std::size_t stride = size > 2 * edge ? std::max<std::size_t>(1, (size - 2 * edge) / 600) : 1;
    for (std::size_t n = 0; n < size; n += (n < edge || n + edge >= size) ? 1 : stride) out.push_back(n);
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
