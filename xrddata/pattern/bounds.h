// The bounds of the eleven processing settings, in one table for everything that takes a value from a user: the
// Data Settings dialog, the tool's `settings set` and its processing options. A value outside is refused with a
// message that names the bound.
#pragma once

#include <strings.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>

struct SettingBound {
    const char* name;  // the setting's name in the store
    double low;        // smallest value allowed
    double high;       // largest value allowed
    bool lowOpen;      // the smallest value itself is refused (a length must be more than 0; the dialog's
                       // range check cannot say this and takes the bound itself)
    bool integer;      // whole numbers only
};

inline constexpr SettingBound kSettingBounds[] = {
    {"BackgroundLength", 0.0, 1e6, true, false},  // the knot spacing: a length, never 0
    {"BackgroundScale", 0.0, 1e32, false, false}, // stiffness; 0 switches the smoothing penalty off
    {"AutoWidth", 0, 1, false, true},
    {"WidthType", 0, 1, false, true},             // 0 constant width, 1 the U, V, W function
    {"FixedWidth", 0.0, 1e6, false, false},
    {"U", -1e32, 1e32, false, false},
    {"V", -1e32, 1e32, false, false},
    {"W", -1e32, 1e32, false, false},
    {"CountType", 0, 2, false, true},             // 0 raw counts, 1 scaled counts, 2 variable time
    {"ScaleFactor", 0.0, 1e32, true, false},      // the dialog's range; a factor of 0 would make every error 0
    {"Esds", 1.0, 100.0, false, false},           // percent; the dialog's bounds
};

// The bound of a setting by its name (case ignored), or null.
inline const SettingBound* FindSettingBound(std::string_view name) {
    for (const SettingBound& b : kSettingBounds)
        if (name.size() == std::char_traits<char>::length(b.name) && strncasecmp(b.name, name.data(), name.size()) == 0)
            return &b;
    return nullptr;
}

// Empty when v is allowed, else the reason naming the bound ("Esds must be from 1 to 100, not 200").
inline std::string SettingBoundProblem(const SettingBound& b, double v) {
    char text[160];
    const bool inside = std::isfinite(v) && (b.lowOpen ? v > b.low : v >= b.low) && v <= b.high &&
                        (!b.integer || v == std::floor(v));
    if (inside) return {};
    if (b.integer)
        std::snprintf(text, sizeof text, "%s must be a whole number from %g to %g, not %.17g", b.name, b.low, b.high, v);
    else if (b.lowOpen)
        std::snprintf(text, sizeof text, "%s must be more than %g and at most %g, not %.17g", b.name, b.low, b.high, v);
    else
        std::snprintf(text, sizeof text, "%s must be from %g to %g, not %.17g", b.name, b.low, b.high, v);
    return text;
}
