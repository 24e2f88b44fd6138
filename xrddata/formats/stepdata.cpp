#include "xrddata/formats/stepdata.h"

#include <cmath>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/error.h"

namespace xrddata::formats {

std::optional<StepRange> MakeStepRange(double start, double step, double end, double slack) {
    if (!(step > 0) || !(end > start)) return std::nullopt;
    const double q = (end - start) / step;
    if (!(q < static_cast<double>(kMaxStepPoints)) || std::fabs(q - std::round(q)) > slack) return std::nullopt;
    StepRange r;
    r.start = start;
    r.step = step;
    r.end = end;
    r.points = static_cast<std::int64_t>(std::llround(q)) + 1;
    return r;
}

std::optional<StepRange> ParseStepRange(std::string_view text, double slack, std::string_view* rest) {
    std::string_view t = text;
    double v[3];
    if (!TakeDouble(t, v[0]) || !TakeDouble(t, v[1]) || !TakeDouble(t, v[2])) return std::nullopt;
    // A number must end at a blank or the end of the line ("10.0 0.02 40.5abc" is no range line).
    if (!t.empty() && t.front() != ' ' && t.front() != '\t') return std::nullopt;
    std::optional<StepRange> r = MakeStepRange(v[0], v[1], v[2], slack);
    if (r && rest) *rest = t;
    return r;
}

int NumbersOnLine(std::string_view line) {
    int n = 0;
    std::size_t p = 0;
    while (p < line.size()) {
        const char c = line[p];
        if (c == ' ' || c == '\t' || c == ',' || c == '\r') {
            ++p;
            continue;
        }
        std::size_t q = p;
        while (q < line.size() && line[q] != ' ' && line[q] != '\t' && line[q] != ',' && line[q] != '\r') ++q;
        double v;
        if (!ParseDouble(line.substr(p, q - p), v)) return -1;
        ++n;
        p = q;
    }
    return n;
}

std::vector<std::string_view> HeadLines(Bytes bytes, std::size_t count) {
    // Detection looks at the first 4 KiB only; a last line cut there is left out unless it is all there is.
    constexpr std::size_t kHead = 4096;
    const bool cut = bytes.size() > kHead;
    const std::string_view text = AsText(bytes.subspan(0, cut ? kHead : bytes.size()));
    LineSplitter split(text);
    std::vector<std::string_view> lines;
    std::string_view line;
    while (lines.size() < count && split.next(line)) {
        if (cut && split.offset() >= text.size() && !lines.empty()) break;
        lines.push_back(line);
    }
    return lines;
}

bool LooksLikeStepValues(const std::vector<std::string_view>& lines, std::size_t first, bool titled) {
    if (first >= lines.size()) return false;
    const int n = NumbersOnLine(lines[first]);
    if (n < 1) return false;
    if (!titled && n == 3 && first + 1 < lines.size()) return false;
    for (std::size_t i = first + 1; i < lines.size(); ++i) {
        const std::string_view l = lines[i];
        if (!l.empty() && l.front() == '\x1a') break;
        if (NumbersOnLine(l) < 0) return false;
    }
    return true;
}

void SetStepSettings(const StepRange& range, Scan& scan) {
    scan.start = range.start;
    scan.step = range.step;
    scan.end = range.end;
    scan.declared_points = range.points;
}

void ReadStepValues(LineSplitter& lines, const StepRange& range, Scan& scan, std::vector<std::string>& warnings) {
    std::vector<double> values;
    std::string_view line;
    bool ended = false;
    while (!ended && lines.next(line)) {
        std::size_t p = 0;
        while (p < line.size()) {
            const char c = line[p];
            if (c == '\x1a') {
                ended = true;
                break;
            }
            if (c == ' ' || c == '\t' || c == ',') {
                ++p;
                continue;
            }
            std::size_t q = p;
            while (q < line.size() && line[q] != ' ' && line[q] != '\t' && line[q] != ',' && line[q] != '\x1a') ++q;
            const std::string_view token = line.substr(p, q - p);
            double v;
            if (!ParseDouble(token, v))
                throw ReadError(Problem::malformed, "\"" + std::string(token.substr(0, 40)) + "\" is not a number")
                    .at_line(lines.number());
            values.push_back(v);
            p = q;
        }
    }
    SetStepSettings(range, scan);
    const std::size_t n = static_cast<std::size_t>(range.points);
    const std::size_t m = values.size();
    const std::size_t take = m < n ? m : n;
    if (m < n) {
        warnings.push_back("the data end after " + std::to_string(m) + " of the " + std::to_string(n) +
                           " points the range line gives");
    } else if (m == 2 * n) {
        bool deviations = true;
        for (std::size_t i = n; i < m && deviations; ++i) deviations = values[i] >= 0;
        if (deviations) {
            scan.sigma.assign(values.begin() + static_cast<std::ptrdiff_t>(n), values.end());
        } else {
            warnings.push_back("the " + std::to_string(n) +
                               " values after the intensities are not standard deviations (some are negative); "
                               "they are not read");
        }
    } else if (m > n) {
        warnings.push_back(std::to_string(m - n) + " values after the " + std::to_string(n) +
                           " points the range line gives are not read");
    }
    values.resize(take);
    scan.counts = std::move(values);
    scan.two_theta.resize(take);
    for (std::size_t i = 0; i < take; ++i) scan.two_theta[i] = range.start + static_cast<double>(i) * range.step;
}

}  // namespace xrddata::formats
