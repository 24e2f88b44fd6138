#include "xrddata/platform/scan.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>

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

double CAtof(const char* text) {
    if (!text) return 0.0;
    return strtod_l(text, nullptr, xrddata::platform::CLocale());
}
