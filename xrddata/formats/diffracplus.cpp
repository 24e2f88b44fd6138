#include "xrddata/formats/diffracplus.h"

#include <algorithm>

#include "xrddata/formats/bytes.h"
#include "xrddata/formats/dates.h"
#include "xrddata/formats/error.h"
#include "xrddata/formats/rawcounts.h"

namespace xrddata::formats {

namespace F = diffracplus_file;
namespace R = diffracplus_range;

bool IsDiffracPlus(Bytes bytes) {
    if (bytes.size() < 7 || AsText(bytes.subspan(0, 7)) != "RAW1.01") return false;
    return Block<4>(bytes, F::size).i32(0) == static_cast<std::int32_t>(R::size);
}

Measurement ReadDiffracPlus(const Source& source) {
    const Bytes b = source.bytes;
    if (!IsDiffracPlus(b))
        throw ReadError(Problem::unrecognised, "the file does not begin with RAW1.01 and a 304-byte range header");
    const Block<F::size> h(b, 0);
    Measurement m;
    Metadata& meta = m.meta;
    meta.format_version = "RAW1.01";
    meta.sample = h.trimmed(F::sample, 60);
    meta.comments = h.trimmed(F::comment, 160);
    meta.date.text = h.trimmed(F::date, 10) + " " + h.trimmed(F::time, 10);
    meta.date.value = ParseDate(*meta.date.text, DateOrder::month_day);
    meta.anode = h.trimmed(F::anode, 2);
    meta.wavelength = h.f64(F::wavelength);
    const std::int32_t declaredRanges = h.i32(F::ranges);
    meta.properties.emplace_back("ranges", std::to_string(declaredRanges));

    // Range 1 is read whatever the range count says; the others while the count and the bytes last.
    std::size_t pos = F::size;
    for (int n = 1; n == 1 || n <= declaredRanges; ++n) {
        const Block<R::size> r(b, pos);
        if (n > 1 && (!r.complete() || r.i32(R::length) != static_cast<std::int32_t>(R::size))) {
            m.warnings.push_back(MissingRangeWarning(n, declaredRanges,
                                                     r.complete() ? "its header does not begin with its length 304"
                                                                  : "the file ends inside its header"));
            break;
        }
        Scan scan;
        const std::int32_t points = r.i32(R::points);
        const float time = r.f32(R::step_time);
        if (time > 0) scan.step_time = time;
        const std::int32_t supplement = r.i32(R::supplement);
        std::size_t data = std::min(b.size(), pos + R::size);
        if (supplement > 0) data = static_cast<std::size_t>(std::min<std::uint64_t>(b.size(), std::uint64_t{data} + supplement));
        const auto next = AppendFloatRange(b, data, n, points, r.f64(R::start), r.f64(R::step), std::move(scan), m);
        if (!next) break;
        pos = *next;
    }
    return m;
}

}  // namespace xrddata::formats
