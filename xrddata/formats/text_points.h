// The reading of plain text (formats/text.h) over any kind of column: the format's ReadText fills a scan's
// vectors, the import fills columns that its pattern takes over without a copy. Internal to the library.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstddef>

#include "xrddata/formats/error.h"
#include "xrddata/formats/pieces.h"
#include "xrddata/formats/table.h"
#include "xrddata/formats/text.h"
#include "xrddata/platform/linepieces.h"
#include "xrddata/platform/scanline.h"

namespace xrddata::formats {

namespace text_detail {

inline double CountingError(double y) { return y > 0 ? std::sqrt(y) : DBL_MIN; }

}  // namespace text_detail

// ReadText into meta (sample, date) and the columns, which start empty: Column has reserve, capacity, push_back
// and iteration as std::vector<double> has. sigma stays empty when no line gives an error. Throws ReadError.
template <class Column>
void ReadTextInto(const Source& source, Metadata& meta, Column& twoTheta, Column& counts, Column& sigma) {
    using text_detail::CountingError;
    if (!IsText(source.bytes))
        throw ReadError(Problem::unrecognised, "line 1 does not start with two numbers").at_line(1);
    meta.sample = TrimRightBlanks(BaseName(source.name));
    meta.date = FileTimeDate(source.modified);

    // The error column is kept only once a line gives an error of its own: the points before it then get the
    // counting errors of their counts, which is what a two-number line stands for.
    bool ownErrors = false;
    // The lines are the pieces a 256-byte line buffer would receive (PieceReader); they are found in place.
    const char* const text = reinterpret_cast<const char*>(source.bytes.data());
    xrddata::platform::LineEndPieces r(text, source.bytes.size());
    const std::size_t room = xrddata::platform::EstimatePoints(text, source.bytes.size(), source.bytes.size());
    twoTheta.reserve(room);
    counts.reserve(room);
    const char* first;
    const char* last;
    while (r.next(first, last)) {
        double v[3];
        const int n = xrddata::platform::ScanLineDoubles(first, last, v, 3);
        if (n == 3) {
            if (!ownErrors) {
                sigma.reserve(counts.capacity());
                for (double y : counts) sigma.push_back(CountingError(y));
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
        twoTheta.push_back(v[0]);
        counts.push_back(v[1]);
        if (ownErrors) sigma.push_back(n == 3 ? v[2] : CountingError(v[1]));
    }
}

}  // namespace xrddata::formats
