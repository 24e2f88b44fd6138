#include "headed.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "xrddata/formats/decimal.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/lines.h"

namespace fmt = xrddata::formats;

namespace tool {
namespace {

// A value on one line: backslash, line feed and carriage return escaped.
std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

std::string Unescaped(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char n = text[++i];
            out += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string DateText(const fmt::DateTime& d) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute,
                  static_cast<int>(std::floor(d.second)));
    return buf;
}

bool Number(std::string_view text, double& v) {
    text = fmt::TrimBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && !text.empty();
}

}  // namespace

std::string HeaderLines(const fmt::WriteContext& c, const char* eol) {
    std::string out = std::string(kHeadedMark) + eol;
    auto line = [&](const char* key, const std::string& value) {
        if (!value.empty()) out += std::string("# ") + key + ": " + Escaped(value) + eol;
    };
    auto number = [&](const char* key, const std::optional<double>& v) {
        if (v) line(key, fmt::ShortestText(*v));
    };
    line("source", c.source);
    if (const fmt::Metadata* m = c.meta) {
        std::string format = m->format;
        if (m->format_code >= 0) format += " (" + std::to_string(m->format_code) + ")";
        if (!m->format_version.empty()) format += " " + m->format_version;
        line("format", format);
        line("sample", m->sample);
        line("comments", m->comments);
        if (m->date.value) line("collected", DateText(*m->date.value));
        line("anode", m->anode);
        number("wavelength", m->wavelength);
        number("ka2_wavelength", m->ka2_wavelength);
        number("ka2_ratio", m->ka2_ratio);
        if (m->ka2_present) line("ka2", *m->ka2_present ? "yes" : "no");
    }
    line("scan", std::to_string(c.scan_index + 1));
    if (const fmt::Scan* s = c.scan) {
        number("start", s->start);
        number("step", s->step);
        number("step_time", s->step_time);
        line("axis", s->axis);
        line("mode", s->mode);
    }
    std::string steps;
    for (const std::string& p : c.processing) steps += (steps.empty() ? "" : ", ") + p;
    line("processing", steps.empty() ? "none" : steps);
    return out;
}

bool IsHeadedPointFile(fmt::Bytes bytes) {
    const std::string_view mark = kHeadedMark;
    if (bytes.size() < mark.size()) return false;
    const std::string_view head(reinterpret_cast<const char*>(bytes.data()), mark.size());
    if (head != mark) return false;
    if (bytes.size() == mark.size()) return true;
    const char next = static_cast<char>(bytes[mark.size()]);
    return next == '\n' || next == '\r';
}

fmt::Measurement ReadHeadedPointFile(fmt::Bytes bytes, const std::string& name) {
    fmt::Measurement m;
    m.meta.format = "Point file";
    fmt::Scan scan;
    fmt::LineSplitter lines(bytes);
    std::string_view line;
    bool anyErrors = false, names = false;
    while (lines.next(line)) {
        if (line.empty()) continue;
        if (line.front() == '#') {
            const size_t colon = line.find(": ");
            if (line.size() < 2 || line[1] != ' ' || colon == std::string_view::npos) continue;
            const std::string_view key = line.substr(2, colon - 2);
            const std::string value = Unescaped(line.substr(colon + 2));
            double v = 0.0;
            if (key == "source") m.meta.properties.emplace_back("source", value);
            else if (key == "format") m.meta.properties.emplace_back("source format", value);
            else if (key == "sample") m.meta.sample = value;
            else if (key == "comments") m.meta.comments = value;
            else if (key == "collected") {
                fmt::DateTime d;
                if (std::sscanf(value.c_str(), "%d-%d-%d %d:%d:%lf", &d.year, &d.month, &d.day, &d.hour, &d.minute,
                                &d.second) == 6) {
                    m.meta.date.text = value;
                    m.meta.date.value = d;
                }
            } else if (key == "anode") m.meta.anode = value;
            else if (key == "wavelength" && Number(value, v)) m.meta.wavelength = v;
            else if (key == "ka2_wavelength" && Number(value, v)) m.meta.ka2_wavelength = v;
            else if (key == "ka2_ratio" && Number(value, v)) m.meta.ka2_ratio = v;
            else if (key == "ka2") m.meta.ka2_present = value == "yes";
            else if (key == "start" && Number(value, v)) scan.start = v;
            else if (key == "step" && Number(value, v)) scan.step = v;
            else if (key == "step_time" && Number(value, v)) scan.step_time = v;
            else if (key == "axis") scan.axis = value;
            else if (key == "mode") scan.mode = value;
            else if (key == "processing") m.meta.properties.emplace_back("processing", value);
            continue;
        }
        // Columns separated by blanks, tabs or commas.
        double col[3];
        int n = 0;
        size_t pos = 0;
        bool bad = false;
        while (pos < line.size() && !bad) {
            while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t' || line[pos] == ',')) ++pos;
            if (pos >= line.size()) break;
            size_t end = pos;
            while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != ',') ++end;
            if (n == 3 || !Number(line.substr(pos, end - pos), col[n])) bad = true;
            else ++n;
            pos = end;
        }
        if (bad && !names && scan.size() == 0 && n == 0) {
            names = true;  // the CSV row of column names
            continue;
        }
        if (bad || n < 2)
            throw fmt::ReadError(fmt::Problem::malformed, "a row of two or three numbers was expected")
                .in_file(name)
                .at_line(lines.number());
        if (!std::isfinite(col[0]))
            throw fmt::ReadError(fmt::Problem::malformed, "the two-theta value is not a finite number")
                .in_file(name)
                .at_line(lines.number());
        if (n == 3 && !anyErrors && scan.size() > 0)
            throw fmt::ReadError(fmt::Problem::inconsistent, "an error column starts after rows without one")
                .in_file(name)
                .at_line(lines.number());
        if (n == 2 && anyErrors)
            throw fmt::ReadError(fmt::Problem::inconsistent, "a row without the error column")
                .in_file(name)
                .at_line(lines.number());
        anyErrors = n == 3;
        scan.two_theta.push_back(col[0]);
        scan.counts.push_back(col[1]);
        if (n == 3) scan.sigma.push_back(col[2]);
    }
    if (scan.size() == 0) throw fmt::ReadError(fmt::Problem::no_data, "the file holds no points").in_file(name);
    m.scans.push_back(std::move(scan));
    return m;
}

}  // namespace tool
