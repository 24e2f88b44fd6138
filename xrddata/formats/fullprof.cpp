#include "xrddata/formats/fullprof.h"

#include <strings.h>

#include <cctype>

#include "xrddata/formats/error.h"
#include "xrddata/formats/stepdata.h"

namespace xrddata::formats {

namespace {

constexpr std::size_t kXyHeaderLines = 5;  // after the XYDATA line

bool IsXyData(std::string_view first) {
    const std::string_view t = TrimBlanks(first);
    return t.size() >= 6 && strncasecmp(t.data(), "XYDATA", 6) == 0;
}

bool IsComment(std::string_view line) {
    const std::string_view t = TrimBlanks(line);
    return !t.empty() && (t.front() == '!' || t.front() == '#');
}

// A title after the three numbers of a range line: text that is not itself more numbers.
bool IsTitle(std::string_view rest) { return !TrimBlanks(rest).empty() && NumbersOnLine(rest) < 0; }

std::string_view CommentText(std::string_view line) {
    std::string_view t = TrimBlanks(line);
    while (!t.empty() && (t.front() == '!' || t.front() == '#')) t.remove_prefix(1);
    return TrimBlanks(t);
}

void AddComment(Metadata& meta, std::string_view text) {
    if (text.empty()) return;
    if (!meta.comments.empty()) meta.comments += '\n';
    meta.comments += text;
}

// Reads the numbers after a keyword of an XYDATA header line ("INTER 1.0 1.0 0 0.02").
std::vector<double> NumbersAfter(std::string_view line, std::size_t at) {
    std::string_view t = line.substr(at);
    std::vector<double> v;
    double d;
    while (TakeDouble(t, d)) v.push_back(d);
    return v;
}

Measurement ReadXyData(LineSplitter& lines) {
    Measurement m;
    m.meta.format_version = "INSTRM=10";
    Scan scan;
    double facX = 1.0, facY = 1.0;
    std::string_view line;
    for (std::size_t i = 0; i < kXyHeaderLines && lines.next(line); ++i) {
        const std::string upper = [&] {
            std::string u(line);
            for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            return u;
        }();
        if (const std::size_t k = upper.find("INTER"); k != std::string::npos && !IsComment(line)) {
            const std::vector<double> v = NumbersAfter(line, k + 5);
            if (v.size() >= 1) facX = v[0];
            if (v.size() >= 2) facY = v[1];
            m.meta.properties.emplace_back("INTER", std::string(TrimBlanks(line.substr(k + 5))));
        } else if (const std::size_t t = upper.find("TEMP"); t != std::string::npos && !IsComment(line)) {
            m.meta.properties.emplace_back("TEMP", std::string(TrimBlanks(line.substr(t + 4))));
        } else {
            if (NumbersOnLine(line) >= 2)
                m.warnings.push_back("header line " + std::to_string(lines.number()) +
                                     " holds numbers; it is read as a header line, as every line of the five after "
                                     "XYDATA is");
            AddComment(m.meta, CommentText(line));
        }
    }
    if (!(facX > 0) || !(facY > 0))
        throw ReadError(Problem::malformed, "the INTER factors must be positive").at_line(2);
    bool allSigma = true;
    std::size_t extra = 0;
    while (lines.next(line)) {
        if (TrimBlanks(line).empty() || IsComment(line)) continue;
        if (line.front() == '\x1a') break;
        std::string_view t = line;
        double v[3];
        int n = 0;
        while (n < 3 && TakeDouble(t, v[n])) ++n;
        if (n == 3) {
            double more;
            std::string_view after = t;
            if (TakeDouble(after, more)) ++extra;
        }
        if (n < 2 || (n < 3 && !TrimBlanks(t).empty()) || (n == 3 && NumbersOnLine(t) < 0))
            throw ReadError(Problem::malformed, "a point line holds two-theta, intensity and optionally sigma")
                .at_line(lines.number());
        scan.two_theta.push_back(v[0] * facX);
        scan.counts.push_back(v[1] * facY);
        if (n == 3) scan.sigma.push_back(v[2] * facY);
        else allSigma = false;
    }
    if (!allSigma) {
        if (!scan.sigma.empty())
            m.warnings.push_back("sigma is given for only " + std::to_string(scan.sigma.size()) + " of " +
                                 std::to_string(scan.size()) + " points; no point keeps one");
        scan.sigma.clear();
    }
    if (extra) m.warnings.push_back(std::to_string(extra) + " lines hold more than three numbers; the rest are not read");
    if (facX != 1.0 || facY != 1.0)
        m.meta.properties.emplace_back("conversion", "positions and intensities multiplied by the INTER factors");
    m.scans.push_back(std::move(scan));
    return m;
}

}  // namespace

bool IsFullProf(Bytes bytes) {
    const std::vector<std::string_view> lines = HeadLines(bytes, 12);
    if (lines.empty()) return false;
    if (IsXyData(lines[0])) return true;
    std::size_t i = 0;
    while (i < lines.size() && IsComment(lines[i])) ++i;
    if (i >= lines.size()) return false;
    std::string_view rest;
    if (!ParseStepRange(lines[i], 0.02, &rest)) return false;
    const bool titled = IsTitle(rest);
    if (!titled && !TrimBlanks(rest).empty()) return false;  // more numbers: columns, not a range line
    return LooksLikeStepValues(lines, i + 1, titled);
}

Measurement ReadFullProf(const Source& source) {
    LineSplitter lines(source.bytes);
    std::string_view line;
    if (!lines.next(line)) throw ReadError(Problem::no_data, "the file is empty");
    if (IsXyData(line)) return ReadXyData(lines);

    Measurement m;
    m.meta.format_version = "INSTRM=0";
    while (IsComment(line)) {
        AddComment(m.meta, CommentText(line));
        if (!lines.next(line)) throw ReadError(Problem::no_data, "the file ends before the range line");
    }
    std::string_view rest;
    const std::optional<StepRange> range = ParseStepRange(line, 0.5, &rest);
    if (!range)
        throw ReadError(Problem::malformed, "the range line does not hold the first angle, the step and the last angle")
            .at_line(lines.number());
    m.meta.sample = std::string(TrimBlanks(rest));
    Scan scan;
    ReadStepValues(lines, *range, scan, m.warnings);
    m.scans.push_back(std::move(scan));
    return m;
}

}  // namespace xrddata::formats
