// One line of text read in place as ScanDoubles reads it: the import's text readers scan every line of a file this
// way, so the common numbers are read inline. Internal to the library.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "xrddata/platform/scan.h"

namespace xrddata::platform {

namespace scanline_detail {

inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// A plain decimal ([-]digits[.digits], no exponent) of at most 19 digits whose digits as a whole number are at most
// 2^53 and with at most 22 after the point, ending on white space or at last: its value is that whole number over
// a power of ten, both exact doubles, so the one correctly rounded division gives the double nearest to the decimal,
// which is what std::from_chars gives. Returns the end, or null for any other text (which from_chars then reads).
inline const char* ShortDecimal(const char* p, const char* last, double& value) {
    static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const bool negative = *p == '-';
    if (negative) ++p;
    // More than 19 digits may wrap the whole number around; such a text is refused below anyway.
    std::uint64_t whole = 0;
    const char* const start = p;
    for (unsigned d; p < last && (d = static_cast<unsigned char>(*p) - '0') < 10; ++p) whole = whole * 10 + d;
    std::ptrdiff_t digits = p - start, fraction = 0;
    if (p < last && *p == '.') {
        const char* const point = ++p;
        for (unsigned d; p < last && (d = static_cast<unsigned char>(*p) - '0') < 10; ++p) whole = whole * 10 + d;
        fraction = p - point;
        digits += fraction;
    }
    if (digits == 0 || digits > 19 || (p < last && !IsSpace(*p)) || whole > (std::uint64_t{1} << 53) ||
        fraction > 22)
        return nullptr;
    double v = static_cast<double>(whole);
    if (fraction > 0) v /= kPow10[fraction];
    value = negative ? -v : v;
    return p;
}

// ScanDoubles over a terminated copy of the line and its line feed.
inline int ScanCopy(const char* first, const char* last, double* values, int maxCount) {
    const std::size_t length = static_cast<std::size_t>(last - first);
    char line[258];
    if (length + 2 <= sizeof line) {
        std::memcpy(line, first, length);
        line[length] = '\n';
        line[length + 1] = '\0';
        return ScanDoubles(line, values, maxCount);
    }
    std::string copy(first, length);
    copy += '\n';
    return ScanDoubles(copy.c_str(), values, maxCount);
}

}  // namespace scanline_detail

// ScanDoubles over the text [first, last) followed by a line feed (the text holds no NUL byte): one line of a text
// file without its line end. Numbers that end on white space or the end of the text are read exactly here (a short
// decimal directly, any other by std::from_chars, as ScanDoubles does); any other text goes through ScanDoubles on
// a terminated copy.
inline int ScanLineDoubles(const char* first, const char* last, double* values, int maxCount) {
    using namespace scanline_detail;
    if (maxCount < 1) return 0;
    if (maxCount > 3) maxCount = 3;
    const char* p = first;
    int n = 0;
    while (n < maxCount) {
        while (p < last && IsSpace(*p)) ++p;
        if (p == last) return n == 0 ? -1 : n;
        double v;
        if (const char* end = ShortDecimal(p, last, v)) {
            values[n++] = v;
            p = end;
            continue;
        }
        const auto r = std::from_chars(p, last, v);
        if (r.ec != std::errc() || (r.ptr < last && !IsSpace(*r.ptr))) return ScanCopy(first, last, values, maxCount);
        values[n++] = v;
        p = r.ptr;
    }
    return n;
}

}  // namespace xrddata::platform
