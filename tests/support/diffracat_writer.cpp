#include "support/diffracat_writer.h"

#include "support/support.h"

namespace testing_support {

std::string WriteDiffracAt(const DiffracAtFile& f) {
    Bytes b;
    b.fixed(f.magic, 4).i16(f.rangeCount.value_or(static_cast<std::int16_t>(f.ranges.size())));
    b.at(8).fixed(f.sample, 32).at(168).fixed(f.dateTime, 20).fixed(f.anode, 2).f32(f.ka1).f32(f.ka2).at(256);
    for (const DiffracAtRange& r : f.ranges) {
        const size_t base = b.size();
        b.i16(r.headerLength).i16(r.pointCount.value_or(static_cast<std::int16_t>(r.counts.size())));
        // Offsets 12 and 16 exist only in a header of at least 20 bytes; a shorter one is just its length word.
        if (r.headerLength >= 20) {
            b.at(base + 12).f32(r.step).f32(r.start);
            b.at(base + static_cast<size_t>(r.headerLength));
        } else {
            b.data.resize(base + static_cast<size_t>(r.headerLength > 2 ? r.headerLength : 2));
        }
        for (float c : r.counts) b.f32(c);
    }
    return b.str();
}

}  // namespace testing_support
