#include "xrddata/formats/dbws.h"

#include "xrddata/formats/decimal.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/stepdata.h"

namespace xrddata::formats {

namespace {

constexpr std::size_t kField = 8;

// The three fixed fields of line 1 as a range; each must hold a number with a decimal point, as F8.2 writes it.
std::optional<StepRange> FixedRange(std::string_view line, double slack) {
    if (line.size() < 3 * kField) return std::nullopt;
    double v[3];
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string_view field = line.substr(i * kField, kField);
        const std::string_view t = TrimBlanks(field);
        if (t.empty() || t.find('.') == std::string_view::npos || !ParseFortranField(field, 2, v[i]))
            return std::nullopt;
    }
    return MakeStepRange(v[0], v[1], v[2], slack);
}

}  // namespace

bool IsDbws(Bytes bytes) {
    const std::vector<std::string_view> lines = HeadLines(bytes, 12);
    if (lines.empty() || !FixedRange(lines[0], 0.02)) return false;
    const bool titled = !TrimBlanks(lines[0].substr(3 * kField)).empty();
    if (titled && NumbersOnLine(lines[0].substr(3 * kField)) >= 0) return false;  // more numbers: columns
    return LooksLikeStepValues(lines, 1, titled);
}

Measurement ReadDbws(const Source& source) {
    LineSplitter lines(source.bytes);
    std::string_view line;
    if (!lines.next(line)) throw ReadError(Problem::no_data, "the file is empty");
    const std::optional<StepRange> range = FixedRange(line, 0.5);
    if (!range)
        throw ReadError(Problem::malformed,
                        "line 1 does not hold the first angle, the step and the last angle in three 8-column fields")
            .at_line(1);
    Measurement m;
    m.meta.sample = std::string(TrimBlanks(line.substr(3 * kField)));
    Scan scan;
    ReadStepValues(lines, *range, scan, m.warnings);
    m.scans.push_back(std::move(scan));
    return m;
}

}  // namespace xrddata::formats
