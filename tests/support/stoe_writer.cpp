#include "support/stoe_writer.h"

#include "support/support.h"

namespace testing_support {

namespace {

void Record(Bytes& b, size_t index) { b.at(index * 512); }

}  // namespace

std::string WriteStoe(const StoeFile& f, bool pad) {
    Bytes b;
    b.raw(f.magic.substr(0, 16)).at(16).fixed(f.date, 16).fixed(f.sample, 80).fixed(f.comment, 192);
    b.at(308).i16(f.radiationCode).i16(f.anodeIndex).at(322).f32(f.wavelength);
    b.at(378).i16(f.rangeCount.value_or(static_cast<std::int16_t>(f.ranges.size()))).i16(f.extraRange);
    b.at(440).fixed(f.text440, 16).at(466).i32(f.dataPresent).at(472).i16(f.flags);
    Record(b, 1);

    size_t next = 1;  // records counted from 0 here, from 1 in the file
    for (size_t n = 0; n < f.ranges.size(); ++n) {
        const StoeRange& r = f.ranges[n];
        const size_t base = next * 512;
        if (n < 16) {
            const std::int16_t number = r.record.value_or(static_cast<std::int16_t>(next + 1));
            for (int k = 0; k < 2; ++k) b.data[478 + 2 * (n + 1) + k] = static_cast<char>((number >> (8 * k)) & 0xFF);
        }
        b.fixed(r.text0, 16).fixed(r.text16, 16);
        b.at(base + 34).i16(r.pointCount.value_or(static_cast<std::int16_t>(r.counts.size())));
        b.at(base + 38).i16(r.dataType).f32(r.countingTime).f32(r.start);
        b.at(base + 60).f32(r.step).at(base + 118).i16(r.flagCopy);
        Record(b, ++next);
        for (std::int32_t c : r.counts) {
            if (r.dataType == 1)
                b.i16(static_cast<std::int16_t>(c));
            else
                b.i32(c);
        }
        if (pad || n + 1 < f.ranges.size()) {
            next = (b.size() + 511) / 512;
            Record(b, next);
        }
    }
    return b.str();
}

StoeRange StoeCounts(std::int16_t type, std::vector<std::int32_t> counts, float time) {
    StoeRange r;
    r.dataType = type;
    r.counts = std::move(counts);
    r.countingTime = time;
    return r;
}

}  // namespace testing_support
