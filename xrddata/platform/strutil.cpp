#include "xrddata/platform/strutil.h"

#include <cstdarg>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "xrddata/platform/clocale.h"

namespace {

// Widens a printed exponent to three digits: "1.5e+08" -> "1.5e+008". The exponent, when present, is the last
// 'e'/'E' of s[from..] followed by a sign and digits.
void WidenExponent(std::string& s, size_t from) {
    size_t e = std::string::npos;
    for (size_t k = s.size(); k > from; --k)
        if (s[k - 1] == 'e' || s[k - 1] == 'E') {
            e = k - 1;
            break;
        }
    if (e == std::string::npos || e + 2 >= s.size()) return;
    if (s[e + 1] != '+' && s[e + 1] != '-') return;
    size_t digits = s.size() - (e + 2);
    for (size_t k = e + 2; k < s.size(); ++k)
        if (!std::isdigit(static_cast<unsigned char>(s[k]))) return;
    if (digits < 3) s.insert(e + 2, 3 - digits, '0');
}

}  // namespace

void AppendG(CString& out, double v) {
    char buf[64];
    xrddata::platform::CLocaleScope c;  // numbers are always written with a '.' decimal point
    int n = std::snprintf(buf, sizeof buf, "%g", v);
    size_t from = out.size();
    out.append(buf, static_cast<size_t>(n));
    WidenExponent(out, from);
}

static CString FormatV(const char* fmt, va_list args) {
    xrddata::platform::CLocaleScope c;  // numbers are always written with a '.' decimal point
    CString out;
    const char* p = fmt;
    while (*p) {
        if (*p != '%') {
            const char* q = std::strchr(p, '%');
            size_t n = q ? static_cast<size_t>(q - p) : std::strlen(p);
            out.append(p, n);
            p += n;
            continue;
        }
        if (p[1] == '%') {
            out += '%';
            p += 2;
            continue;
        }
        // One conversion: flags, width, precision, length, type. '*' widths take an int argument.
        const char* start = p++;
        int stars[2];
        int nstars = 0;
        while (*p && std::strchr("-+ #0", *p)) ++p;
        if (*p == '*') { stars[nstars++] = va_arg(args, int); ++p; }
        while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
        if (*p == '.') {
            ++p;
            if (*p == '*') { stars[nstars++] = va_arg(args, int); ++p; }
            while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
        }
        std::string length;
        while (*p && std::strchr("hlLqjzt", *p)) length += *p++;
        char type = *p;
        if (!type) {
            out.append(start);
            break;
        }
        ++p;
        std::string conversion(start, static_cast<size_t>(p - start));
        char buf[512];
        std::string piece;
        auto emit = [&](auto value) {
            auto print = [&](char* to, size_t room) {
                if (nstars == 2) return std::snprintf(to, room, conversion.c_str(), stars[0], stars[1], value);
                if (nstars == 1) return std::snprintf(to, room, conversion.c_str(), stars[0], value);
                return std::snprintf(to, room, conversion.c_str(), value);
            };
            int n = print(buf, sizeof buf);
            if (n < 0) return;
            if (static_cast<size_t>(n) < sizeof buf) {
                piece.assign(buf, static_cast<size_t>(n));
            } else {
                piece.assign(static_cast<size_t>(n) + 1, '\0');
                print(piece.data(), piece.size());
                piece.resize(static_cast<size_t>(n));
            }
        };
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
        switch (type) {
            case 'd': case 'i': case 'u': case 'x': case 'X': case 'o': case 'c':
                if (length == "ll" || length == "q" || length == "j") emit(va_arg(args, long long));
                else if (length == "l" || length == "z" || length == "t") emit(va_arg(args, long));
                else emit(va_arg(args, int));
                break;
            case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
                if (length == "L") emit(va_arg(args, long double));
                else emit(va_arg(args, double));
                if (type == 'e' || type == 'E' || type == 'g' || type == 'G') WidenExponent(piece, 0);
                break;
            case 's': {
                const char* s = va_arg(args, const char*);
                emit(s ? s : "(null)");
                break;
            }
            case 'p':
                emit(va_arg(args, void*));
                break;
            default:
                piece = conversion;
                break;
        }
#pragma GCC diagnostic pop
        out += piece;
    }
    return out;
}

CString Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    CString s = FormatV(fmt, args);
    va_end(args);
    return s;
}

int CompareNoCase(const CString& a, const CString& b) {
    int r = strcasecmp(a.c_str(), b.c_str());
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

CString MakeLower(CString s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

static bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

CString TrimRight(const CString& s) {
    size_t n = s.size();
    while (n > 0 && IsSpace(s[n - 1])) --n;
    return s.substr(0, n);
}

CString Trim(const CString& s) {
    CString t = TrimRight(s);
    size_t i = 0;
    while (i < t.size() && IsSpace(t[i])) ++i;
    return t.substr(i);
}
