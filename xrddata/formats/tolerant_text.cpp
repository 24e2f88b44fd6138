#include "xrddata/formats/tolerant_text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/lines.h"

namespace xrddata::formats {

namespace {

// Detection looks at this much of the file: the first data rows lie within it in every export seen.
constexpr std::size_t kHead = 64 * 1024;
// ... and at this much of its end, when it is larger.
constexpr std::size_t kTail = 4 * 1024;
// Header and comment text kept as the comments, at most.
constexpr std::size_t kMaxComments = 8 * 1024;
constexpr std::size_t kMaxColumns = 64;
constexpr std::size_t kMaxHeaderPairs = 200;

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '\r' || c == '\f' || c == '\v'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The values of a line that holds only numbers (at most kMaxColumns are kept, `count` counts them all); false
// when it holds anything else. decimal_comma: a comma stands alone between two digits ("1,5") while blanks, tabs
// or semicolons separate the values elsewhere on the line: the commas are decimal separators, and reading them
// as separators would split every value in two.
bool ParseRow(std::string_view line, std::array<double, 3>& values, std::size_t& count, bool& decimal_comma) {
    count = 0;
    bool tight_comma = false, other_separator = false;
    std::size_t p = 0;
    while (true) {
        const std::size_t run = p;
        while (p < line.size() && IsSeparator(line[p])) ++p;
        if (p == line.size()) break;
        if (run > 0) {
            const std::string_view separator = line.substr(run, p - run);
            if (separator == "," && IsDigit(line[run - 1]) && IsDigit(line[p])) tight_comma = true;
            if (separator.find(',') == std::string_view::npos) other_separator = true;
        }
        std::size_t e = p;
        while (e < line.size() && !IsSeparator(line[e])) ++e;
        double v;
        if (!ParseDouble(line.substr(p, e - p), v)) return false;
        if (count < values.size()) values[count] = v;
        if (++count > kMaxColumns) return false;
        p = e;
    }
    decimal_comma = tight_comma && other_separator;
    return true;
}

enum class LineKind { blank, comment, row, text, decimal_comma };

// Sorts lines into blanks, comments (with the /* */ blocks), rows of numbers and other text.
class LineClassifier {
public:
    LineKind classify(std::string_view line, std::array<double, 3>& values, std::size_t& count,
                      std::string_view& text) {
        text = TrimBlanks(line);
        if (in_block_) {
            if (const std::size_t end = text.find("*/"); end != std::string_view::npos) {
                in_block_ = false;
                text = text.substr(0, end);
            }
            // Lines inside a block often carry a marker of their own ("# key = value").
            if (!text.empty() && (text.front() == '#' || text.front() == '!' || text.front() == ';')) text.remove_prefix(1);
            text = TrimBlanks(text);
            return LineKind::comment;
        }
        if (text.empty()) return LineKind::blank;
        const char c = text.front();
        if (c == '#' || c == '!' || c == ';' || c == '\'') {
            text = TrimBlanks(text.substr(1));
            return LineKind::comment;
        }
        if (text.substr(0, 2) == "/*") {
            text.remove_prefix(2);
            const std::size_t end = text.find("*/");
            in_block_ = end == std::string_view::npos;
            text = TrimBlanks(text.substr(0, end));
            return LineKind::comment;
        }
        bool decimal_comma = false;
        if (ParseRow(text, values, count, decimal_comma) && count >= 2)
            return decimal_comma ? LineKind::decimal_comma : LineKind::row;
        return LineKind::text;
    }

private:
    bool in_block_ = false;
};

// The text up to a DOS end-of-file byte.
std::string_view TextOf(Bytes bytes) {
    std::string_view text = AsText(bytes);
    const std::size_t eof = text.find('\x1a');
    return eof == std::string_view::npos ? text : text.substr(0, eof);
}

struct Row {
    std::array<double, 3> values{};
    std::size_t count = 0;
    std::uint64_t line = 0;
    std::string_view text;
};

void AppendComment(std::string& comments, std::string_view text) {
    if (text.empty() || comments.size() >= kMaxComments) return;
    if (!comments.empty()) comments += '\n';
    comments.append(text.substr(0, kMaxComments - std::min(comments.size(), kMaxComments)));
}

// The pairs of a header line: "Key: "value" Key2: "value2" ..." (the export of an evaluation program), or one
// "key = value". Nothing for other lines.
void AddHeaderPairs(std::string_view text, Metadata& meta) {
    Properties pairs;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t colon = rest.find(": \"");
        if (colon == std::string_view::npos) break;
        const std::size_t close = rest.find('"', colon + 3);
        if (close == std::string_view::npos) break;
        const std::string_view key = TrimBlanks(rest.substr(0, colon));
        if (key.empty() || key.find_first_of(" \t\"") != std::string_view::npos) break;
        pairs.emplace_back(std::string(key), std::string(rest.substr(colon + 3, close - colon - 3)));
        rest = TrimBlanks(rest.substr(close + 1));
    }
    if (!pairs.empty() && rest.empty()) {
        for (auto& [key, value] : pairs) {
            if (value.empty()) continue;
            if (key == "Anode" && meta.anode.empty()) meta.anode = value;
            if (key == "Id" && meta.sample.empty()) meta.sample = value;
            meta.properties.emplace_back(std::move(key), std::move(value));
        }
        return;
    }
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos || text.find('=', eq + 1) != std::string_view::npos) return;
    const std::string_view key = TrimBlanks(text.substr(0, eq)), value = TrimBlanks(text.substr(eq + 1));
    if (!key.empty() && !value.empty() && meta.properties.size() < kMaxHeaderPairs)
        meta.properties.emplace_back(std::string(key), std::string(value));
}

// A header or comment line before the data.
void AddHeaderLine(Metadata& meta, std::string_view text) {
    AppendComment(meta.comments, text);
    AddHeaderPairs(text, meta);
}

void AddRow(Scan& scan, const Row& r, std::size_t columns) {
    scan.two_theta.push_back(r.values[0]);
    scan.counts.push_back(r.values[1]);
    if (columns == 3) scan.sigma.push_back(r.values[2]);
}

// Whether the last lines of a file larger than the head are rows of `columns` values (or blanks and comments): a
// file whose columns end in a line of another kind (a closing "/" of a keyed format) is not columns of numbers.
bool TailIsRows(Bytes bytes, std::size_t columns) {
    const std::string_view all = TextOf(bytes);
    if (all.size() <= kHead) return true;
    std::string_view tail = all.substr(all.size() - kTail);
    tail.remove_prefix(std::min(tail.size(), tail.find_first_of("\r\n")));  // the first line is cut
    if (std::memchr(tail.data(), 0, tail.size())) return false;
    LineSplitter lines(tail);
    LineClassifier classifier;
    std::string_view line, trimmed;
    std::array<double, 3> values;
    std::size_t count = 0;
    while (lines.next(line)) {
        const LineKind kind = classifier.classify(line, values, count, trimmed);
        if (kind == LineKind::blank || kind == LineKind::comment) continue;
        if (kind != LineKind::row || count != columns) return false;
    }
    return true;
}

}  // namespace

bool IsTolerantText(Bytes bytes) {
    const Bytes head = bytes.first(std::min(bytes.size(), kHead));
    // Text only: a zero byte is never in an export of columns.
    if (std::memchr(head.data(), 0, head.size())) return false;
    const std::string_view text = TextOf(head);
    const bool whole = text.size() < kHead;
    LineSplitter lines(text);
    LineClassifier classifier;
    std::string_view line, trimmed;
    std::array<double, 3> values;
    std::size_t count = 0, previous = 0;
    bool confirmed = false, pending = false;
    while (lines.next(line)) {
        // The last line of a cut head may be incomplete.
        if (!whole && lines.offset() >= text.size()) break;
        const LineKind kind = classifier.classify(line, values, count, trimmed);
        if (kind == LineKind::blank || kind == LineKind::comment) continue;
        if (kind == LineKind::decimal_comma) return false;
        if (confirmed) {
            // Within the head, the rest must read as the reader reads it.
            if (kind == LineKind::text || count != previous) return false;
            continue;
        }
        if (kind == LineKind::text) {
            pending = false;  // header lines, or a header line of numbers above text
            continue;
        }
        if (pending && count == previous) {
            confirmed = true;  // two rows alike: columns
            continue;
        }
        pending = true;
        previous = count;
    }
    if (whole) return confirmed || pending;  // columns, or a file of a single row
    return confirmed && TailIsRows(bytes, previous);
}

Measurement ReadTolerantText(const Source& source) {
    LineSplitter lines(TextOf(source.bytes));
    LineClassifier classifier;
    Measurement m;
    Scan scan;
    std::string_view line, trimmed;
    std::optional<Row> pending;  // a first row not yet confirmed by the next one
    std::size_t columns = 0;     // values per row, once the data have begun
    Row row;
    while (lines.next(line)) {
        const LineKind kind = classifier.classify(line, row.values, row.count, trimmed);
        row.line = lines.number();
        row.text = trimmed;
        if (kind == LineKind::blank) continue;
        if (kind == LineKind::comment) {
            if (columns == 0) AddHeaderLine(m.meta, trimmed);
            continue;
        }
        if (kind == LineKind::decimal_comma)
            throw ReadError(Problem::malformed, "the values are written with decimal commas (\"" +
                                                    std::string(trimmed.substr(0, 40)) +
                                                    "\"); only '.' is read as a decimal separator")
                .at_line(row.line);
        if (kind == LineKind::text) {
            if (columns > 0)
                throw ReadError(Problem::malformed, "a line between the data rows is neither numbers nor a comment")
                    .at_line(row.line);
            if (pending) {
                // A lone row above text is a header line written in numbers.
                AddHeaderLine(m.meta, pending->text);
                pending.reset();
            }
            AddHeaderLine(m.meta, trimmed);
            continue;
        }
        if (columns == 0) {
            if (!pending) {
                pending = row;
                continue;
            }
            if (pending->count != row.count) {
                // The first row does not match the rows after it: it belongs to the header.
                AddHeaderLine(m.meta, pending->text);
                pending = row;
                continue;
            }
            columns = row.count;
            AddRow(scan, *pending, columns);
            pending.reset();
        } else if (row.count != columns) {
            throw ReadError(Problem::malformed, "the line holds " + std::to_string(row.count) +
                                                    " values where the rows before it hold " +
                                                    std::to_string(columns))
                .at_line(row.line);
        }
        AddRow(scan, row, columns);
    }
    if (columns == 0 && pending) {
        columns = pending->count;
        AddRow(scan, *pending, columns);
    }
    if (columns == 0) throw ReadError(Problem::no_data, "the file holds no rows of numbers");
    // The step time and scan type some exports state in their header.
    for (const char* key : {"TimePerStep", "Time per step (sec)"}) {
        double t;
        if (const std::string* v = find_property(m.meta.properties, key); v && !scan.step_time && ParseDouble(*v, t) && t >= 0)
            scan.step_time = t;
    }
    if (const std::string* v = find_property(m.meta.properties, "Scantype")) scan.axis = *v;
    if (columns > 3)
        m.warnings.push_back("the rows hold " + std::to_string(columns) +
                             " values; only the first two (x and y) are read");
    m.scans.push_back(std::move(scan));
    return m;
}

}  // namespace xrddata::formats
