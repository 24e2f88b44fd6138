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

// Appends the run of decimal digits at p (up to last) to whole and returns its end. Where the bytes up to readable
// allow, eight are read at once (the bytes from last on are read but never taken), and the digits found among them
// are converted together; the number of digits in a run then costs no branch of its own.
inline const char* TakeDigits(const char* p, const char* last, const char* readable, std::uint64_t& whole) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    static constexpr std::uint64_t kWhole10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    while (readable - p >= 8) {
        std::uint64_t bytes;
        std::memcpy(&bytes, p, 8);
        // Digit values per byte (the first character in the lowest); a byte that is no digit gets its high bit
        // set in `other`. Borrows and carries run only from a byte that is no digit towards later ones.
        const std::uint64_t t = bytes - 0x3030303030303030u;
        const std::uint64_t other = (t | (t + 0x7676767676767676u)) & 0x8080808080808080u;
        std::size_t run = other ? static_cast<std::size_t>(__builtin_ctzll(other)) / 8 : 8;
        if (run > static_cast<std::size_t>(last - p)) run = static_cast<std::size_t>(last - p);
        if (run == 0) return p;
        // The run's digits to the top bytes (zeros below are leading zero digits), then pairs, fours and eight.
        std::uint64_t u = t << (8 * (8 - run));
        u = u * 10 + (u >> 8);
        u = ((u & 0x000000FF000000FFu) * 0x000F424000000064u + ((u >> 16) & 0x000000FF000000FFu) * 0x0000271000000001u) >>
            32;
        whole = whole * kWhole10[run] + u;
        p += run;
        if (run < 8) return p;
    }
#endif
    for (unsigned d; p < last && (d = static_cast<unsigned char>(*p) - '0') < 10; ++p) whole = whole * 10 + d;
    return p;
}

// A plain decimal ([-]digits[.digits], no exponent) of at most 19 digits whose digits as a whole number are at most
// 2^53 and with at most 22 after the point, ending on white space or at last: its value is that whole number over
// a power of ten, both exact doubles, so the one correctly rounded division gives the double nearest to the decimal,
// which is what std::from_chars gives. Returns the end, or null for any other text (which from_chars then reads).
inline const char* ShortDecimal(const char* p, const char* last, const char* readable, double& value) {
    static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const bool negative = *p == '-';
    if (negative) ++p;
    // More than 19 digits may wrap the whole number around; such a text is refused below anyway.
    std::uint64_t whole = 0;
    const char* const start = p;
    p = TakeDigits(p, last, readable, whole);
    std::ptrdiff_t digits = p - start, fraction = 0;
    if (p < last && *p == '.') {
        const char* const point = ++p;
        p = TakeDigits(p, last, readable, whole);
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
// file without its line end. The bytes from last up to readable (at least last) may be read, never taken. Numbers that end on white space or the end of the text are read exactly here (a short
// decimal directly, any other by std::from_chars, as ScanDoubles does); any other text goes through ScanDoubles on
// a terminated copy.
inline int ScanLineDoubles(const char* first, const char* last, const char* readable, double* values, int maxCount) {
    using namespace scanline_detail;
    if (maxCount < 1) return 0;
    if (maxCount > 3) maxCount = 3;
    const char* p = first;
    int n = 0;
    while (n < maxCount) {
        while (p < last && IsSpace(*p)) ++p;
        if (p == last) return n == 0 ? -1 : n;
        double v;
        if (const char* end = ShortDecimal(p, last, readable, v)) {
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

inline int ScanLineDoubles(const char* first, const char* last, double* values, int maxCount) {
    return ScanLineDoubles(first, last, last, values, maxCount);
}

}  // namespace xrddata::platform
