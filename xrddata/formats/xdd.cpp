#include "xrddata/formats/xdd.h"

#include <algorithm>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/stepdata.h"

namespace xrddata::formats {

namespace {

// Skips the comments at the start of the text; the comment text goes to comments. False when a comment does not
// end.
bool SkipComments(std::string_view text, std::size_t& pos, std::string* comments) {
    for (;;) {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n'))
            ++pos;
        if (text.substr(pos, 2) != "/*") return true;
        const std::size_t close = text.find("*/", pos + 2);
        if (close == std::string_view::npos) return false;
        if (comments) {
            const std::string_view body = TrimBlanks(text.substr(pos + 2, close - pos - 2));
            if (!body.empty()) {
                if (!comments->empty()) *comments += '\n';
                *comments += body;
            }
        }
        pos = close + 2;
    }
}

}  // namespace

bool IsXdd(Bytes bytes) {
    const std::string_view head = AsText(bytes.subspan(0, std::min<std::size_t>(bytes.size(), 4096)));
    std::size_t pos = 0;
    while (pos < head.size() && (head[pos] == ' ' || head[pos] == '\t' || head[pos] == '\r' || head[pos] == '\n'))
        ++pos;
    if (head.substr(pos, 2) != "/*" || !SkipComments(head, pos, nullptr)) return false;
    const std::vector<std::string_view> lines = HeadLines(bytes.subspan(pos), 12);
    return !lines.empty() && ParseStepRange(lines[0], 0.02) && LooksLikeStepValues(lines, 1, true);
}

Measurement ReadXdd(const Source& source) {
    const std::string_view text = AsText(source.bytes);
    Measurement m;
    std::size_t pos = 0;
    if (!SkipComments(text, pos, &m.meta.comments))
        throw ReadError(Problem::malformed, "a comment opened with /* does not end").at_offset(pos);
    // Line numbers count from the start of the file.
    std::uint64_t before = 0;
    for (std::size_t i = 0; i < pos; ++i) before += text[i] == '\n' || (text[i] == '\r' && (i + 1 >= pos || text[i + 1] != '\n'));
    LineSplitter lines(text.substr(pos));
    std::string_view line;
    if (!lines.next(line)) throw ReadError(Problem::no_data, "the file ends before the range line");
    std::string_view rest;
    const std::optional<StepRange> range = ParseStepRange(line, 0.5, &rest);
    if (!range)
        throw ReadError(Problem::malformed, "the range line does not hold the first angle, the step and the last angle")
            .at_line(before + 1);
    if (!TrimBlanks(rest).empty()) m.meta.properties.emplace_back("range line settings", std::string(TrimBlanks(rest)));
    Scan scan;
    try {
        ReadStepValues(lines, *range, scan, m.warnings);
    } catch (ReadError& e) {
        if (e.line()) e.at_line(*e.line() + before);
        throw;
    }
    m.scans.push_back(std::move(scan));
    return m;
}

}  // namespace xrddata::formats
