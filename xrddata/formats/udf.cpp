#include "xrddata/formats/udf.h"

#include <cmath>
#include <cstring>

#include "xrddata/formats/dates.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/pieces.h"
#include "xrddata/platform/scan.h"

namespace xrddata::formats {

namespace {

// The header keys in the order they are tried on a line: the first one found decides what the line is.
enum Key { DataAngleRange, ScanStepSize, RawScan, SampleIdent, Title1, Title2, Anode, Monochromator, Lambda1,
           FileDateTime, NoKey };
const char* const kKeys[NoKey] = {"DataAngleRange", "ScanStepSize", "RawScan", "SampleIdent", "Title1",
                                  "Title2", "Anode", "MonochromatorUsed", "LabdaAlpha1", "FileDateTime"};

// The key of the line and where its value starts: just after the key and the comma that follows it. A bare key at
// the very end of the text has an empty value.
Key FindKey(const char* line, const char*& value) {
    for (int k = 0; k < NoKey; ++k) {
        const char* at = std::strstr(line, kKeys[k]);
        if (!at) continue;
        value = at + std::strlen(kKeys[k]);
        if (*value) ++value;
        return static_cast<Key>(k);
    }
    value = line;
    return NoKey;
}

// A text value without the line end, blanks, commas, slashes and backslashes around it.
std::string Clean(std::string_view value) {
    const std::size_t end = value.find_last_not_of("\r\n ,/\\");
    if (end == std::string_view::npos) return {};
    value = value.substr(0, end + 1);
    return std::string(value.substr(value.find_first_not_of(" ,/\\")));
}

}  // namespace

bool IsUdf(Bytes bytes) {
    PieceReader r(bytes);
    bool range = false, step = false, scan = false;
    Piece line;
    for (int i = 0; i < 50; ++i) {
        if (!r.next(line)) return false;
        if (std::strstr(line, "DataAngleRange")) range = true;
        if (std::strstr(line, "ScanStepSize")) step = true;
        if (std::strstr(line, "RawScan") && r.next(line)) {
            float v[8];
            if (ScanC(line, "%f, %f, %f, %f, %f, %f, %f, %f", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                      &v[7]) != 8)
                return false;
            scan = true;
        }
        if (range && step && scan) return true;
    }
    return false;
}

Measurement ReadUdf(const Source& source) {
    Measurement m;
    Metadata& meta = m.meta;
    double start = 0, end = 0, step = 0;
    bool haveRange = false, haveStep = false, header = true;
    PieceReader r(source.bytes);
    Piece line;
    while (header && r.next(line)) {
        const std::uint64_t number = r.lines_ended() + (IsDataLine(line) ? 0 : 1);
        const char* value;
        switch (FindKey(line, value)) {
            case DataAngleRange:
                if (ScanC(value, "%lf, %lf", &start, &end) != 2)
                    throw ReadError(Problem::malformed, "DataAngleRange does not give two angles").at_line(number);
                if (!std::isfinite(start) || !std::isfinite(end))
                    throw ReadError(Problem::malformed, "a DataAngleRange angle is not a finite number")
                        .at_line(number);
                haveRange = true;
                break;
            case ScanStepSize:
                if (ScanC(value, "%lf", &step) != 1)
                    throw ReadError(Problem::malformed, "ScanStepSize does not give the step").at_line(number);
                if (!std::isfinite(step))
                    throw ReadError(Problem::malformed, "the ScanStepSize is not a finite number").at_line(number);
                haveStep = true;
                break;
            case RawScan:
                if (!haveRange || !haveStep)
                    throw ReadError(Problem::malformed, "RawScan comes before DataAngleRange and ScanStepSize")
                        .at_line(number);
                header = false;
                break;
            case SampleIdent: meta.sample = Clean(value); break;
            case Title1:
            case Title2: {
                const std::string text = Clean(value);
                if (meta.comments.empty())
                    meta.comments = text;
                else
                    meta.comments += "\n" + text;
                break;
            }
            case Anode:
                meta.anode = Clean(value);
                meta.properties.emplace_back("Anode", meta.anode);
                break;
            case Monochromator: {
                const std::string text = Clean(value);
                meta.ka2_present = text == "NO" || text == "No" || text == "no";
                meta.properties.emplace_back("MonochromatorUsed", text);
                break;
            }
            case Lambda1: {
                const std::string text = Clean(value);
                meta.wavelength = ParseDecimalComma(text);
                // The import sets the wavelength the C library's atof reads.
                if ((meta.wavelength && !std::isfinite(*meta.wavelength)) || !std::isfinite(CAtof(text.c_str())))
                    throw ReadError(Problem::malformed, "the LabdaAlpha1 wavelength is not a finite number")
                        .at_line(number);
                meta.properties.emplace_back("LabdaAlpha1", text);
                break;
            }
            case FileDateTime: {
                const std::string text = Clean(value);
                meta.date.text = text;
                meta.date.value = ParseDate(text);
                meta.properties.emplace_back("FileDateTime", text);
                break;
            }
            case NoKey: {
                const std::string_view t(line);
                const std::size_t comma = t.find(',');
                if (comma != std::string_view::npos && comma > 0) {
                    const std::string key(TrimBlanks(t.substr(0, comma)));
                    if (!key.empty()) meta.properties.emplace_back(key, Clean(t.substr(comma + 1)));
                }
                break;
            }
        }
    }
    if (header) throw ReadError(Problem::no_data, "the file ends before RawScan").at_offset(source.bytes.size());

    Scan scan;
    while (r.next(line)) {
        double v[8];
        const int n = ScanC(line, "%lf, %lf, %lf, %lf, %lf, %lf, %lf, %lf", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                            &v[6], &v[7]);
        for (int i = 0; i < n; ++i) {
            if (!std::isfinite(v[i]))
                throw ReadError(Problem::malformed, "an intensity is not a finite number")
                    .at_line(r.lines_ended() + (IsDataLine(line) ? 0 : 1));
            scan.counts.push_back(v[i]);
        }
    }
    if (scan.counts.empty()) throw ReadError(Problem::no_data, "no intensities follow RawScan");
    scan.two_theta.resize(scan.counts.size());
    for (std::size_t i = 0; i < scan.counts.size(); ++i) scan.two_theta[i] = start + static_cast<double>(i) * step;
    scan.start = start;
    scan.step = step;
    scan.end = end;
    if (step > 0 && end >= start && std::isfinite(start) && std::isfinite(end)) {
        const double span = (end - start) / step;
        if (span < 1e9) {
            scan.declared_points = static_cast<std::int64_t>(std::llround(span)) + 1;
            if (static_cast<std::int64_t>(scan.size()) < *scan.declared_points)
                m.warnings.push_back("range 1: header claims " + std::to_string(*scan.declared_points) +
                                     " points, file holds " + std::to_string(scan.size()));
        }
    }
    m.scans.push_back(std::move(scan));
    return m;
}

}  // namespace xrddata::formats
