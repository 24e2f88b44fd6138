#include "xrddata/formats/decimal.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "xrddata/formats/lines.h"

namespace xrddata::formats {

void AppendShortest(std::string& out, double v) {
    if (std::isnan(v)) {
        out += "nan";
        return;
    }
    if (std::isinf(v)) {
        out += v > 0 ? "inf" : "-inf";
        return;
    }
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

std::string ShortestText(double v) {
    std::string s;
    AppendShortest(s, v);
    return s;
}

std::string ScaledText(double v, int places) {
    // The shortest digits in scientific form: d.ddd e X, the value is 0.dddd * 10^(X+1).
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    std::string_view s(buf, static_cast<std::size_t>(r.ptr - buf));
    std::string out;
    if (!s.empty() && s.front() == '-') {
        out += '-';
        s.remove_prefix(1);
    }
    const std::size_t e = s.find('e');
    std::string digits;
    for (char c : s.substr(0, e))
        if (c != '.') digits += c;
    int exponent = std::atoi(std::string(s.substr(e + 1)).c_str());
    if (digits.find_first_not_of('0') == std::string::npos) return out.empty() ? "0" : "-0";
    // Position of the decimal point after the first digit, moved by exponent and places.
    const long point = 1L + exponent + places;
    const long n = static_cast<long>(digits.size());
    if (point <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-point), '0');
        out += digits;
    } else if (point >= n) {
        out += digits;
        out.append(static_cast<std::size_t>(point - n), '0');
    } else {
        out += digits.substr(0, static_cast<std::size_t>(point));
        out += '.';
        out += digits.substr(static_cast<std::size_t>(point));
    }
    return out;
}

bool ParseScaled(std::string_view text, int places, double& value) {
    const std::string_view t = TrimBlanks(text);
    if (t.empty()) return false;
    double check;
    if (!ParseDouble(t, check)) return false;  // refuses anything that is not exactly one finite number
    if (places == 0) {
        value = check;
        return true;
    }
    std::string_view mantissa = t;
    long exponent = 0;
    const std::size_t e = t.find_first_of("eE");
    if (e != std::string_view::npos) {
        mantissa = t.substr(0, e);
        std::string_view ex = t.substr(e + 1);
        if (!ex.empty() && ex.front() == '+') ex.remove_prefix(1);
        const auto r = std::from_chars(ex.data(), ex.data() + ex.size(), exponent);
        if (r.ec != std::errc() || r.ptr != ex.data() + ex.size()) return false;
    }
    const std::string scaled = std::string(mantissa) + "e" + std::to_string(exponent + places);
    return ParseDouble(scaled, value);
}

bool ParseFortranField(std::string_view field, int decimals, double& value) {
    const std::string_view t = TrimBlanks(field);
    if (t.empty()) {
        value = 0.0;
        return true;
    }
    if (t.find_first_of(".eEdD") != std::string_view::npos) return ParseDouble(t, value);
    return ParseScaled(t, -decimals, value);
}

}  // namespace xrddata::formats
