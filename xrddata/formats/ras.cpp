#include "xrddata/formats/ras.h"

#include <strings.h>

#include <cmath>
#include <cstring>
#include <string>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/intensity.h"
#include "xrddata/formats/lines.h"

namespace xrddata::formats {

namespace {

constexpr std::string_view kDataStart = "*RAS_DATA_START";

bool Same(std::string_view a, const char* b) {
    return a.size() == std::strlen(b) && strncasecmp(a.data(), b, a.size()) == 0;
}

std::optional<double> NumberOf(const Properties& header, std::string_view key) {
    const std::string* text = find_property(header, key);
    double v;
    if (!text || !ParseDouble(*text, v)) return std::nullopt;
    return v;
}

std::string TextOf(const Properties& header, std::string_view key) {
    const std::string* text = find_property(header, key);
    return text ? *text : std::string();
}

// `*KEY "value"`: the key without its '*', the value without its quotes (bytes as stored).
std::pair<std::string, std::string> HeaderPair(std::string_view line) {
    line.remove_prefix(1);
    const std::size_t blank = line.find_first_of(" \t");
    std::string_view key = line.substr(0, blank);
    std::string_view value = blank == std::string_view::npos ? std::string_view{} : TrimBlanks(line.substr(blank));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return {std::string(key), std::string(value)};
}

// The scan's settings from its header.
void ApplyHeader(Scan& scan, Properties header, Measurement& m) {
    scan.start = NumberOf(header, "MEAS_SCAN_START");
    scan.end = NumberOf(header, "MEAS_SCAN_STOP");
    scan.step = NumberOf(header, "MEAS_SCAN_STEP");
    if (const std::optional<double> count = NumberOf(header, "MEAS_DATA_COUNT");
        count && *count >= 0 && *count <= 9.0e15 && std::floor(*count) == *count)
        scan.declared_points = static_cast<std::int64_t>(*count);
    scan.axis = TextOf(header, "MEAS_SCAN_AXIS_X_INTERNAL");
    if (scan.axis.empty()) scan.axis = TextOf(header, "MEAS_SCAN_AXIS_X");
    scan.mode = TextOf(header, "MEAS_SCAN_MODE");
    scan.step_time = RigakuStepTime(scan.mode, NumberOf(header, "MEAS_SCAN_SPEED"),
                                    TextOf(header, "MEAS_SCAN_SPEED_UNIT"), scan.step);
    const std::string unit = TextOf(header, "MEAS_SCAN_UNIT_Y");
    if (IsRateUnit(unit) && !scan.counts.empty()) {
        if (!RateToCounts(scan))
            throw ReadError(Problem::malformed, "scan " + std::to_string(m.scans.size() + 1) +
                                                    " gives counts per second but no speed to derive the counting time");
        NoteRateConversion(m.meta, unit);
    }
    scan.properties = std::move(header);
}

void ApplyMetadata(Metadata& meta, const Properties& header) {
    meta.format_version = TextOf(header, "FILE_VERSION");
    meta.sample = TextOf(header, "FILE_SAMPLE");
    for (const char* key : {"FILE_COMMENT", "FILE_MEMO"}) {
        const std::string text(TrimBlanks(TextOf(header, key)));
        if (text.empty()) continue;
        if (!meta.comments.empty()) meta.comments += '\n';
        meta.comments += text;
    }
    const std::string start = TextOf(header, "MEAS_SCAN_START_TIME");
    if (!start.empty()) {
        meta.date.text = start;
        meta.date.value = ParseDate(start, DateOrder::month_day);  // "11/01/12 12:55:51" is 1 November 2012
    }
    meta.anode = TextOf(header, "HW_XG_TARGET_NAME");
    meta.wavelength = NumberOf(header, "HW_XG_WAVE_LENGTH_ALPHA1");
    meta.ka2_wavelength = NumberOf(header, "HW_XG_WAVE_LENGTH_ALPHA2");
    meta.kb_wavelength = NumberOf(header, "HW_XG_WAVE_LENGTH_BETA");
    meta.ka2_present = RigakuKa2Present(TextOf(header, "MEAS_COND_XG_WAVE_TYPE"));
    for (const char* key : {"FILE_OPERATOR", "FILE_TYPE", "MEAS_COND_XG_VOLTAGE", "MEAS_COND_XG_CURRENT"})
        if (const std::string* v = find_property(header, key); v && !v->empty()) meta.properties.emplace_back(key, *v);
}

}  // namespace

bool ParseRigakuRow(std::string_view line, double& x, double& y, double& factor) {
    if (!TakeDouble(line, x) || !TakeDouble(line, y)) return false;
    factor = 1.0;
    if (!TrimBlanks(line).empty() && !TakeDouble(line, factor)) return false;
    return TrimBlanks(line).empty();
}

std::optional<double> RigakuStepTime(std::string_view mode, std::optional<double> speed, std::string_view speed_unit,
                                     std::optional<double> step) {
    if (!speed || *speed <= 0) return std::nullopt;
    const std::string_view unit = TrimBlanks(speed_unit);
    if (Same(mode, "STEP")) {
        if (Same(unit, "sec") || Same(unit, "s")) return *speed;
        if (Same(unit, "min")) return *speed * 60.0;
        return std::nullopt;
    }
    if (!step || *step <= 0) return std::nullopt;
    if (Same(unit, "deg/min")) return *step / *speed * 60.0;
    if (Same(unit, "deg/sec") || Same(unit, "deg/s")) return *step / *speed;
    return std::nullopt;
}

std::optional<bool> RigakuKa2Present(std::string_view wave_type) {
    const std::string_view t = TrimBlanks(wave_type);
    if (Same(t, "Ka")) return true;
    if (Same(t, "Ka1") || Same(t, "Kb")) return false;
    return std::nullopt;
}

bool IsRas(Bytes bytes) {
    std::string_view text = AsText(bytes);
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    if (!text.starts_with(kDataStart)) return false;
    text.remove_prefix(kDataStart.size());
    return text.empty() || text.front() == '\r' || text.front() == '\n';
}

Measurement ReadRas(const Source& source) {
    Measurement m;
    LineSplitter lines(source.bytes);
    std::string_view line;
    if (!lines.next(line) || TrimBlanks(line) != kDataStart)
        throw ReadError(Problem::unrecognised, "the file does not start with *RAS_DATA_START").at_line(1);

    enum class State { outside, header, data } state = State::outside;
    Properties header;
    Scan scan;
    bool attenuated = false;
    auto finish = [&](bool complete) {
        if (!complete)
            m.warnings.push_back("scan " + std::to_string(m.scans.size() + 1) +
                                 " ends without *RAS_INT_END after " + std::to_string(scan.size()) + " rows");
        if (attenuated) header.emplace_back("attenuation", "counts multiplied by the factor of the third column");
        if (m.scans.empty()) ApplyMetadata(m.meta, header);
        ApplyHeader(scan, std::move(header), m);
        m.scans.push_back(std::move(scan));
        scan = Scan{};
        header.clear();
        attenuated = false;
        state = State::outside;
    };

    bool ended = false;
    while (!ended && lines.next(line)) {
        const std::string_view t = TrimBlanks(line);
        if (t.empty()) continue;
        if (state == State::data) {
            if (t == "*RAS_INT_END") {
                finish(true);
                continue;
            }
            if (t.front() != '*') {
                double x, y, f;
                if (!ParseRigakuRow(t, x, y, f))
                    throw ReadError(Problem::malformed, "not a data row of two or three numbers").at_line(lines.number());
                if (f != 1.0) attenuated = true;
                scan.two_theta.push_back(x);
                scan.counts.push_back(y * f);
                continue;
            }
            finish(false);  // a marker of the next block: this scan ended early
        }
        if (state == State::header) {
            if (t == "*RAS_HEADER_END") {
                state = State::outside;
            } else if (t == "*RAS_INT_START") {
                state = State::data;
            } else if (t.front() == '*') {
                header.push_back(HeaderPair(t));
            } else {
                throw ReadError(Problem::malformed, "a header line does not start with '*'").at_line(lines.number());
            }
            continue;
        }
        // Between blocks.
        if (t == "*RAS_HEADER_START") {
            if (!header.empty())
                m.warnings.push_back("a header without data before scan " + std::to_string(m.scans.size() + 1) +
                                     " is ignored");
            header.clear();
            state = State::header;
        } else if (t == "*RAS_INT_START") {
            state = State::data;
        } else if (t == "*RAS_DATA_END") {
            ended = true;
        } else if (t.front() != '*') {
            throw ReadError(Problem::malformed, "text outside the header and data blocks").at_line(lines.number());
        }
    }
    if (state == State::data) finish(false);
    if (state == State::header) m.warnings.push_back("the file ends inside a header");
    if (m.scans.empty()) throw ReadError(Problem::no_data, "the file holds no *RAS_INT_START block");
    return m;
}

}  // namespace xrddata::formats
