#include "xrddata/platform/scan.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "xrddata/platform/clocale.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The exact formatted-input path, for the rare texts where strtod and scanf may read differently
// (a number followed directly by letters or signs, such as "1e" or "0x").
int ScanExact(const char* text, double* values, int maxCount) {
    xrddata::platform::CLocaleScope c;
    int n;
    switch (maxCount) {
        case 1: n = std::sscanf(text, "%lf", &values[0]); break;
        case 2: n = std::sscanf(text, "%lf %lf", &values[0], &values[1]); break;
        default: n = std::sscanf(text, "%lf %lf %lf", &values[0], &values[1], &values[2]); break;
    }
    return n;
}

// A plain decimal ([-]digits[.digits], no exponent) of at most 19 digits whose digits as a whole number are at most
// 2^53 and with at most 22 after the point, ending on white space or at last: its value is that whole number over
// a power of ten, both exact doubles, so the one correctly rounded division gives the double nearest to the decimal,
// which is what std::from_chars gives. Returns the end, or null for any other text (which from_chars then reads).
const char* ShortDecimal(const char* p, const char* last, double& value) {
    static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const bool negative = *p == '-';
    if (negative) ++p;
    std::uint64_t whole = 0;
    int digits = 0, fraction = -1;  // fraction: digits after the point, -1 before it
    for (; p < last; ++p) {
        const unsigned d = static_cast<unsigned char>(*p) - '0';
        if (d < 10) {
            if (++digits > 19) return nullptr;
            whole = whole * 10 + d;
            if (fraction >= 0) ++fraction;
        } else if (*p == '.' && fraction < 0) {
            fraction = 0;
        } else {
            break;
        }
    }
    if (digits == 0 || (p < last && !IsSpace(*p)) || whole > (std::uint64_t{1} << 53) || fraction > 22)
        return nullptr;
    double v = static_cast<double>(whole);
    if (fraction > 0) v /= kPow10[fraction];
    value = negative ? -v : v;
    return p;
}

}  // namespace

int ScanDoubles(const char* text, double* values, int maxCount) {
    if (maxCount < 1) return 0;
    if (maxCount > 3) maxCount = 3;
    const char* p = text;
    int n = 0;
    while (n < maxCount) {
        while (IsSpace(*p)) ++p;
        if (*p == '\0') return n == 0 ? -1 : n;
        // Fast exact conversion first; it reads the same value as strtod wherever both stop on white space.
        double v;
        const char* stop = p;
        while (*stop && !IsSpace(*stop)) ++stop;
        auto fast = std::from_chars(p, stop, v);
        if (fast.ec == std::errc() && fast.ptr == stop) {
            values[n++] = v;
            p = stop;
            continue;
        }
        char* end;
        v = strtod_l(p, &end, xrddata::platform::CLocale());
        if (end == p) {
            // Nothing valid: scanf fails here too unless the text is one of the forms it reads differently.
            if (*p == '+' || *p == '-' || *p == '.' || std::isalpha(static_cast<unsigned char>(*p)))
                return ScanExact(text, values, maxCount);
            return n;
        }
        // A number that ends on white space or the end of the text is read alike by both; anything else
        // goes the exact way.
        if (*end != '\0' && !IsSpace(*end)) return ScanExact(text, values, maxCount);
        values[n++] = v;
        p = end;
    }
    return n;
}

int ScanDoublesIn(const char* first, const char* last, double* values, int maxCount) {
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
        // The same conversion as ScanDoubles' fast one: a number that reaches white space or the end is exact.
        const auto r = std::from_chars(p, last, v);
        if (r.ec != std::errc() || (r.ptr < last && !IsSpace(*r.ptr))) {
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
        values[n++] = v;
        p = r.ptr;
    }
    return n;
}

double CAtof(const char* text) {
    if (!text) return 0.0;
    return strtod_l(text, nullptr, xrddata::platform::CLocale());
}
