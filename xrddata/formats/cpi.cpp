#include "xrddata/formats/cpi.h"

#include <strings.h>

#include <cmath>

#include "xrddata/formats/dates.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/pieces.h"
#include "xrddata/platform/scan.h"

namespace xrddata::formats {

namespace {

constexpr int kHeaderLines = 10;

struct Header {
    std::string line[kHeaderLines];
    double start = 0, end = 0, step = 0, lambda = 0;
};

// The ten header lines without their line feeds; false when the bytes end first.
bool ReadHeader(PieceReader& r, Header& h) {
    Piece piece;
    for (std::string& line : h.line) {
        if (!r.next(piece)) return false;
        line = WithoutNewline(piece);
    }
    h.start = CAtof(h.line[1].c_str());
    h.end = CAtof(h.line[2].c_str());
    h.step = CAtof(h.line[3].c_str());
    h.lambda = CAtof(h.line[5].c_str());
    return true;
}

// nan and inf convert as numbers; the header line of the first such start, end, step or wavelength, else 0.
int NonFiniteLine(const Header& h) {
    if (!std::isfinite(h.start)) return 2;
    if (!std::isfinite(h.end)) return 3;
    if (!std::isfinite(h.step)) return 4;
    if (!std::isfinite(h.lambda)) return 6;
    return 0;
}

bool IsScanData(const Header& h) { return strncasecmp(h.line[9].c_str(), "SCANDATA", 8) == 0; }

bool Accepts(const Header& h) {
    return IsScanData(h) && h.end > h.start && h.step > 0 && h.lambda > 0;
}

}  // namespace

bool IsCpi(Bytes bytes) {
    PieceReader r(bytes);
    Header h;
    return ReadHeader(r, h) && Accepts(h);
}

namespace {

Measurement Read(const Source& source, bool data) {
    PieceReader r(source.bytes);
    Header h;
    const bool read = ReadHeader(r, h);
    // A nan or inf header number is refused with its line, also where the test takes it (an infinite end, step
    // or wavelength passes the comparisons): no point could lie on such a scan.
    if (read && IsScanData(h))
        if (const int line = NonFiniteLine(h))
            throw ReadError(Problem::malformed, "the start, end, step or wavelength is not a finite number")
                .at_line(line);
    if (!read || !Accepts(h))
        throw ReadError(Problem::unrecognised, "line 10 is not SCANDATA after a start, end, step and wavelength");
    Measurement m;
    Metadata& meta = m.meta;
    meta.comments = h.line[0];
    meta.sample = h.line[8];
    meta.anode = h.line[4];
    meta.wavelength = ParseDecimalComma(h.line[5]).value_or(h.lambda);
    meta.date.text = h.line[6];
    meta.date.value = ParseDate(h.line[6]);
    meta.properties = {{"start", h.line[1]}, {"end", h.line[2]}, {"step", h.line[3]}, {"wavelength", h.line[5]},
                       {"line 8", h.line[7]}};

    Scan scan;
    scan.start = h.start;
    scan.end = h.end;
    scan.step = h.step;
    double x = h.start;
    Piece piece;
    while (data && r.next(piece)) {
        if (!IsDataLine(piece)) continue;
        double y;
        if (ScanC(piece, "%lf", &y) != 1)
            throw ReadError(Problem::malformed, "the data line holds no intensity").at_line(r.lines_ended());
        if (!std::isfinite(y))
            throw ReadError(Problem::malformed, "the intensity is not a finite number").at_line(r.lines_ended());
        scan.two_theta.push_back(x);
        scan.counts.push_back(y);
        x += h.step;
    }
    m.scans.push_back(std::move(scan));
    return m;
}

}  // namespace

Measurement ReadCpi(const Source& source) { return Read(source, true); }

Measurement ReadCpiHeader(const Source& source) { return Read(source, false); }

}  // namespace xrddata::formats
