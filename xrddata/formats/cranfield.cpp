#include "xrddata/formats/cranfield.h"

#include <cmath>

#include "xrddata/formats/error.h"
#include "xrddata/formats/pieces.h"
#include "xrddata/platform/scan.h"

namespace xrddata::formats {

bool IsCranfield(Bytes bytes) {
    PieceReader r(bytes);
    Piece line;
    char word[PieceReader::kPiece];
    int points = 0;
    double start = 0, step = 0, first = 0;
    if (!r.next(line)) return false;
    if (!r.next(line) || ScanC(line, "%d", &points) != 1) return false;
    if (!r.next(line) || ScanC(line, "%lf", &start) != 1) return false;
    if (!r.next(line) || ScanC(line, "%lf", &step) != 1) return false;
    if (r.next(line) && ScanC(line, "%lf %255s", &first, word) != 1) return false;
    return points >= 1 && start >= 0 && step > 0;
}

bool CranfieldHoldsData(Bytes bytes) {
    PieceReader r(bytes);
    Piece line;
    for (int i = 0; i < 4; ++i)
        if (!r.next(line)) return false;
    while (r.next(line))
        if (IsDataLine(line)) return true;
    return false;
}

Measurement ReadCranfield(const Source& source) {
    if (!IsCranfield(source.bytes))
        throw ReadError(Problem::unrecognised, "lines 2 to 5 are not a point count, start, step and intensity");
    PieceReader r(source.bytes);
    Piece line;
    r.next(line);
    Measurement m;
    m.meta.sample = TrimRightBlanks(line);
    r.next(line);
    int declared = 0;
    ScanC(line, "%d", &declared);
    r.next(line);
    const double start = CAtof(line);
    r.next(line);
    const double step = CAtof(line);
    // nan and inf convert as numbers; an infinite start or step passes the test.
    if (!std::isfinite(start) || !std::isfinite(step))
        throw ReadError(Problem::malformed,
                        std::string(std::isfinite(start) ? "the step" : "the start angle") + " is not a finite number")
            .at_line(std::isfinite(start) ? 4 : 3);
    m.meta.date = FileTimeDate(source.modified);

    Scan scan;
    scan.start = start;
    scan.step = step;
    scan.declared_points = declared;
    bool anyLine = false;
    double x = start;
    while (r.next(line)) {
        if (!IsDataLine(line)) continue;
        anyLine = true;
        double y;
        if (ScanC(line, "%lf", &y) != 1) continue;
        // A line that converts is a number here, as on line 5 for the test: a nan or inf intensity is refused rather
        // than skipped like a word, which would move every later point to the angle before its own.
        if (!std::isfinite(y))
            throw ReadError(Problem::malformed, "the intensity is not a finite number").at_line(r.lines_ended());
        scan.two_theta.push_back(x);
        scan.counts.push_back(y);
        x += step;
    }
    if (!anyLine) throw ReadError(Problem::no_data, "no intensity lines follow the header").at_line(5);
    if (static_cast<std::int64_t>(scan.size()) < declared)
        m.warnings.push_back("range 1: header claims " + std::to_string(declared) + " points, file holds " +
                             std::to_string(scan.size()));
    m.scans.push_back(std::move(scan));
    return m;
}

}  // namespace xrddata::formats
