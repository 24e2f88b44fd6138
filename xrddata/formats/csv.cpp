#include "xrddata/formats/csv.h"

#include <strings.h>

#include <limits>

#include "xrddata/formats/error.h"
#include "xrddata/formats/stepdata.h"

namespace xrddata::formats {

namespace {

// The fields of a line; false when a quoted field does not end on the line.
bool SplitFields(std::string_view line, char sep, std::vector<std::string>& fields) {
    fields.clear();
    std::size_t p = 0;
    for (;;) {
        std::string f;
        while (p < line.size() && (line[p] == ' ' || (line[p] == '\t' && sep != '\t'))) ++p;
        if (p < line.size() && line[p] == '"') {
            ++p;
            for (;;) {
                if (p >= line.size()) return false;
                if (line[p] == '"') {
                    if (p + 1 < line.size() && line[p + 1] == '"') {
                        f += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                f += line[p++];
            }
            while (p < line.size() && line[p] != sep) ++p;  // blanks after the closing quote
        } else {
            const std::size_t e = line.find(sep, p);
            f = std::string(TrimBlanks(line.substr(p, e == std::string_view::npos ? e : e - p)));
            p = e == std::string_view::npos ? line.size() : e;
        }
        fields.push_back(std::move(f));
        if (p >= line.size()) return true;
        ++p;  // the separator
    }
}

char SeparatorOf(std::string_view header) {
    if (header.find('\t') != std::string_view::npos) return '\t';
    if (header.find(';') != std::string_view::npos) return ';';
    if (header.find(',') != std::string_view::npos) return ',';
    return 0;
}

bool IsNumber(const std::string& f, char sep, double& v) {
    if (ParseDouble(f, v)) return true;
    if (sep == ';' && f.find(',') != std::string::npos) {
        std::string g = f;
        for (char& c : g)
            if (c == ',') c = '.';
        return ParseDouble(g, v);
    }
    return false;
}

// A value cell: a number, or the tool's words for a value it has none for.
bool IsValue(const std::string& f, char sep, double& v) {
    if (IsNumber(f, sep, v)) return true;
    if (f == "nan" || f == "NaN") v = std::numeric_limits<double>::quiet_NaN();
    else if (f == "inf") v = std::numeric_limits<double>::infinity();
    else if (f == "-inf") v = -std::numeric_limits<double>::infinity();
    else return false;
    return true;
}

bool IsErrorName(const std::string& name) {
    static const char* const words[] = {"error", "errors", "err", "sigma", "esd", "su", "e", "uncertainty",
                                        "std", "stddev", "stdev", "dy", "yerr", "y_error", "intensity_error"};
    const std::string_view n = TrimBlanks(name);
    for (const char* w : words)
        if (n.size() == std::char_traits<char>::length(w) && strncasecmp(n.data(), w, n.size()) == 0) return true;
    return false;
}

// The header row and the first data row, when the text looks like a table with names.
bool HeaderAndRow(std::string_view header, std::string_view row, char& sep, std::vector<std::string>& names) {
    sep = SeparatorOf(header);
    if (!sep) return false;
    std::vector<std::string> values;
    if (!SplitFields(header, sep, names) || names.size() < 2 || !SplitFields(row, sep, values) ||
        values.size() != names.size())
        return false;
    bool named = false;
    double v;
    for (const std::string& n : names) named |= !n.empty() && !IsNumber(n, sep, v);
    if (!named) return false;
    if (!IsNumber(values[0], sep, v)) return false;
    for (const std::string& f : values)
        if (!IsValue(f, sep, v)) return false;
    return true;
}

}  // namespace

bool IsCsv(Bytes bytes) {
    const std::vector<std::string_view> lines = HeadLines(bytes, 64);
    std::size_t i = 0;
    while (i < lines.size() && TrimBlanks(lines[i]).empty()) ++i;
    std::size_t j = i + 1;
    while (j < lines.size() && TrimBlanks(lines[j]).empty()) ++j;
    if (j >= lines.size()) return false;
    char sep;
    std::vector<std::string> names;
    return HeaderAndRow(lines[i], lines[j], sep, names);
}

Measurement ReadCsv(const Source& source) {
    LineSplitter lines(source.bytes);
    std::string_view header;
    do {
        if (!lines.next(header)) throw ReadError(Problem::no_data, "the file is empty");
    } while (TrimBlanks(header).empty());
    const std::uint64_t headerLine = lines.number();
    const char sep = SeparatorOf(header);
    std::vector<std::string> names;
    if (!sep || !SplitFields(header, sep, names) || names.size() < 2)
        throw ReadError(Problem::malformed, "the header row names no two columns separated by tabs, semicolons or commas")
            .at_line(headerLine);
    Measurement m;
    Scan scan;
    for (std::size_t c = 0; c < names.size(); ++c) scan.properties.emplace_back("column " + std::to_string(c + 1), names[c]);
    const bool errors = names.size() >= 3 && IsErrorName(names[2]);
    const std::size_t used = errors ? 3 : 2;
    if (names.size() > used) {
        std::string unread;
        for (std::size_t c = used; c < names.size(); ++c) unread += (unread.empty() ? "" : ", ") + names[c];
        m.warnings.push_back("the columns " + unread + " are not read");
    }
    std::vector<std::string> fields;
    std::string_view line;
    while (lines.next(line)) {
        if (TrimBlanks(line).empty()) continue;
        if (line.front() == '\x1a') break;
        if (!SplitFields(line, sep, fields) || fields.size() != names.size())
            throw ReadError(Problem::malformed, "the row holds " + std::to_string(fields.size()) +
                                                    " fields where the header names " + std::to_string(names.size()))
                .at_line(lines.number());
        double x, y, e = 0;
        if (!IsNumber(fields[0], sep, x))
            throw ReadError(Problem::malformed, "\"" + fields[0].substr(0, 40) + "\" is not a two-theta value")
                .at_line(lines.number());
        if (!IsValue(fields[1], sep, y) || (errors && !IsValue(fields[2], sep, e)))
            throw ReadError(Problem::malformed, "the intensity or error is not a number").at_line(lines.number());
        scan.two_theta.push_back(x);
        scan.counts.push_back(y);
        if (errors) scan.sigma.push_back(e);
    }
    m.meta.format_version = sep == '\t' ? "TSV" : sep == ';' ? "semicolon-separated" : "CSV";
    m.scans.push_back(std::move(scan));
    return m;
}

}  // namespace xrddata::formats
