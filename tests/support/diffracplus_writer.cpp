#include "support/diffracplus_writer.h"

#include "support/support.h"

namespace testing_support {

std::string WriteDiffracPlus(const DiffracPlusFile& f) {
    Bytes b;
    b.fixed(f.magic, 7).at(12).i32(f.rangeCount.value_or(static_cast<std::int32_t>(f.ranges.size())));
    b.fixed(f.date, 10).fixed(f.time, 10);
    b.at(326).fixed(f.sample, 60).fixed(f.comment, 160);
    b.at(608).fixed(f.anode, 2).at(624).f64(f.wavelength).at(712);
    for (const DiffracPlusRange& r : f.ranges) {
        const size_t base = b.size();
        b.i32(r.headerLength).i32(r.pointCount.value_or(static_cast<std::int32_t>(r.counts.size())));
        b.at(base + 16).f64(r.start).at(base + 176).f64(r.step);
        b.at(base + 256).i32(static_cast<std::int32_t>(r.supplementary.size())).at(base + 304);
        b.raw(r.supplementary);
        for (float c : r.counts) b.f32(c);
    }
    return b.str();
}

DiffracPlusRange PlusRange(double start, double step, std::vector<float> counts) {
    DiffracPlusRange r;
    r.start = start;
    r.step = step;
    r.counts = std::move(counts);
    return r;
}

}  // namespace testing_support
