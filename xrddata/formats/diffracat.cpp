#include "xrddata/formats/diffracat.h"

#include <algorithm>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/rawcounts.h"

namespace xrddata::formats {

namespace F = diffracat_file;
namespace R = diffracat_range;

bool IsDiffracAt(Bytes bytes) { return bytes.size() >= 4 && AsText(bytes.subspan(0, 4)) == "RAW2"; }

Measurement ReadDiffracAt(const Source& source) {
    const Bytes b = source.bytes;
    if (!IsDiffracAt(b)) throw ReadError(Problem::unrecognised, "the file does not begin with RAW2").at_offset(0);
    const Block<F::size> h(b, 0);
    Measurement m;
    Metadata& meta = m.meta;
    meta.format_version = "RAW2";
    meta.sample = h.trimmed(F::sample, 32);
    meta.date.text = h.trimmed(F::date, 20);
    meta.date.value = ParseDate(*meta.date.text, DateOrder::month_day);
    meta.anode = h.trimmed(F::anode, 2);
    meta.wavelength = static_cast<double>(h.f32(F::ka1));
    const float ka2 = h.f32(F::ka2);
    if (ka2 > 0) meta.ka2_wavelength = static_cast<double>(ka2);
    meta.ka2_present = ka2 > 0.0f;
    const std::int16_t declaredRanges = h.i16(F::ranges);
    meta.properties.emplace_back("ranges", std::to_string(declaredRanges));

    std::size_t pos = F::size;
    for (int n = 1; n == 1 || n <= declaredRanges; ++n) {
        const Block<40> r(b, pos);
        const std::int16_t length = r.i16(R::length);
        if (n > 1 && (r.present() < 2 || length < R::least)) {
            m.warnings.push_back(MissingRangeWarning(n, declaredRanges,
                                                     r.present() < 2 ? "the file ends before its header"
                                                                     : "its header is shorter than 60 bytes"));
            break;
        }
        Scan scan;
        if (length < R::least) {
            // Too short to hold the fields: a range without points.
            m.scans.push_back(std::move(scan));
            break;
        }
        const std::int16_t points = r.i16(R::points);
        const std::size_t data = std::min(b.size(), pos + static_cast<std::size_t>(length));
        const auto next = AppendFloatRange(b, data, n, points, r.f32(R::start), r.f32(R::step), std::move(scan), m);
        if (!next) break;
        pos = *next;
    }
    return m;
}

}  // namespace xrddata::formats
