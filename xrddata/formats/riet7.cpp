#include "xrddata/formats/riet7.h"

#include <cmath>

#include "xrddata/formats/error.h"
#include "xrddata/formats/stepdata.h"

namespace xrddata::formats {

namespace {

// Header lines before the range line, at most.
constexpr std::size_t kMaxHeader = 8;

// A line of numbers opening with the point count of the range that follows it.
bool IsCountLine(std::string_view line, const StepRange& range) {
    std::string_view t = line;
    double first;
    return NumbersOnLine(line) >= 1 && TakeDouble(t, first) && first == static_cast<double>(range.points);
}

// The index of the range line among the head lines: the first line holding exactly three numbers that form a
// range, after at least one line of text and at most one line of numbers (the count line) right before it.
std::optional<std::size_t> FindRangeLine(const std::vector<std::string_view>& lines, double slack) {
    if (lines.empty() || NumbersOnLine(lines[0]) >= 0) return std::nullopt;  // opens with text
    for (std::size_t i = 1; i < lines.size() && i <= kMaxHeader; ++i) {
        const int n = NumbersOnLine(lines[i]);
        if (n < 0 || n == 0) continue;  // text or a blank line
        if (n == 3 && ParseStepRange(lines[i], slack)) return i;
        // A line of numbers: only the count line may stand before the range line.
        if (i + 1 < lines.size() && NumbersOnLine(lines[i + 1]) == 3) {
            const std::optional<StepRange> r = ParseStepRange(lines[i + 1], slack);
            if (r && IsCountLine(lines[i], *r)) return i + 1;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

bool IsRiet7(Bytes bytes) {
    const std::vector<std::string_view> lines = HeadLines(bytes, kMaxHeader + 8);
    const std::optional<std::size_t> at = FindRangeLine(lines, 0.02);
    return at && LooksLikeStepValues(lines, *at + 1, false);
}

Measurement ReadRiet7(const Source& source) {
    // The header is found on whole lines of the whole file (a header longer than the detector's buffer reads
    // too when the format is named).
    std::vector<std::string_view> head;
    {
        LineSplitter split(source.bytes);
        std::string_view line;
        while (head.size() < kMaxHeader + 2 && split.next(line)) head.push_back(line);
    }
    const std::optional<std::size_t> at = FindRangeLine(head, 0.5);
    if (!at)
        throw ReadError(Problem::malformed,
                        "no range line (first angle, step, last angle) follows the header lines");
    Measurement m;
    for (std::size_t i = 0; i < *at; ++i) {
        const std::string_view t = TrimBlanks(head[i]);
        if (NumbersOnLine(head[i]) >= 1) {
            m.meta.properties.emplace_back("count line", std::string(t));
        } else if (m.meta.sample.empty() && i == 0) {
            m.meta.sample = std::string(t);
        } else if (!t.empty()) {
            if (!m.meta.comments.empty()) m.meta.comments += '\n';
            m.meta.comments += t;
        }
    }
    LineSplitter lines(source.bytes);
    std::string_view line;
    for (std::size_t i = 0; i <= *at; ++i) lines.next(line);
    const std::optional<StepRange> range = ParseStepRange(line, 0.5);
    Scan scan;
    ReadStepValues(lines, *range, scan, m.warnings);
    m.scans.push_back(std::move(scan));
    return m;
}

}  // namespace xrddata::formats
