#include "xrddata/formats/text.h"

#include <cfloat>
#include <cmath>

#include "xrddata/formats/error.h"
#include "xrddata/formats/pieces.h"
#include "xrddata/platform/linepieces.h"
#include "xrddata/platform/scan.h"
#include "xrddata/platform/scanline.h"

namespace xrddata::formats {

namespace {

double CountingError(double y) { return y > 0 ? std::sqrt(y) : DBL_MIN; }

}  // namespace

bool IsText(Bytes bytes) {
    PieceReader r(bytes);
    Piece piece;
    if (!r.next(piece)) return false;
    double v[2];
    return ScanDoubles(piece, v, 2) == 2;
}

Measurement ReadText(const Source& source) {
    if (!IsText(source.bytes))
        throw ReadError(Problem::unrecognised, "line 1 does not start with two numbers").at_line(1);
    Measurement m;
    m.meta.sample = TrimRightBlanks(BaseName(source.name));
    m.meta.date = FileTimeDate(source.modified);

    Scan scan;
    // The error column is kept only once a line gives an error of its own: the points before it then get the
    // counting errors of their counts, which is what a two-number line stands for.
    bool ownErrors = false;
    // The lines are the pieces a 256-byte line buffer would receive (PieceReader); they are found in place.
    const char* const text = reinterpret_cast<const char*>(source.bytes.data());
    xrddata::platform::LineEndPieces r(text, source.bytes.size());
    const std::size_t room = xrddata::platform::EstimatePoints(text, source.bytes.size(), source.bytes.size());
    scan.two_theta.reserve(room);
    scan.counts.reserve(room);
    const char* first;
    const char* last;
    while (r.next(first, last)) {
        double v[3];
        const int n = xrddata::platform::ScanLineDoubles(first, last, v, 3);
        if (n == 3) {
            if (!ownErrors) {
                scan.sigma.reserve(scan.counts.capacity());
                for (double y : scan.counts) scan.sigma.push_back(CountingError(y));
            }
            ownErrors = true;
        } else if (n != 2) {
            // Blank lines that end the file are no data lines.
            if (n < 0 && OnlyBlanksFrom(source.bytes, r.offset())) break;
            throw ReadError(Problem::malformed, "the line does not hold x, y and optionally the error of y")
                .at_line(r.lines());
        }
        // nan and inf scan as numbers; a pattern cannot hold them (they would break sorting and every sum).
        for (int i = 0; i < n; ++i)
            if (!std::isfinite(v[i]))
                throw ReadError(Problem::malformed, "the line holds a value that is not a finite number")
                    .at_line(r.lines());
        scan.two_theta.push_back(v[0]);
        scan.counts.push_back(v[1]);
        if (ownErrors) scan.sigma.push_back(n == 3 ? v[2] : CountingError(v[1]));
    }
    m.scans.push_back(std::move(scan));
    return m;
}

}  // namespace xrddata::formats
