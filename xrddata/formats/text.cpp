#include "xrddata/formats/text.h"

#include <cfloat>
#include <cmath>

#include "xrddata/formats/error.h"
#include "xrddata/formats/pieces.h"
#include "xrddata/formats/text_points.h"
#include "xrddata/platform/linepieces.h"
#include "xrddata/platform/scan.h"
#include "xrddata/platform/scanline.h"

namespace xrddata::formats {

bool IsText(Bytes bytes) {
    PieceReader r(bytes);
    Piece piece;
    if (!r.next(piece)) return false;
    double v[2];
    return ScanDoubles(piece, v, 2) == 2;
}

Measurement ReadText(const Source& source) {
    Measurement m;
    Scan scan;
    ReadTextInto(source, m.meta, scan.two_theta, scan.counts, scan.sigma);
    m.scans.push_back(std::move(scan));
    return m;
}

}  // namespace xrddata::formats
