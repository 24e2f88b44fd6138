// What the format core reads out of a file: the file's metadata and every scan it holds, in plain std types.
// Angles are degrees two-theta, intensities are counts as the file stores them (a reader that finds a rate in the
// file converts it to counts and says so in the metadata), and every scan carries its positions explicitly, so
// that non-equidistant scans fit as well as equidistant ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xrddata/platform/export.h"

namespace xrddata::formats {

// A calendar date and time as a file states it. No time zone is implied unless utc_offset_minutes is set (an ISO
// 8601 text with "Z" or "+01:00").
struct DateTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    double second = 0.0;
    std::optional<int> utc_offset_minutes;

    bool operator==(const DateTime&) const = default;
};

// When the data were collected: the text exactly as the file stores it (when it stores one) and the calendar value
// it parses to, read the same way under every locale. Formats that store no date take the file's modification
// time (local time) where the caller knows it; from_file_time says so.
struct CollectionDate {
    std::optional<std::string> text;
    std::optional<DateTime> value;
    bool from_file_time = false;
};

// Further key/value pairs, in the order the file holds them. Keys are the file's own names where it has them.
using Properties = std::vector<std::pair<std::string, std::string>>;

// The value of the first pair with this key, or null.
XRDDATA_API const std::string* find_property(const Properties& properties, std::string_view key);

// What the file says about the whole measurement.
struct Metadata {
    std::string format;          // short name of the format in the table ("DiffracPlus")
    int format_code = -1;        // its code in the table
    std::string format_version;  // as the file states it ("RAW1.01", "2.1"); empty when it states none
    std::string sample;          // sample name or identifier
    std::string comments;        // free text; several comment fields are joined with '\n'
    CollectionDate date;
    std::string anode;           // the anode element as stored ("Cu", "CU"); empty when the file names none
    std::optional<double> wavelength;      // angstrom: K-alpha1, or the one wavelength the file gives
    std::optional<double> ka2_wavelength;  // angstrom
    std::optional<double> kb_wavelength;   // angstrom
    std::optional<double> ka2_ratio;       // intensity of K-alpha2 relative to K-alpha1
    std::optional<bool> ka2_present;       // the file says whether the beam carries K-alpha2
    Properties properties;                 // everything else the file carries
};

// One scan (range, detector frame, data block): its points and its own settings.
struct Scan {
    std::vector<double> two_theta;       // degrees, one per point, in file order
    std::vector<double> counts;          // one per point
    std::vector<double> sigma;           // the file's own standard deviations of counts; empty when it has none
    std::vector<double> time_per_point;  // seconds, when the counting time varies per point; empty otherwise
    std::optional<double> step_time;     // seconds per step, when one value holds for every point

    // The scan's settings as its header states them (which may disagree with the points actually present).
    std::optional<double> start;
    std::optional<double> step;
    std::optional<double> end;
    std::optional<std::int64_t> declared_points;
    std::string axis;  // scan axis ("2Theta", "Locked Coupled"); empty when not stated
    std::string mode;  // scan mode ("Continuous", "Step"); empty when not stated
    Properties properties;

    std::size_t size() const { return counts.size(); }
};

// A whole file: metadata, every scan in file order, and the reservations of a read that still succeeded (a scan
// that ends before its header's point count, values that were dropped).
struct Measurement {
    Metadata meta;
    std::vector<Scan> scans;
    std::vector<std::string> warnings;

    // Points over all scans.
    std::size_t total_points() const {
        std::size_t n = 0;
        for (const Scan& s : scans) n += s.size();
        return n;
    }
};

}  // namespace xrddata::formats
