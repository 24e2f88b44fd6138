#include "xrddata/formats/mdi.h"

#include <cmath>

#include "xrddata/formats/dates.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/pieces.h"

namespace xrddata::formats {

namespace {

struct ScanLine {
    double start = 0, step = 0, unused = 0, wavelength = 0, end = 0;
    char anode[PieceReader::kPiece] = {};
    int points = 0;
};

// The title and line 2; false when line 2 is missing or does not convert all seven fields.
bool ReadHead(PieceReader& r, std::string& title, ScanLine& s) {
    if (!r.next_line(title)) return false;
    Piece line;
    if (!r.next(line)) return false;
    return ScanC(line, "%lf %lf %lf %255s %lf %lf %d", &s.start, &s.step, &s.unused, s.anode, &s.wavelength, &s.end,
                 &s.points) == 7;
}

bool Finite(const ScanLine& s) {
    return std::isfinite(s.start) && std::isfinite(s.step) && std::isfinite(s.wavelength) && std::isfinite(s.end);
}

bool Accepts(const ScanLine& s) { return s.end > s.start && s.step > 0 && s.wavelength > 0; }

}  // namespace

bool IsMdi(Bytes bytes) {
    PieceReader r(bytes);
    std::string title;
    ScanLine s;
    return ReadHead(r, title, s) && Accepts(s);
}

Measurement ReadMdi(const Source& source) {
    PieceReader r(source.bytes);
    std::string title;
    ScanLine s;
    const bool read = ReadHead(r, title, s);
    // nan and inf convert as numbers, and an infinite end or wavelength passes the test.
    if (read && !Finite(s))
        throw ReadError(Problem::malformed, "the start, step, wavelength or end of line 2 is not a finite number")
            .at_line(2);
    if (!read || !Accepts(s))
        throw ReadError(Problem::unrecognised, "line 2 is not start, step, number, anode, wavelength, end, points")
            .at_line(2);
    Measurement m;
    Metadata& meta = m.meta;
    meta.date.text = title.substr(0, 8);
    meta.date.value = ParseDate(*meta.date.text);
    meta.comments = title.size() > 16 ? title.substr(16, 4) : std::string();
    meta.sample = title.size() > 20 ? title.substr(20) : std::string();
    meta.anode = s.anode;
    meta.wavelength = s.wavelength;

    Scan scan;
    scan.start = s.start;
    scan.step = s.step;
    scan.end = s.end;
    scan.declared_points = s.points;
    Piece line;
    double v[8];
    while (r.next(line)) {
        const int n = ScanC(line, "%lf %lf %lf %lf %lf %lf %lf %lf", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                            &v[7]);
        for (int k = 0; k < n; ++k) {
            if (!std::isfinite(v[k]))
                throw ReadError(Problem::malformed, "an intensity is not a finite number")
                    .at_line(r.lines_ended() + (IsDataLine(line) ? 0 : 1));
            scan.counts.push_back(v[k]);
        }
    }
    scan.two_theta.resize(scan.counts.size());
    for (std::size_t i = 0; i < scan.counts.size(); ++i) scan.two_theta[i] = s.start + static_cast<double>(i) * s.step;
    if (static_cast<std::int64_t>(scan.size()) != s.points)
        m.warnings.push_back("range 1: header claims " + std::to_string(s.points) + " points, file holds " +
                             std::to_string(scan.size()));
    m.scans.push_back(std::move(scan));
    return m;
}

}  // namespace xrddata::formats
